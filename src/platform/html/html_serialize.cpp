// Writing the tree back as markup, the way browsers serialize an element
// (the fragment serialization of HTML): every text line stays where it was.
#include <string_view>

#include "platform/html/html_document.h"

namespace vex::html {

namespace {

bool IsVoid(const Node* n) {
  if (n->ns != Namespace::Html) return false;
  static constexpr std::string_view kVoid[] = {
      "area", "base",  "basefont", "bgsound", "br",   "col",   "embed",  "frame", "hr",
      "img",  "input", "keygen",   "link",    "meta", "param", "source", "track", "wbr"};
  for (std::string_view v : kVoid) {
    if (n->value == v) return true;
  }
  return false;
}

// Text inside these elements is written as it is, without escapes; but not
// below an SVG or MathML element, where the parser that reads the markup
// again may take the same element for a foreign one, whose text is markup.
bool HoldsRawText(const Node* n) {
  if (!n || n->kind != NodeKind::Element || n->ns != Namespace::Html) return false;
  for (const Node* a = n->parent; a && a->kind == NodeKind::Element; a = a->parent) {
    if (a->ns != Namespace::Html) return false;
  }
  static constexpr std::string_view kRaw[] = {"style",   "script",   "xmp",      "iframe",
                                              "noembed", "noframes", "plaintext"};
  for (std::string_view v : kRaw) {
    if (n->value == v) return true;
  }
  return false;
}

// A name that reads back as one name and nothing else: no blank, quote,
// slash, equals sign, angle bracket or control character. The parser can
// hand us others (an attribute named a"b, an unknown element whose source
// text was mangled), and written as they are they would open new markup.
bool IsWritableName(std::string_view name) {
  if (name.empty()) return false;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F || ch == '"' || ch == '\'' || ch == '/' || ch == '=' || ch == '<' ||
        ch == '>') {
      return false;
    }
  }
  return true;
}

// An element whose tags can be written; one that cannot is left out with its
// attributes, and only its content is written.
bool HasWritableTags(const Node* n) {
  if (n->kind != NodeKind::Element) return false;
  const char first = n->value.empty() ? '\0' : n->value[0];
  const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
  return letter && IsWritableName(n->value);
}

// Escapes &, U+00A0 and either < > (text) or " < > (attribute values; angle
// brackets too, so that a value never reads as markup to a parser that ends
// the element early, as a browser running scripts does inside NOSCRIPT).
void AppendEscaped(std::string& out, std::string_view s, bool attribute) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    std::string_view rep;
    std::size_t skip = 1;
    if (c == '&') {
      rep = "&amp;";
    } else if (c == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') {
      rep = "&nbsp;";
      skip = 2;
    } else if (attribute && c == '"') {
      rep = "&quot;";
    } else if (c == '<') {
      rep = "&lt;";
    } else if (c == '>') {
      rep = "&gt;";
    } else {
      continue;
    }
    out.append(s, start, i - start);
    out.append(rep);
    i += skip - 1;
    start = i + 1;
  }
  out.append(s, start, std::string_view::npos);
}

void AppendStart(std::string& out, const Node* n) {
  switch (n->kind) {
    case NodeKind::Element:
      if (!HasWritableTags(n)) break;
      out += '<';
      out += n->value;
      for (const auto& a : n->attributes) {
        if (!IsWritableName(a.name)) continue;
        out += ' ';
        out += a.name;
        out += "=\"";
        AppendEscaped(out, a.value, true);
        out += '"';
      }
      out += '>';
      break;
    case NodeKind::Text:
      if (HoldsRawText(n->parent)) {
        out += n->value;
      } else {
        AppendEscaped(out, n->value, false);
      }
      break;
    case NodeKind::Comment:
      out += "<!--";
      out += n->value;
      out += "-->";
      break;
    case NodeKind::Doctype:
      out += "<!DOCTYPE ";
      out += n->value;
      out += '>';
      break;
    case NodeKind::Document:
      break;
  }
}

void AppendEnd(std::string& out, const Node* n) {
  if (!HasWritableTags(n) || IsVoid(n)) return;
  out += "</";
  out += n->value;
  out += '>';
}

}  // namespace

void SerializeNode(const Node* top, bool includeSelf, std::string& out) {
  if (includeSelf) AppendStart(out, top);
  if (!includeSelf || !IsVoid(top)) {
    const Node* n = top->firstChild;
    while (n) {
      AppendStart(out, n);
      if (n->firstChild && !IsVoid(n)) {
        n = n->firstChild;
        continue;
      }
      AppendEnd(out, n);
      while (!n->next) {
        n = n->parent;
        if (n == top) break;
        AppendEnd(out, n);
      }
      if (n == top) break;
      n = n->next;
    }
  }
  if (includeSelf) AppendEnd(out, top);
}

std::string DoctypeMarkup(const Document& doc) {
  const Node* root = doc.root();
  for (const Node* n = root ? root->firstChild : nullptr; n; n = n->next) {
    if (n->kind != NodeKind::Doctype) continue;
    // The identifiers decide whether a browser renders in standards or
    // quirks mode, so they are written as read.
    const Attribute* publicId = n->FindAttribute("public");
    const Attribute* systemId = n->FindAttribute("system");
    std::string out = "<!DOCTYPE " + n->value;
    if (publicId) out += " PUBLIC \"" + publicId->value + "\"";
    if (systemId) out += std::string(publicId ? "" : " SYSTEM") + " \"" + systemId->value + "\"";
    return out + ">";
  }
  return {};
}

}  // namespace vex::html
