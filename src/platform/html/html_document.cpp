#include "platform/html/html_document.h"

#include <gumbo.h>

#include <utility>

#include "platform/html/html_color.h"
#include "platform/html/html_nesting.h"
#include "platform/html/url_resolve.h"
#include "platform/text/text.h"

namespace vex::html {

namespace {

// Nodes come in chunks that double from the first to the largest, so a small
// page (or a parsed mark) costs little and a large one few allocations.
constexpr std::size_t kFirstChunkNodes = 32;
constexpr std::size_t kChunkNodes = 4096;

enum class Where { BeforeBegin, AfterBegin, BeforeEnd, AfterEnd };

Where ParseWhere(std::string_view where) {
  std::string w = LowerAscii(where);
  if (w == "beforebegin") return Where::BeforeBegin;
  if (w == "afterbegin") return Where::AfterBegin;
  if (w == "beforeend") return Where::BeforeEnd;
  if (w == "afterend") return Where::AfterEnd;
  throw BrowserError("Invalid argument: insertion position \"" + std::string(where) + "\"");
}

struct GumboParse {
  GumboOptions options = kGumboDefaultOptions;
  GumboOutput* output = nullptr;
  GumboParse(std::string_view text, GumboTag context, GumboNamespaceEnum ns) {
    options.max_errors = 0;
    options.fragment_context = context;
    options.fragment_namespace = ns;
    output = gumbo_parse_with_options(&options, text.data(), text.size());
  }
  ~GumboParse() {
    if (output) gumbo_destroy_output(&options, output);
  }
  GumboParse(const GumboParse&) = delete;
  GumboParse& operator=(const GumboParse&) = delete;
};

Namespace FromGumbo(GumboNamespaceEnum ns) {
  switch (ns) {
    case GUMBO_NAMESPACE_SVG:
      return Namespace::Svg;
    case GUMBO_NAMESPACE_MATHML:
      return Namespace::MathMl;
    case GUMBO_NAMESPACE_HTML:
      break;
  }
  return Namespace::Html;
}

GumboNamespaceEnum ToGumbo(Namespace ns) {
  switch (ns) {
    case Namespace::Svg:
      return GUMBO_NAMESPACE_SVG;
    case Namespace::MathMl:
      return GUMBO_NAMESPACE_MATHML;
    case Namespace::Html:
      break;
  }
  return GUMBO_NAMESPACE_HTML;
}

// Where the tokenizer ends a tag name.
bool IsNameEnd(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == '/' || c == '>';
}

// The name of the start tag that made the element, read from its source
// text. That text may begin with markup the tokenizer skipped (a bogus "</>"
// before the tag), so the name is taken after the first "<" that opens a start
// tag, and ends where the tokenizer ends it.
std::string_view NameInOriginalTag(GumboStringPiece piece) {
  std::string_view text(piece.data ? piece.data : "", piece.data ? piece.length : 0);
  std::size_t i = 0;
  while (i + 1 < text.size()) {
    const char next = text[i + 1];
    if (text[i] == '<' && ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) break;
    ++i;
  }
  if (i + 1 >= text.size()) return {};
  const std::size_t start = i + 1;
  std::size_t end = start;
  while (end < text.size() && !IsNameEnd(text[end])) ++end;
  return text.substr(start, end - start);
}

std::string TagNameOf(const GumboElement& e) {
  if (e.tag_namespace != GUMBO_NAMESPACE_SVG && e.tag != GUMBO_TAG_UNKNOWN) {
    return gumbo_normalized_tagname(e.tag);
  }
  const std::string_view name = NameInOriginalTag(e.original_tag);
  if (e.tag_namespace == GUMBO_NAMESPACE_SVG && !name.empty()) {
    GumboStringPiece piece{name.data(), name.size()};
    if (const char* svg = gumbo_normalize_svg_tagname(&piece)) return svg;
  }
  if (e.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(e.tag);
  return LowerAscii(name);
}

std::string AttributeNameOf(const GumboAttribute& a) {
  switch (a.attr_namespace) {
    case GUMBO_ATTR_NAMESPACE_XLINK:
      return std::string("xlink:") + a.name;
    case GUMBO_ATTR_NAMESPACE_XML:
      return std::string("xml:") + a.name;
    case GUMBO_ATTR_NAMESPACE_XMLNS:
      return std::string(a.name) == "xmlns" ? "xmlns" : std::string("xmlns:") + a.name;
    case GUMBO_ATTR_NAMESPACE_NONE:
      break;
  }
  return a.name;
}

void AppendChild(Node* parent, Node* child) {
  child->parent = parent;
  child->prev = parent->lastChild;
  child->next = nullptr;
  if (parent->lastChild) {
    parent->lastChild->next = child;
  } else {
    parent->firstChild = child;
  }
  parent->lastChild = child;
}

// Links the chain first..last (siblings already linked to each other) under
// parent, before `before` (nullptr: at the end).
void SpliceChain(Node* parent, Node* before, Node* first, Node* last) {
  for (Node* n = first;; n = n->next) {
    n->parent = parent;
    if (n == last) break;
  }
  Node* after = before;
  Node* prior = before ? before->prev : parent->lastChild;
  first->prev = prior;
  last->next = after;
  if (prior) {
    prior->next = first;
  } else {
    parent->firstChild = first;
  }
  if (after) {
    after->prev = last;
  } else {
    parent->lastChild = last;
  }
}

template <typename Visit>
void ForEachDescendant(const Node* top, Visit&& visit) {
  const Node* n = top->firstChild;
  while (n) {
    visit(n);
    if (n->firstChild) {
      n = n->firstChild;
      continue;
    }
    while (n && n != top && !n->next) n = n->parent;
    if (!n || n == top) break;
    n = n->next;
  }
}

std::string TextContent(const Node* node) {
  std::string out;
  ForEachDescendant(node, [&](const Node* n) {
    if (n->kind == NodeKind::Text) out += n->value;
  });
  return out;
}

std::shared_ptr<std::vector<Node*>> ElementsByTagName(Node* top, std::string_view name) {
  auto items = std::make_shared<std::vector<Node*>>();
  bool all = name == "*";
  ForEachDescendant(top, [&](const Node* n) {
    if (n->IsElement() && (all || EqualsIgnoreCase(n->value, name))) {
      items->push_back(const_cast<Node*>(n));
    }
  });
  return items;
}

}  // namespace

// Copies a gumbo tree into a document's nodes.
struct TreeBuilder {
  Document& doc;

