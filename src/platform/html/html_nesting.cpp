#include "platform/html/html_nesting.h"

#include <array>
#include <vector>

namespace vex::html {

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

template <std::size_t N>
bool OneOf(std::string_view name, const std::array<std::string_view, N>& names) {
  for (std::string_view n : names) {
    if (n == name) return true;
  }
  return false;
}

constexpr std::array<std::string_view, 19> kVoid = {
    "area", "base",  "basefont", "bgsound", "br",   "col",   "embed",  "frame", "hr", "image",
    "img",  "input", "keygen",   "link",    "meta", "param", "source", "track", "wbr"};
constexpr std::array<std::string_view, 8> kRawText = {"script", "style",  "textarea", "title",
                                                      "xmp",    "iframe", "noembed",  "noframes"};
// Start tags that end an open paragraph.
constexpr std::array<std::string_view, 30> kClosesParagraph = {
    "address", "article", "aside",    "blockquote", "center", "details", "dialog", "dir",
    "div",     "dl",      "fieldset", "figcaption", "figure", "footer",  "header", "hgroup",
    "h1",      "h2",      "h3",       "h4",         "h5",     "h6",      "hr",     "main",
    "menu",    "nav",     "ol",       "p",          "table",  "ul"};

class OpenElements {
 public:
  std::size_t size() const { return names_.size(); }
  const std::string& top() const { return names_.back(); }
  bool InForeign() const { return foreign_ > 0; }

  void Push(std::string name) {
    if (name == "svg" || name == "math") ++foreign_;
    names_.push_back(std::move(name));
  }
  void Pop() {
    if (names_.back() == "svg" || names_.back() == "math") --foreign_;
    names_.pop_back();
  }
  // Pops down to and including the innermost `name`, searching no further
  // than an element of `stops`; false when there is none.
  template <std::size_t N>
  bool PopTo(std::string_view name, const std::array<std::string_view, N>& stops) {
    for (std::size_t k = names_.size(); k-- > 0;) {
      if (names_[k] == name) {
        while (names_.size() > k) Pop();
        return true;
      }
      if (OneOf(names_[k], stops)) return false;
    }
    return false;
  }
  bool PopTo(std::string_view name) { return PopTo(name, std::array<std::string_view, 0>{}); }

  // The start tag `name` ends some open elements by itself.
  void ImpliedEnds(std::string_view name) {
    if (name == "li") {
      PopTo("li", std::array<std::string_view, 3>{"ul", "ol", "menu"});
    } else if (name == "dt" || name == "dd") {
      if (!PopTo("dt", std::array<std::string_view, 1>{"dl"})) {
        PopTo("dd", std::array<std::string_view, 1>{"dl"});
      }
    } else if (name == "option" || name == "optgroup") {
      if (!names_.empty() && top() == "option") Pop();
    } else if (name == "tr") {
      PopTo("tr", std::array<std::string_view, 1>{"table"});
    } else if (name == "td" || name == "th") {
      if (!PopTo("td", std::array<std::string_view, 2>{"tr", "table"})) {
        PopTo("th", std::array<std::string_view, 2>{"tr", "table"});
      }
    }
    if (!names_.empty() && top() == "p" && OneOf(name, kClosesParagraph)) Pop();
    // Rows and cells straight in a table get the sections the parser adds.
    if ((name == "tr" || name == "td" || name == "th") && !names_.empty() && top() == "table") {
      Push("tbody");
    }
    if ((name == "td" || name == "th") && !names_.empty() &&
        (top() == "tbody" || top() == "thead" || top() == "tfoot")) {
      Push("tr");
    }
  }

 private:
  std::vector<std::string> names_;
  int foreign_ = 0;
};

// The position of the ">" that ends the tag whose name ends at `from`, or
// the end of the page; quoted attribute values may hold ">".
std::size_t TagEnd(std::string_view page, std::size_t from) {
  char quote = 0;
  char before = 0;  // the last character outside blanks
  for (std::size_t j = from; j < page.size(); ++j) {
    const char c = page[j];
    if (quote) {
      if (c == quote) quote = 0;
    } else if ((c == '"' || c == '\'') && before == '=') {
      quote = c;
    } else if (c == '>') {
      return j;
    }
    if (!IsBlank(c)) before = c;
  }
  return page.size();
}

// Where the end tag of raw text element `name` begins, or the end of the page.
std::size_t RawTextEnd(std::string_view page, std::size_t from, std::string_view name) {
  for (std::size_t j = page.find("</", from); j != std::string_view::npos;
       j = page.find("</", j + 2)) {
    if (j + 2 + name.size() > page.size()) break;
    bool same = true;
    for (std::size_t k = 0; same && k < name.size(); ++k) {
      same = Lower(page[j + 2 + k]) == name[k];
    }
    if (!same) continue;
    const std::size_t after = j + 2 + name.size();
    if (after == page.size() || IsBlank(page[after]) || page[after] == '/' || page[after] == '>') {
      return j;
    }
  }
  return page.size();
}

}  // namespace

std::optional<std::string> BoundNesting(std::string_view page, std::size_t maxDepth) {
  std::optional<std::string> out;
  std::size_t copied = 0;
  OpenElements open;
  std::size_t i = 0;
  while ((i = page.find('<', i)) != std::string_view::npos) {
    const std::size_t lt = i;
    if (page.substr(i, 4) == "<!--") {
      const std::size_t end = page.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    if (i + 1 < page.size() && (page[i + 1] == '!' || page[i + 1] == '?')) {
      i = page.find('>', i);
      if (i == std::string_view::npos) break;
      continue;
    }
    const bool endTag = i + 1 < page.size() && page[i + 1] == '/';
    const std::size_t nameStart = i + 1 + (endTag ? 1 : 0);
    if (nameStart >= page.size() || !IsLetter(page[nameStart])) {
      i = nameStart;
      continue;
    }
    std::size_t nameEnd = nameStart;
    std::string name;
    while (nameEnd < page.size() && !IsBlank(page[nameEnd]) && page[nameEnd] != '/' &&
           page[nameEnd] != '>') {
      name.push_back(Lower(page[nameEnd]));
      ++nameEnd;
    }
    const std::size_t tagEnd = TagEnd(page, nameEnd);
    i = tagEnd;
    if (endTag) {
      (void)open.PopTo(name);
      continue;
    }
    if (!open.InForeign()) {
      if (OneOf(name, kVoid)) continue;
      if (name == "plaintext") break;  // the rest of the page is text
      open.ImpliedEnds(name);
    } else if (tagEnd > nameEnd && page[tagEnd - 1] == '/') {
      continue;  // self-closing in SVG and MathML
    }
    if (open.size() >= maxDepth && open.size() > 0) {
      if (!out) out.emplace();
      out->append(page, copied, lt - copied);
      *out += "</" + open.top() + ">";
      copied = lt;
      open.Pop();
    }
    const bool raw = !open.InForeign() && OneOf(name, kRawText);
    open.Push(std::move(name));
    if (raw) i = RawTextEnd(page, tagEnd, open.top());
  }
  if (out) out->append(page, copied, std::string_view::npos);
  return out;
}

}  // namespace vex::html
