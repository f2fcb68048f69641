#include "platform/html/html_decode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "platform/text/encoding.h"
#include "platform/text/text.h"

namespace vex {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

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

struct LabelGroup {
  const char* encoding;
  std::initializer_list<std::string_view> labels;
};

// The labels pages use for the encodings that matter here, grouped as
// browsers group them (Latin-1 and ASCII labels mean windows-1252).
const std::array<LabelGroup, 16>& LabelGroups() {
  static const std::array<LabelGroup, 16> groups{{
      {"UTF-8",
       {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"}},
      {"CP932",
       {"csshiftjis", "ms932", "ms_kanji", "shift-jis", "shift_jis", "sjis", "windows-31j",
        "x-sjis", "cp932"}},
      {"EUC-JP", {"cseucpkdfmtjapanese", "euc-jp", "x-euc-jp"}},
      {"ISO-2022-JP", {"csiso2022jp", "iso-2022-jp"}},
      {"WINDOWS-1252",
       {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
        "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1",
        "us-ascii", "windows-1252", "x-cp1252", "x-user-defined"}},
      {"UTF-16LE",
       {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16", "utf-16le"}},
      {"UTF-16BE", {"unicodefffe", "utf-16be"}},
      {"GBK",
       {"chinese", "csgb2312", "csiso58gb231280", "gb2312", "gb_2312", "gb_2312-80", "gbk",
        "iso-ir-58", "x-gbk"}},
      {"GB18030", {"gb18030"}},
      {"BIG5-HKSCS", {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5"}},
      {"CP949",
       {"cseuckr", "csksc56011987", "euc-kr", "iso-ir-149", "korean", "ks_c_5601-1987",
        "ks_c_5601-1989", "ksc5601", "ksc_5601", "windows-949"}},
      {"WINDOWS-1254",
       {"cp1254", "csisolatin5", "iso-8859-9", "iso-ir-148", "iso8859-9", "iso88599", "iso_8859-9",
        "iso_8859-9:1989", "l5", "latin5", "windows-1254", "x-cp1254"}},
      {"CP874", {"dos-874", "iso-8859-11", "iso8859-11", "iso885911", "tis-620", "windows-874"}},
      {"KOI8-R", {"cskoi8r", "koi", "koi8", "koi8-r", "koi8_r"}},
      {"KOI8-U", {"koi8-ru", "koi8-u"}},
      {"ISO-8859-15",
       {"csisolatin9", "iso-8859-15", "iso8859-15", "iso885915", "iso_8859-15", "l9"}},
  }};
  return groups;
}

// windows-1252 differs from Latin-1 in 0x80..0x9F only.
constexpr std::array<std::uint16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string DecodeWindows1252(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 8);
  for (char ch : in) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      AppendUtf8(out, c >= 0xA0 ? c : kCp1252High[c - 0x80]);
    }
  }
  return out;
}

// Valid UTF-8 passes unchanged; every maximal invalid piece becomes one U+FFFD.
std::string RepairUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  std::size_t i = 0;
  const std::size_t n = in.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      std::size_t j = i;
      while (j < n && static_cast<unsigned char>(in[j]) < 0x80) ++j;
      out.append(in.substr(i, j - i));
      i = j;
      continue;
    }
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      need = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      need = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      need = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      out += kReplacement;
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    std::size_t got = 0;
    while (got < need && j < n) {
      auto t = static_cast<unsigned char>(in[j]);
      if (t < lo || t > hi) break;
      lo = 0x80;
      hi = 0xBF;
      ++j;
      ++got;
    }
    if (got == need) {
      out.append(in.substr(i, j - i));
    } else {
      out += kReplacement;
    }
    i = j;
  }
  return out;
}

std::string DecodeWith(std::string_view bytes, const std::string& encoding) {
  if (encoding == "UTF-8") return RepairUtf8(bytes);
  if (encoding == "WINDOWS-1252") return DecodeWindows1252(bytes);
  std::string out;
  if (!ConvertCharset(bytes, encoding, "UTF-8", out, OnInvalid::Replace)) return {};
  return out;
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
    if (charset == "UTF-16LE" || charset == "UTF-16BE") return "UTF-8";
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

std::string EncodingForLabel(std::string_view label) {
  std::string l = LowerAscii(TrimSpaces(label));
  if (l.empty()) return {};
  for (const auto& g : LabelGroups()) {
    for (std::string_view known : g.labels) {
      if (known == l) return g.encoding;
    }
  }
  // Other names the converter knows (iso-8859-2, windows-1251 ...).
  std::string upper = UpperAscii(l);
  if (IsKnownCharset(upper)) return upper;
  return {};
}

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

DecodedPage DecodePage(std::string_view bytes, std::string_view contentType) {
  std::string encoding;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
    encoding = "UTF-8";
  } else if (StartsWith(bytes, "\xFE\xFF")) {
    bytes.remove_prefix(2);
    encoding = "UTF-16BE";
  } else if (StartsWith(bytes, "\xFF\xFE")) {
    bytes.remove_prefix(2);
    encoding = "UTF-16LE";
  }
  if (encoding.empty()) encoding = EncodingForLabel(CharsetOfContentType(contentType));
  if (encoding.empty()) encoding = PrescanCharset(bytes);
  if (encoding.empty()) encoding = kLocalCodePage;
  DecodedPage page;
  page.encoding = encoding;
  page.text = DecodeWith(bytes, encoding);
  if (page.text.empty() && !bytes.empty()) {
    // The converter does not know the name after all: read it as UTF-8.
    page.encoding = "UTF-8";
    page.text = RepairUtf8(bytes);
  }
  return page;
}

}  // namespace vex