  // Converts the children of `g` and appends them to `parent`; returns the
  // first and last new child (both nullptr when there were none).
  std::pair<Node*, Node*> CopyChildren(const GumboNode* g, Node* parent) {
    struct Item {
      const GumboNode* g;
      Node* parent;
    };
    std::vector<Item> stack;
    PushChildren(g, parent, stack);
    while (!stack.empty()) {
      Item it = stack.back();
      stack.pop_back();
      Node* n = Copy(it.g);
      if (!n) continue;
      AppendChild(it.parent, n);
      if (n->IsElement()) PushChildren(it.g, n, stack);
    }
    return {parent->firstChild, parent->lastChild};
  }

  template <typename Stack>
  static void PushChildren(const GumboNode* g, Node* parent, Stack& stack) {
    const GumboVector* children = nullptr;
    if (g->type == GUMBO_NODE_DOCUMENT) {
      children = &g->v.document.children;
    } else if (g->type == GUMBO_NODE_ELEMENT || g->type == GUMBO_NODE_TEMPLATE) {
      children = &g->v.element.children;
    }
    if (!children) return;
    for (unsigned i = children->length; i-- > 0;) {
      stack.push_back({static_cast<const GumboNode*>(children->data[i]), parent});
    }
  }

  Node* Copy(const GumboNode* g) {
    switch (g->type) {
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE: {
        const GumboElement& e = g->v.element;
        Node* n = doc.NewNode(NodeKind::Element);
        n->ns = FromGumbo(e.tag_namespace);
        n->value = TagNameOf(e);
        n->attributes.reserve(e.attributes.length);
        for (unsigned i = 0; i < e.attributes.length; ++i) {
          const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
          n->attributes.push_back({AttributeNameOf(*a), a->value});
        }
        return n;
      }
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_WHITESPACE:
      case GUMBO_NODE_CDATA: {
        Node* n = doc.NewNode(NodeKind::Text);
        n->value = g->v.text.text;
        return n;
      }
      case GUMBO_NODE_COMMENT: {
        Node* n = doc.NewNode(NodeKind::Comment);
        n->value = g->v.text.text;
        return n;
      }
      case GUMBO_NODE_DOCUMENT:
        break;
    }
    return nullptr;
  }
};

const Attribute* Node::FindAttribute(std::string_view name) const {
  for (const auto& a : attributes) {
    if (a.name == name) return &a;
  }
  return nullptr;
}

// --- Collection ---

std::size_t Collection::length() const {
  if (liveLinks_) return doc_->LinkNodes().size();
  return items_ ? items_->size() : 0;
}

Element Collection::item(std::size_t index) const {
  if (liveLinks_) {
    const auto& links = doc_->LinkNodes();
    if (index < links.size()) return Element(doc_, links[index]);
  } else if (items_ && index < items_->size()) {
    return Element(doc_, (*items_)[index]);
  }
  throw BrowserError("Index " + std::to_string(index) + " is past the end of the collection");
}

// --- Element ---

Element::Element(std::shared_ptr<Document> doc, Node* node) : doc_(std::move(doc)), node_(node) {}

Node* Element::Checked() const {
  if (!node_ || !doc_) throw BrowserError("Object required");
  return node_;
}

Collection Element::getElementsByTagName(std::string_view name) const {
  Collection c;
  c.items_ = ElementsByTagName(Checked(), name);
  c.doc_ = doc_;
  return c;
}

std::string Element::outerHTML() const {
  std::string out;
  SerializeNode(Checked(), true, out);
  return out;
}

std::string Element::innerHTML() const {
  std::string out;
  SerializeNode(Checked(), false, out);
  return out;
}

std::string Element::href() const {
  const Attribute* a = Checked()->FindAttribute("href");
  if (!a) return {};
  // A BASE's own address resolves against the document's address.
  const std::string& base = node_->IsHtml("base") ? doc_->address() : doc_->BaseUrl();
  return ResolveUrl(base, a->value);
}

std::optional<std::string> Element::src() const {
  return getAttribute("src");
}

std::string Element::text() const {
  Node* n = Checked();
  if (n->IsHtml("body")) {
    const Attribute* a = n->FindAttribute("text");
    return a ? LegacyColor(a->value) : std::string();
  }
  return TextContent(n);
}

std::string Element::bgColor() const {
  const Attribute* a = Checked()->FindAttribute("bgcolor");
  return a ? LegacyColor(a->value) : std::string();
}

std::string Element::tagname() const {
  return UpperAscii(Checked()->value);
}

std::shared_ptr<Document> Element::document() const {
  Checked();
  return doc_;
}

std::optional<std::string> Element::getAttribute(std::string_view name) const {
  const Attribute* a = Checked()->FindAttribute(LowerAscii(name));
  if (!a) return std::nullopt;
  return a->value;
}

void Element::insertAdjacentHtml(std::string_view where, std::string_view markup) const {
  doc_->InsertMarkup(Checked(), where, markup);
}

void Element::insertAdjacentText(std::string_view where, std::string_view text) const {
  doc_->InsertText(Checked(), where, text);
}

// --- Document ---

Document::Document(Key, std::string address, std::string readyState)
    : address_(std::move(address)), readyState_(std::move(readyState)) {
  root_ = NewNode(NodeKind::Document);
}

std::shared_ptr<Document> Document::Empty(std::string address, std::string readyState) {
  return std::make_shared<Document>(Key{}, std::move(address), std::move(readyState));
}

std::shared_ptr<Document> Document::Parse(std::string_view utf8, std::string address,
                                          std::string readyState) {
  auto doc = Empty(std::move(address), std::move(readyState));
  const std::optional<std::string> bounded = BoundNesting(utf8);
  GumboParse parse(bounded ? *bounded : utf8, GUMBO_TAG_LAST, GUMBO_NAMESPACE_HTML);
  const GumboDocument& gd = parse.output->document->v.document;
  if (gd.has_doctype) {
    Node* dt = doc->NewNode(NodeKind::Doctype);
    dt->value = gd.name;
    if (*gd.public_identifier) dt->attributes.push_back({"public", gd.public_identifier});
    if (*gd.system_identifier) dt->attributes.push_back({"system", gd.system_identifier});
    AppendChild(doc->root_, dt);
  }
  TreeBuilder{*doc}.CopyChildren(parse.output->document, doc->root_);
  return doc;
}

Node* Document::NewNode(NodeKind kind) {
  if (chunks_.empty() || chunkUsed_ == chunkSize_) {
    chunkSize_ = chunks_.empty() ? kFirstChunkNodes : std::min(2 * chunkSize_, kChunkNodes);
    chunks_.push_back(std::make_unique<Node[]>(chunkSize_));
    chunkUsed_ = 0;
  }
  Node* n = &chunks_.back()[chunkUsed_++];
  n->kind = kind;
  ++nodeCount_;
  return n;
}

Collection Document::getElementsByTagName(std::string_view name) {
  Collection c;
  c.items_ = ElementsByTagName(root_, name);
  c.doc_ = shared_from_this();
  return c;
}

const std::vector<Node*>& Document::LinkNodes() {
  if (linksStale_ || !links_) {
    auto links = std::make_shared<std::vector<Node*>>();
    ForEachDescendant(root_, [&](const Node* n) {
      if ((n->IsHtml("a") || n->IsHtml("area")) && n->FindAttribute("href")) {
        links->push_back(const_cast<Node*>(n));
      }
    });
    links_ = std::move(links);
    linksStale_ = false;
  }
  return *links_;
}

Collection Document::links() {
  LinkNodes();
  Collection c;
  c.doc_ = shared_from_this();
  c.liveLinks_ = true;
  return c;
}

Collection Document::getElementsByName(std::string_view name) {
  if (namesStale_) {
    names_.clear();
    ForEachDescendant(root_, [&](const Node* n) {
      if (!n->IsElement()) return;
      const Attribute* byName = n->FindAttribute("name");
      const Attribute* byId = n->FindAttribute("id");
      if (byName) names_[byName->value].push_back(const_cast<Node*>(n));
      if (byId && !(byName && byName->value == byId->value)) {
        names_[byId->value].push_back(const_cast<Node*>(n));
      }
    });
    namesStale_ = false;
  }
  Collection c;
  auto found = names_.find(std::string(name));
  c.items_ = std::make_shared<std::vector<Node*>>(found == names_.end() ? std::vector<Node*>{}
                                                                        : found->second);
  c.doc_ = shared_from_this();
  return c;
}

namespace {

const Node* FirstHtml(const Node* top, std::string_view lowerName) {
  const Node* found = nullptr;
  ForEachDescendant(top, [&](const Node* n) {
    if (!found && n->IsHtml(lowerName)) found = n;
  });
  return found;
}

std::string CollapseBlanks(std::string_view s) {
  std::string out;
  bool blank = false;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      blank = !out.empty();
    } else {
      if (blank) out += ' ';
      blank = false;
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string Document::title() const {
  const Node* t = FirstHtml(root_, "title");
  return t ? CollapseBlanks(TextContent(t)) : std::string();
}

void Document::title(std::string_view text) {
  Node* t = const_cast<Node*>(FirstHtml(root_, "title"));
  if (!t) {
    Node* head = const_cast<Node*>(FirstHtml(root_, "head"));
    if (!head) return;
    t = NewNode(NodeKind::Element);
    t->value = "title";
    AppendChild(head, t);
  }
  // The old children stay in the arena; nothing refers to them any more.
  t->firstChild = t->lastChild = nullptr;
  Node* s = NewNode(NodeKind::Text);
  s->value.assign(text);
  AppendChild(t, s);
}

const std::string& Document::BaseUrl() {
  if (baseStale_) {
    base_ = address_;
    const Node* found = nullptr;
    ForEachDescendant(root_, [&](const Node* n) {
      if (!found && n->IsHtml("base") && n->FindAttribute("href")) found = n;
    });
    if (found) base_ = ResolveUrl(address_, found->FindAttribute("href")->value);
    baseStale_ = false;
  }
  return base_;
}

Element Document::documentElement() {
  for (Node* n = root_->firstChild; n; n = n->next) {
    if (n->IsElement()) return Element(shared_from_this(), n);
  }
  return Element();
}

std::string Document::Serialize() const {
  std::string out;
  SerializeNode(root_, false, out);
  return out;
}

void Document::NoteInserted(const Node* first, const Node* last) {
  auto note = [&](const Node* n) {
    if (!n->IsElement()) return;
    if ((n->IsHtml("a") || n->IsHtml("area")) && n->FindAttribute("href")) linksStale_ = true;
    if (n->FindAttribute("name") || n->FindAttribute("id")) namesStale_ = true;
    if (n->IsHtml("base")) baseStale_ = true;
  };
  for (const Node* n = first; n; n = n->next) {
    note(n);
    ForEachDescendant(n, note);
    if (n == last) break;
  }
}

namespace {

struct InsertionPoint {
  Node* parent;
  Node* before;
};

InsertionPoint PointFor(Node* target, Where where) {
  switch (where) {
    case Where::BeforeBegin:
    case Where::AfterEnd:
      if (!target->parent || target->parent->kind == NodeKind::Document) {
        throw BrowserError("No insertion beside the root element is possible");
      }
      return {target->parent, where == Where::BeforeBegin ? target : target->next};
    case Where::AfterBegin:
      return {target, target->firstChild};
    case Where::BeforeEnd:
      break;
  }
  return {target, nullptr};
}

}  // namespace

void Document::InsertMarkup(Node* target, std::string_view where, std::string_view markup) {
  Where w = ParseWhere(where);
  InsertionPoint at = PointFor(target, w);
  // The fragment is parsed as the content of the element that receives it;
  // content of the root element is parsed as body content, as browsers do.
  const Node* context = at.parent;
  GumboTag tag = GUMBO_TAG_BODY;
  GumboNamespaceEnum ns = GUMBO_NAMESPACE_HTML;
  if (!context->IsHtml("html")) {
    ns = ToGumbo(context->ns);
    tag = gumbo_tag_enum(context->value.c_str());
    if (tag == GUMBO_TAG_UNKNOWN) tag = GUMBO_TAG_DIV;
  }
  GumboParse parse(markup, tag, ns);
  const GumboNode* fragmentRoot = parse.output->root;
  Node holder;
  holder.kind = NodeKind::Element;
  auto [first, last] = TreeBuilder{*this}.CopyChildren(fragmentRoot, &holder);
  if (!first) return;
  SpliceChain(at.parent, at.before, first, last);
  NoteInserted(first, last);
}

void Document::InsertText(Node* target, std::string_view where, std::string_view text) {
  InsertionPoint at = PointFor(target, ParseWhere(where));
  if (text.empty()) return;
  Node* n = NewNode(NodeKind::Text);
  n->value.assign(text);
  n->next = nullptr;
  SpliceChain(at.parent, at.before, n, n);
}

}  // namespace vex::html
