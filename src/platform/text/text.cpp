#include "platform/text/text.h"

#include <charconv>

namespace vex {

void AppendPercentEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

namespace {
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
}  // namespace

std::string TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::size_t Pos(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (needle.empty() || from == 0) return 0;
  std::size_t p = haystack.find(needle, from - 1);
  return p == std::string_view::npos ? 0 : p + 1;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return !needle.empty() && haystack.find(needle) != std::string_view::npos;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  std::size_t i = 0;
  while (true) {
    std::size_t p = s.find(from, i);
    if (p == std::string_view::npos) break;
    out.append(s.substr(i, p - i));
    out.append(to);
    i = p + from.size();
  }
  out.append(s.substr(i));
  return out;
}

std::string ReplaceAllIgnoreCase(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  const std::string us = UpperAscii(s);
  const std::string uf = UpperAscii(from);
  std::string out;
  std::size_t i = 0;
  while (true) {
    std::size_t p = us.find(uf, i);
    if (p == std::string::npos) break;
    out.append(s.substr(i, p - i));
    out.append(to);
    i = p + from.size();
  }
  out.append(s.substr(i));
  return out;
}

long long ToIntOr(std::string_view s, long long fallback) {
  std::string t = Trim(s);
  if (t.empty()) return fallback;
  const char* b = t.data();
  const char* e = t.data() + t.size();
  if (*b == '+') ++b;
  long long v = 0;
  auto [ptr, ec] = std::from_chars(b, e, v);
  if (ec != std::errc() || ptr != e) return fallback;
  return v;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {

// &, < and > as entities; with `quotes` the double quote too.
std::string EscapeHtml(std::string_view s, bool quotes) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += quotes ? "&quot;" : "\"";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string EscapeHtmlText(std::string_view s) {
  return EscapeHtml(s, false);
}

std::string EscapeHtmlAttribute(std::string_view s) {
  return EscapeHtml(s, true);
}

}  // namespace vex
