#include "platform/json.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/text.h"

namespace vex::json {

namespace {

const Value& NullValue() {
  static const Value kNull;
  return kNull;
}

class Parser {
 public:
  Parser(std::string_view text, int maxDepth) : s_(text), maxDepth_(maxDepth) {}

  std::optional<Value> Document() {
    Value v;
    SkipBlanks();
    if (!ParseValue(v, 0)) return std::nullopt;
    SkipBlanks();
    if (i_ != s_.size()) return std::nullopt;
    return v;
  }

 private:
  void SkipBlanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
      ++i_;
  }

  bool Literal(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }

  bool ParseValue(Value& v, int depth) {
    if (i_ >= s_.size()) return false;
    switch (s_[i_]) {
      case '{':
        return ParseObject(v, depth + 1);
      case '[':
        return ParseArray(v, depth + 1);
      case '"':
        v.kind = Value::Kind::String;
        return ParseString(v.text);
      case 't':
        v.kind = Value::Kind::Bool;
        v.boolean = true;
        return Literal("true");
      case 'f':
        v.kind = Value::Kind::Bool;
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return ParseNumber(v);
    }
  }

  bool ParseObject(Value& v, int depth) {
    if (depth > maxDepth_) return false;
    v.kind = Value::Kind::Object;
    ++i_;  // {
    SkipBlanks();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return true;
    }
    for (;;) {
      SkipBlanks();
      Member m;
      if (i_ >= s_.size() || s_[i_] != '"' || !ParseString(m.key)) return false;
      SkipBlanks();
      if (i_ >= s_.size() || s_[i_] != ':') return false;
      ++i_;
      SkipBlanks();
      if (!ParseValue(m.value, depth)) return false;
      v.members.push_back(std::move(m));
      SkipBlanks();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == '}') {
        ++i_;
        return true;
      }
      if (s_[i_] != ',') return false;
      ++i_;
    }
  }

  bool ParseArray(Value& v, int depth) {
    if (depth > maxDepth_) return false;
    v.kind = Value::Kind::Array;
    ++i_;  // [
    SkipBlanks();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      return true;
    }
    for (;;) {
      SkipBlanks();
      Value item;
      if (!ParseValue(item, depth)) return false;
      v.items.push_back(std::move(item));
      SkipBlanks();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ']') {
        ++i_;
        return true;
      }
      if (s_[i_] != ',') return false;
      ++i_;
    }
  }

  bool Hex4(std::uint32_t& out) {
    if (s_.size() - i_ < 4) return false;
    out = 0;
    for (int k = 0; k < 4; ++k) {
      char c = s_[i_++];
      out <<= 4;
      if (c >= '0' && c <= '9')
        out |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        out |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        out |= static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }

  bool ParseString(std::string& out) {
    ++i_;  // opening quote
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            // A high surrogate pairs with a following \uDC00..\uDFFF.
            std::uint32_t low = 0;
            std::size_t save = i_;
            if (s_.substr(i_, 2) == "\\u") {
              i_ += 2;
              if (!Hex4(low)) return false;
            }
            if (low >= 0xDC00 && low <= 0xDFFF) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              i_ = save;
              cp = 0xFFFD;
            }
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = 0xFFFD;  // a lone low surrogate has no character
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          return false;
      }
    }
    return false;  // unterminated
  }

  bool ParseNumber(Value& v) {
    std::size_t start = i_;
    auto digits = [&] {
      std::size_t from = i_;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
      return i_ > from;
    };
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    if (i_ < s_.size() && s_[i_] == '0') {
      ++i_;
    } else if (!digits()) {
      return false;
    }
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      if (!digits()) return false;
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
      if (!digits()) return false;
    }
    double d = 0;
    auto [end, ec] = std::from_chars(s_.data() + start, s_.data() + i_, d);
    // Out of range keeps the parse valid; strtod gives the infinity or 0.
    if (ec == std::errc::result_out_of_range)
      d = std::strtod(std::string(s_.substr(start, i_ - start)).c_str(), nullptr);
    else if (ec != std::errc() || end != s_.data() + i_)
      return false;
    v.kind = Value::Kind::Number;
    v.number = d;
    return true;
  }

  std::string_view s_;
  std::size_t i_ = 0;
  int maxDepth_;
};

}  // namespace

const Value& Value::operator[](std::string_view key) const {
  if (kind != Kind::Object) return NullValue();
  for (const Member& m : members)
    if (m.key == key) return m.value;
  return NullValue();
}

const Value& Value::At(std::size_t i) const {
  if (kind != Kind::Array || i >= items.size()) return NullValue();
  return items[i];
}

std::string Value::StringOr(std::string_view fallback) const {
  return kind == Kind::String ? text : std::string(fallback);
}

long long Value::IntOr(long long fallback) const {
  if (kind != Kind::Number || !std::isfinite(number) || number != std::floor(number))
    return fallback;
  if (number < -9.0e18 || number > 9.0e18) return fallback;
  return static_cast<long long>(number);
}

std::optional<Value> Parse(std::string_view text, int maxDepth) {
  return Parser(text, maxDepth).Document();
}

}  // namespace vex::json
