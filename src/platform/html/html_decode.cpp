#include "platform/html/html_decode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "platform/text/encoding_detect.h"
#include "platform/text/encoding_labels.h"
#include "platform/text/text.h"
#include "platform/text/text_decoder.h"

namespace vex {

namespace {

bool IsSpaceByte(char c) {
  return c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

char LowerByte(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string TrimSpaces(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsSpaceByte(s[b])) ++b;
  while (e > b && IsSpaceByte(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// --- The prescan of the first 1024 bytes ---

class Prescan {
 public:
  explicit Prescan(std::string_view bytes) : s_(bytes.substr(0, 1024)) {}

  std::string Run() {
    while (p_ < s_.size()) {
      if (At("<!--")) {
        std::size_t end = s_.find("-->", p_ + 2);
        if (end == std::string_view::npos) return {};
        p_ = end + 3;
      } else if (AtMeta()) {
        p_ += 6;
        if (std::string enc = ReadMeta(); !enc.empty()) return enc;
      } else if (AtTag()) {
        while (p_ < s_.size() && !IsSpaceByte(s_[p_]) && s_[p_] != '>') ++p_;
        while (ReadAttribute()) {
        }
        ++p_;
      } else if (At("<!") || At("</") || At("<?")) {
        std::size_t end = s_.find('>', p_ + 2);
        if (end == std::string_view::npos) return {};
        p_ = end + 1;
      } else {
        ++p_;
      }
    }
    return {};
  }

 private:
  bool At(std::string_view t) const { return s_.substr(p_, t.size()) == t; }

  bool AtMeta() const {
    if (p_ + 6 > s_.size()) return false;
    if (LowerAscii(s_.substr(p_, 5)) != "<meta") return false;
    char c = s_[p_ + 5];
    return IsSpaceByte(c) || c == '/';
  }

  bool AtTag() const {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (p_ + 1 < s_.size() && s_[p_] == '<' && letter(s_[p_ + 1])) return true;
    return p_ + 2 < s_.size() && s_[p_] == '<' && s_[p_ + 1] == '/' && letter(s_[p_ + 2]);
  }

  std::string ReadMeta() {
    std::vector<std::string> seen;
    bool gotPragma = false;
    std::optional<bool> needPragma;
    std::string charset;
    while (ReadAttribute()) {
      bool dup = false;
      for (const auto& n : seen) dup = dup || n == name_;
      if (dup) continue;
      seen.push_back(name_);
      if (name_ == "http-equiv") {
        if (value_ == "content-type") gotPragma = true;
      } else if (name_ == "content") {
        if (charset.empty()) {
          if (auto found = CharsetFromMetaContent(value_)) {
            charset = EncodingForLabel(*found);
            needPragma = true;
          }
        }
      } else if (name_ == "charset") {
        charset = EncodingForLabel(value_);
        needPragma = false;
      }
    }
    if (!needPragma) return {};
    if (*needPragma && !gotPragma) return {};
    if (charset.empty()) return {};
    // A page that could be read as ASCII to find the declaration is not
    // UTF-16 whatever it says; x-user-defined in a page means windows-1252.
    if (charset == "UTF-16LE" || charset == "UTF-16BE") return "UTF-8";
    if (charset == "x-user-defined") return "windows-1252";
    return charset;
  }

  // One attribute at p_ into name_/value_ (both lower case); false when the
  // tag ends or the bytes run out.
  bool ReadAttribute() {
    name_.clear();
    value_.clear();
    while (p_ < s_.size() && (IsSpaceByte(s_[p_]) || s_[p_] == '/')) ++p_;
    if (p_ >= s_.size() || s_[p_] == '>') return false;
    for (;; ++p_) {
      if (p_ >= s_.size()) return false;
      char c = s_[p_];
      if (c == '=' && !name_.empty()) {
        ++p_;
        return ReadValue();
      }
      if (IsSpaceByte(c)) break;
      if (c == '/' || c == '>') return true;
      name_ += LowerByte(c);
    }
    while (p_ < s_.size() && IsSpaceByte(s_[p_])) ++p_;
    if (p_ >= s_.size()) return false;
    if (s_[p_] != '=') return true;
    ++p_;
    return ReadValue();
  }

  bool ReadValue() {
    while (p_ < s_.size() && IsSpaceByte(s_[p_])) ++p_;
    if (p_ >= s_.size()) return false;
    char c = s_[p_];
    if (c == '"' || c == '\'') {
      for (++p_; p_ < s_.size(); ++p_) {
        if (s_[p_] == c) {
          ++p_;
          return true;
        }
        value_ += LowerByte(s_[p_]);
      }
      return false;
    }
    if (c == '>') return true;
    for (; p_ < s_.size(); ++p_) {
      if (IsSpaceByte(s_[p_]) || s_[p_] == '>') return true;
      value_ += LowerByte(s_[p_]);
    }
    return false;
  }

  static std::optional<std::string> CharsetFromMetaContent(std::string_view v) {
    std::size_t p = 0;
    while (true) {
      std::size_t at = LowerAscii(v).find("charset", p);
      if (at == std::string::npos) return std::nullopt;
      p = at + 7;
      while (p < v.size() && IsSpaceByte(v[p])) ++p;
      if (p >= v.size() || v[p] != '=') continue;
      ++p;
      while (p < v.size() && IsSpaceByte(v[p])) ++p;
      if (p >= v.size()) return std::nullopt;
      if (v[p] == '"' || v[p] == '\'') {
        std::size_t close = v.find(v[p], p + 1);
        if (close == std::string_view::npos) return std::nullopt;
        return std::string(v.substr(p + 1, close - p - 1));
      }
      std::size_t end = p;
      while (end < v.size() && !IsSpaceByte(v[end]) && v[end] != ';') ++end;
      return std::string(v.substr(p, end - p));
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
  std::string name_, value_;
};

}  // namespace

std::string CharsetOfContentType(std::string_view contentType) {
  std::size_t semi = contentType.find(';');
  while (semi != std::string_view::npos) {
    std::string_view rest = contentType.substr(semi + 1);
    std::size_t next = rest.find(';');
    std::string_view param = rest.substr(0, next);
    std::size_t eq = param.find('=');
    if (eq != std::string_view::npos && LowerAscii(TrimSpaces(param.substr(0, eq))) == "charset") {
      std::string value = TrimSpaces(param.substr(eq + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return value;
    }
    semi = next == std::string_view::npos ? next : semi + 1 + next;
  }
  return {};
}

std::string PrescanCharset(std::string_view bytes) {
  return Prescan(bytes).Run();
}

std::string HeaderValue(std::string_view headerBlock, std::string_view name) {
  std::string found;
  std::string wanted = LowerAscii(name);
  std::size_t at = 0;
  while (at < headerBlock.size()) {
    std::size_t end = headerBlock.find('\n', at);
    std::string_view line =
        headerBlock.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    std::size_t colon = line.find(':');
    if (colon != std::string_view::npos &&
        LowerAscii(TrimSpaces(line.substr(0, colon))) == wanted) {
      found = TrimSpaces(line.substr(colon + 1));
    }
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return found;
}

std::string XmlDeclarationCharset(std::string_view bytes) {
  if (!StartsWith(bytes, "<?xml")) return {};
  const std::size_t end = bytes.substr(0, 1024).find("?>");
  if (end == std::string_view::npos) return {};
  const std::string_view declaration = bytes.substr(0, end);
  std::size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  at += 8;
  while (at < declaration.size() && IsSpaceByte(declaration[at])) ++at;
  if (at >= declaration.size() || declaration[at] != '=') return {};
  ++at;
  while (at < declaration.size() && IsSpaceByte(declaration[at])) ++at;
  if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
  const std::size_t close = declaration.find(declaration[at], at + 1);
  if (close == std::string_view::npos) return {};
  const std::string encoding = EncodingForLabel(declaration.substr(at + 1, close - at - 1));
  // As in a meta declaration: bytes read as ASCII are not UTF-16.
  if (encoding == "UTF-16LE" || encoding == "UTF-16BE") return "UTF-8";
  return encoding;
}

DecodedPage DecodePage(std::string_view bytes, std::string_view contentType) {
  DecodedPage page;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
    page.encoding = "UTF-8";
  } else if (StartsWith(bytes, "\xFE\xFF")) {
    bytes.remove_prefix(2);
    page.encoding = "UTF-16BE";
  } else if (StartsWith(bytes, "\xFF\xFE")) {
    bytes.remove_prefix(2);
    page.encoding = "UTF-16LE";
  }
  if (page.encoding.empty()) page.encoding = EncodingForLabel(CharsetOfContentType(contentType));
  if (page.encoding.empty()) page.encoding = PrescanCharset(bytes);
  if (page.encoding.empty()) page.encoding = XmlDeclarationCharset(bytes);
  if (page.encoding.empty()) page.encoding = DetectEncoding(bytes);
  if (page.encoding.empty()) page.encoding = "UTF-8";
  page.text = DecodeToUtf8(bytes, page.encoding);
  return page;
}

}  // namespace vex
