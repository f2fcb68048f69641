// A small JSON reader for the browsers' own files and answers (session
// files, the debugging port's page list). Reads only; keeps members in
// document order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vex::json {

struct Member;

struct Value {
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;             // String: decoded to UTF-8
  std::vector<Value> items;     // Array
  std::vector<Member> members;  // Object, in document order

  bool IsObject() const { return kind == Kind::Object; }
  bool IsArray() const { return kind == Kind::Array; }
  bool IsString() const { return kind == Kind::String; }
  bool IsNumber() const { return kind == Kind::Number; }

  // The first member called `key`; a null value when this is no object or
  // has no such member, so lookups can be chained.
  const Value& operator[](std::string_view key) const;
  // Item i (0-based) of an array; a null value when out of range.
  const Value& At(std::size_t i) const;
  std::size_t Size() const { return kind == Kind::Array ? items.size() : 0; }

  // The text of a string, else `fallback`.
  std::string StringOr(std::string_view fallback = {}) const;
  // A number that is a whole value within long long, else `fallback`.
  long long IntOr(long long fallback) const;
};

struct Member {
  std::string key;
  Value value;
};

// Parses one JSON text (RFC 8259, surrounding white space allowed).
// Nothing when the text is malformed or nested deeper than `maxDepth`.
std::optional<Value> Parse(std::string_view text, int maxDepth = 512);

}  // namespace vex::json
