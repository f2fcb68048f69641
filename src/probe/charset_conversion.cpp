#include "probe/charset_conversion.h"

#include <algorithm>
#include <vector>

#include "platform/text/text.h"

namespace vex {

namespace {

bool IsEucLead(std::uint8_t b) {
  return b >= 0xA1 && b <= 0xFE;
}
bool IsEucKana(std::uint8_t b) {
  return b >= 0xA1 && b <= 0xDF;
}
bool IsContinuation(std::uint8_t b) {
  return (b & 0xC0) == 0x80;
}

enum class Utf8Rule { Strict, Lenient };

bool IsHighSurrogate(std::uint32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(std::uint32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Decodes into characters; false when the text is ill-formed.
bool DecodeUtf8(std::string_view text, Utf8Rule rule, std::vector<std::uint32_t>& chars) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 1;
    if (lead >= 0x80) {
      if (rule == Utf8Rule::Lenient && lead >= 0xF0) {
        length = 4;
      } else {
        length = (lead & 0x20) ? 3 : 2;
      }
    }
    const std::size_t available = std::min(length, text.size() - i);
    for (std::size_t k = 1; k < available; ++k) {
      if (!IsContinuation(static_cast<std::uint8_t>(text[i + k]))) return false;
    }
    if (available < length) return rule == Utf8Rule::Lenient;  // cut last character
    auto trail = [&](std::size_t k) -> std::uint32_t {
      return static_cast<std::uint8_t>(text[i + k]) & 0x3F;
    };
    switch (length) {
      case 1:
        chars.push_back(lead);
        break;
      case 2:
        chars.push_back(((lead & 0x1Fu) << 6) | trail(1));
        break;
      case 3:
        // Sixteen bits: the lead's low four bits carry the top of the value.
        chars.push_back(((lead & 0x0Fu) << 12) | (trail(1) << 6) | trail(2));
        break;
      default: {
        const std::uint32_t cp =
            ((lead & 0x07u) << 18) | (trail(1) << 12) | (trail(2) << 6) | trail(3);
        chars.push_back(cp > 0x10FFFF ? 0xFFFD : cp);
        break;
      }
    }
    i += length;
  }
  return true;
}

// Well-formed UTF-8 of the decoded characters: a pair of surrogates (three-byte
// halves) becomes its character, a lone surrogate U+FFFD.
std::string EncodeUtf8(const std::vector<std::uint32_t>& chars) {
  std::string out;
  out.reserve(chars.size() * 3);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    std::uint32_t cp = chars[i];
    if (IsHighSurrogate(cp) && i + 1 < chars.size() && IsLowSurrogate(chars[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (chars[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Utf8To(std::string_view text, const std::string& codePage, Utf8Rule rule) {
  std::vector<std::uint32_t> chars;
  chars.reserve(text.size());
  if (!DecodeUtf8(text, rule, chars)) return {};
  std::string out;
  if (!ConvertCharset(EncodeUtf8(chars), "UTF-8", codePage, out, OnInvalid::Replace)) return {};
  return out;
}

}  // namespace

std::string JisToSjis(std::uint8_t row, std::uint8_t cell) {
  if (row <= 0x20 || row > 0x7E) return {};
  std::uint8_t second;
  if (row & 1) {
    second = static_cast<std::uint8_t>(cell + (cell < 0x60 ? 0x1F : 0x20));
  } else {
    second = static_cast<std::uint8_t>(cell + 0x7E);
  }
  const auto first = static_cast<std::uint8_t>(((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0));
  return {static_cast<char>(first), static_cast<char>(second)};
}

std::string EucToSjis(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    const bool hasNext = i + 1 < text.size();
    const auto next = hasNext ? static_cast<std::uint8_t>(text[i + 1]) : std::uint8_t{0};
    if (IsEucLead(b) && hasNext && next >= 0x80) {
      out += JisToSjis(static_cast<std::uint8_t>(b - 0x80), static_cast<std::uint8_t>(next - 0x80));
      i += 2;
    } else if (b == 0x8E && hasNext && IsEucKana(next)) {
      out += static_cast<char>(next);
      i += 2;
    } else if (IsEucLead(b) || (b == 0x8E && !hasNext)) {
      ++i;  // half a character: dropped
    } else {
      out += static_cast<char>(b);
      ++i;
    }
  }
  return out;
}

std::string Utf8ToLocal(std::string_view text, const std::string& codePage) {
  return Utf8To(text, codePage, Utf8Rule::Strict);
}

std::string Utf8ToLocalLenient(std::string_view text, const std::string& codePage) {
  return Utf8To(text, codePage, Utf8Rule::Lenient);
}

}  // namespace vex
