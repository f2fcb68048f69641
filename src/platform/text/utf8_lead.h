// What may follow a UTF-8 lead byte: how many trail bytes, and the range of
// the first of them (the rest lie in 80..BF). Overlong forms, surrogates and
// code points past U+10FFFF are ruled out by those ranges.
#pragma once

#include <cstddef>
#include <optional>

namespace vex {

struct Utf8Lead {
  std::size_t trail;
  unsigned char lo;
  unsigned char hi;
};

// Nothing for a byte that cannot start a sequence (a trail byte, C0, C1, F5..FF).
inline std::optional<Utf8Lead> Utf8LeadOf(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return Utf8Lead{1, 0x80, 0xBF};
  if (c >= 0xE0 && c <= 0xEF)
    return Utf8Lead{2, static_cast<unsigned char>(c == 0xE0 ? 0xA0 : 0x80),
                    static_cast<unsigned char>(c == 0xED ? 0x9F : 0xBF)};
  if (c >= 0xF0 && c <= 0xF4)
    return Utf8Lead{3, static_cast<unsigned char>(c == 0xF0 ? 0x90 : 0x80),
                    static_cast<unsigned char>(c == 0xF4 ? 0x8F : 0xBF)};
  return std::nullopt;
}

}  // namespace vex
