// The document model: a page parsed by the HTML5 tree construction (gumbo)
// into a mutable tree of our own, and the handles through which the rest of
// the program reads and annotates it (documents, element collections and
// elements, with the member names that the page loader's callers use).
//
// Handles keep their document alive, so an element read from a collection
// stays valid after its browser has moved on to another page. Nodes are
// never freed before their document, so element handles never dangle.
//
// Failing calls (a position that does not exist, an index past the end of a
// collection, an insertion beside the root element, a call on an empty
// handle) raise vex::BrowserError. The callers that expect such failures
// catch it (the page loader's wait, page preparation, the link walk and the
// anchor check); nothing else in the model throws.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vex {

class BrowserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace html {

enum class NodeKind : std::uint8_t { Document, Doctype, Element, Text, Comment };
enum class Namespace : std::uint8_t { Html, Svg, MathMl };

struct Attribute {
  std::string name;  // as written out: lower case, "xlink:href" for foreign ones
  std::string value;
};

struct Node {
  NodeKind kind = NodeKind::Text;
  Namespace ns = Namespace::Html;
  // Element: the tag name as written out (lower case for HTML elements).
  // Text and comment: the character data. Doctype: the doctype's name.
  std::string value;
  std::vector<Attribute> attributes;  // in source order
  Node* parent = nullptr;
  Node* firstChild = nullptr;
  Node* lastChild = nullptr;
  Node* prev = nullptr;
  Node* next = nullptr;

  bool IsElement() const { return kind == NodeKind::Element; }
  // An HTML element with this (lower-case) tag name.
  bool IsHtml(std::string_view lowerName) const {
    return kind == NodeKind::Element && ns == Namespace::Html && value == lowerName;
  }
  const Attribute* FindAttribute(std::string_view name) const;
};

class Document;
class Element;

// An ordered list of elements: `length` and a 0-based `item`.
class Collection {
 public:
  Collection() = default;
  std::size_t length() const;
  Element item(std::size_t index) const;  // BrowserError past the end

 private:
  friend class Document;
  friend class Element;
  std::shared_ptr<Document> doc_;
  std::shared_ptr<const std::vector<Node*>> items_;
  bool liveLinks_ = false;  // the document's link list, as it stands at each call
};

class Element {
 public:
  Element() = default;
  Element(std::shared_ptr<Document> doc, Node* node);

  bool IsNull() const { return node_ == nullptr; }
  Node* node() const { return node_; }

  // Descendant elements with this tag name (any letter case; "*" for all), in
  // document order.
  Collection getElementsByTagName(std::string_view name) const;
  // The element's markup: tags intact, text and attribute values escaped as
  // browsers write them, line breaks as in the text.
  std::string outerHTML() const;
  std::string innerHTML() const;
  // The absolute address of the href attribute, against the document's base;
  // empty when the element has none.
  std::string href() const;
  // The src attribute as written; nothing when the element has none.
  std::optional<std::string> src() const;
  // BODY: its text colour ("#rrggbb" or empty); any other element: its text.
  std::string text() const;
  // The background colour: "#rrggbb" in lower case, empty when absent.
  std::string bgColor() const;
  std::string tagname() const;  // upper case
  std::string nodename() const { return tagname(); }
  std::shared_ptr<Document> document() const;
  std::optional<std::string> getAttribute(std::string_view name) const;

  // Inserts markup parsed in the element's context. `where` is "BeforeBegin",
  // "AfterBegin", "BeforeEnd" or "AfterEnd" (any letter case).
  void insertAdjacentHtml(std::string_view where, std::string_view markup) const;
  // Inserts plain text at the same positions.
  void insertAdjacentText(std::string_view where, std::string_view text) const;

 private:
  Node* Checked() const;
  std::shared_ptr<Document> doc_;
  Node* node_ = nullptr;
};

class Document : public std::enable_shared_from_this<Document> {
  struct Key {};

 public:
  // Parses UTF-8 text; `address` is the page's own address (a file:/// one for
  // a local file), against which links resolve when the page has no BASE.
  static std::shared_ptr<Document> Parse(std::string_view utf8, std::string address,
                                         std::string readyState = "complete");
  // A document without any node but itself (a page still loading).
  static std::shared_ptr<Document> Empty(std::string address, std::string readyState);

  Document(Key, std::string address, std::string readyState);
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  const std::string& address() const { return address_; }
  const std::string& readystate() const { return readyState_; }
  void SetReadyState(std::string state) { readyState_ = std::move(state); }

  Collection getElementsByTagName(std::string_view name);
  // The A and AREA elements with an href attribute, in document order.
  Collection links();
  // The elements whose name attribute or id equals `name` (each once).
  Collection getElementsByName(std::string_view name);
  // The first TITLE's text, blanks collapsed.
  std::string title() const;
  // Replaces the first TITLE's text; creates a TITLE in HEAD when none.
  void title(std::string_view text);
  // The address links resolve against: the first BASE with an href, else the
  // document's own address.
  const std::string& BaseUrl();
  // The root element (HTML), or an empty handle.
  Element documentElement();
  // The whole document's markup, doctype included.
  std::string Serialize() const;

  const Node* root() const { return root_; }
  Node* root() { return root_; }
  std::size_t NodeCount() const { return nodeCount_; }

  // Used by the element handles.
  const std::vector<Node*>& LinkNodes();
  void InsertMarkup(Node* target, std::string_view where, std::string_view markup);
  void InsertText(Node* target, std::string_view where, std::string_view text);

 private:
  Node* NewNode(NodeKind kind);
  void NoteInserted(const Node* first, const Node* last);

  std::string address_;
  std::string readyState_;
  Node* root_ = nullptr;
  std::vector<std::unique_ptr<Node[]>> chunks_;
  std::size_t chunkUsed_ = 0;
  std::size_t chunkSize_ = 0;
  std::size_t nodeCount_ = 0;

  std::shared_ptr<std::vector<Node*>> links_;
  bool linksStale_ = true;
  std::unordered_map<std::string, std::vector<Node*>> names_;
  bool namesStale_ = true;
  std::string base_;
  bool baseStale_ = true;

  friend struct TreeBuilder;
};

// Markup of a node and its descendants (includeSelf) or of its children only.
void SerializeNode(const Node* node, bool includeSelf, std::string& out);

// The document's DOCTYPE with its public and system identifiers, as in
// `<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">`; empty when it has
// none.
std::string DoctypeMarkup(const Document& doc);

}  // namespace html
}  // namespace vex
