#include "context/file_address.h"

#include <filesystem>

#include "platform/text/text.h"

namespace vex {

namespace {
bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

bool HasAddressScheme(std::string_view text) {
  if (text.empty() || !IsAsciiLetter(text[0])) return false;
  std::size_t i = 0;
  while (i < text.size() && (IsAsciiLetter(text[i]) || IsAsciiDigit(text[i]) || text[i] == '+' ||
                             text[i] == '-' || text[i] == '.')) {
    ++i;
  }
  if (i < 2 || i >= text.size() || text[i] != ':') return false;
  return text.substr(i + 1, 2) == "//" || EqualsIgnoreCase(text.substr(0, i), "file");
}

std::string PercentEncodePath(std::string_view path) {
  static constexpr std::string_view kKeep = "-._~/!$'()*+,;=:@";
  std::string out;
  out.reserve(path.size());
  for (char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsAsciiLetter(ch) || IsAsciiDigit(ch) || kKeep.find(ch) != std::string_view::npos) {
      out.push_back(ch);
    } else {
      AppendPercentEscape(out, c);
    }
  }
  return out;
}

std::string AddressForAttribute(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  for (char ch : address) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '&') {
      out += "&amp;";
    } else if (c <= 0x20 || c == 0x7F || ch == '"' || ch == '<' || ch == '>') {
      AppendPercentEscape(out, c);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string FileAddressForPath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) absolute = path;
  // "/home/a.html" becomes "file:///home/a.html".
  return "file://" + PercentEncodePath(absolute.lexically_normal().string());
}

}  // namespace vex
