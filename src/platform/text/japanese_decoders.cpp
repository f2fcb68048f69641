#include "platform/text/japanese_decoders.h"

#include <cstdint>
#include <vector>

#include "platform/text/encoding.h"
#include "platform/text/text.h"

namespace vex {

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

// Pointers into the Shift_JIS table: 188 cells for each of the 60 lead bytes.
// The rows of JIS X 0208 (94 by 94) are its first 8836 pointers, so EUC-JP
// and ISO-2022-JP read the same table; beyond them lie the user-defined area
// and the IBM extensions.
constexpr int kShiftJisPointers = 188 * 60;
constexpr int kJisRowsPointers = 94 * 94;
constexpr int kUserDefinedFirst = 8836;
constexpr int kUserDefinedLast = 10715;

char ShiftJisLead(int pointer) {
  const int lead = pointer / 188;
  return static_cast<char>(lead < 0x1F ? lead + 0x81 : lead + 0xC1);
}

char ShiftJisTrail(int pointer) {
  const int trail = pointer % 188;
  return static_cast<char>(trail < 0x3F ? trail + 0x40 : trail + 0x41);
}

// The system's CP932 converter gives the browsers' mapping for every pointer
// (NEC row 13, the NEC-selected and the IBM extensions, ～ as U+FF5E, ∥ as
// U+2225, － as U+FF0D, ￢ as U+FFE2), so the table is read from it once.
const std::vector<std::uint32_t>& Jis0208() {
  static const std::vector<std::uint32_t> table = [] {
    std::vector<std::string> characters;
    characters.reserve(kShiftJisPointers);
    for (int p = 0; p < kShiftJisPointers; ++p) {
      characters.push_back({ShiftJisLead(p), ShiftJisTrail(p)});
    }
    std::vector<std::uint32_t> points = CodePointsOf(characters, "CP932");
    points.resize(kShiftJisPointers, 0);
    for (int p = kUserDefinedFirst; p <= kUserDefinedLast; ++p) points[p] = 0;
    return points;
  }();
  return table;
}

// JIS X 0212, as EUC-JP writes it after 0x8F; the system's EUC-JP converter
// maps it as browsers do.
const std::vector<std::uint32_t>& Jis0212() {
  static const std::vector<std::uint32_t> table = [] {
    std::vector<std::string> characters;
    characters.reserve(kJisRowsPointers);
    for (int p = 0; p < kJisRowsPointers; ++p) {
      characters.push_back(
          {'\x8F', static_cast<char>(p / 94 + 0xA1), static_cast<char>(p % 94 + 0xA1)});
    }
    std::vector<std::uint32_t> points = CodePointsOf(characters, "EUC-JP");
    points.resize(kJisRowsPointers, 0);
    return points;
  }();
  return table;
}

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) {
  return b >= lo && b <= hi;
}

}  // namespace

std::string DecodeShiftJis(std::string_view bytes) {
  const std::vector<std::uint32_t>& jis = Jis0208();
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else if (b == 0x80) {
      AppendUtf8(out, 0x80);
    } else if (InRange(b, 0xA1, 0xDF)) {
      AppendUtf8(out, 0xFF61 - 0xA1 + b);
    } else if (InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xFC)) {
      if (i + 1 >= n) {
        AppendUtf8(out, kReplacement);
        break;
      }
      const auto t = static_cast<unsigned char>(bytes[i + 1]);
      std::uint32_t cp = 0;
      if (InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC)) {
        const int pointer = (b - (b < 0xA0 ? 0x81 : 0xC1)) * 188 + t - (t < 0x7F ? 0x40 : 0x41);
        cp = pointer >= kUserDefinedFirst && pointer <= kUserDefinedLast
                 ? 0xE000 - kUserDefinedFirst + pointer
                 : jis[pointer];
      }
      if (cp != 0) {
        AppendUtf8(out, cp);
        ++i;
      } else {
        AppendUtf8(out, kReplacement);
        if (t >= 0x80) ++i;  // an ASCII byte after a bad lead is read again
      }
    } else {
      AppendUtf8(out, kReplacement);
    }
  }
  return out;
}

std::string DecodeEucJp(std::string_view bytes) {
  const std::vector<std::uint32_t>& jis0208 = Jis0208();
  const std::vector<std::uint32_t>& jis0212 = Jis0212();
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  const std::size_t n = bytes.size();
  auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = byteAt(i);
    if (b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    if (b != 0x8E && b != 0x8F && !InRange(b, 0xA1, 0xFE)) {
      AppendUtf8(out, kReplacement);
      continue;
    }
    if (i + 1 >= n) {
      AppendUtf8(out, kReplacement);
      break;
    }
    unsigned char t = byteAt(i + 1);
    if (b == 0x8E && InRange(t, 0xA1, 0xDF)) {
      AppendUtf8(out, 0xFF61 - 0xA1 + t);
      ++i;
      continue;
    }
    unsigned char lead = b;
    bool jis0212Row = false;
    if (b == 0x8F && InRange(t, 0xA1, 0xFE)) {
      // Three bytes: 0x8F, then a JIS X 0212 row and cell.
      ++i;
      if (i + 1 >= n) {
        AppendUtf8(out, kReplacement);
        break;
      }
      lead = t;
      t = byteAt(i + 1);
      jis0212Row = true;
    }
    std::uint32_t cp = 0;
    if (InRange(lead, 0xA1, 0xFE) && InRange(t, 0xA1, 0xFE)) {
      const int pointer = (lead - 0xA1) * 94 + t - 0xA1;
      cp = jis0212Row ? jis0212[pointer] : jis0208[pointer];
    }
    if (cp != 0) {
      AppendUtf8(out, cp);
      ++i;
    } else {
      AppendUtf8(out, kReplacement);
      if (t >= 0x80) ++i;  // an ASCII byte is read again
    }
  }
  return out;
}

std::string DecodeIso2022Jp(std::string_view bytes) {
  enum class State { Ascii, Roman, Katakana, Lead };
  const std::vector<std::uint32_t>& jis = Jis0208();
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  State state = State::Ascii;
  // Set right after an escape sequence; a second one straight after it is an
  // error, so that two pieces of text cannot hide a character between them.
  bool afterEscape = false;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0x1B) {
      State next = state;
      bool known = false;
      if (i + 2 < n) {
        const auto e1 = static_cast<unsigned char>(bytes[i + 1]);
        const auto e2 = static_cast<unsigned char>(bytes[i + 2]);
        known = true;
        if (e1 == 0x28 && e2 == 0x42) {
          next = State::Ascii;
        } else if (e1 == 0x28 && e2 == 0x4A) {
          next = State::Roman;
        } else if (e1 == 0x28 && e2 == 0x49) {
          next = State::Katakana;
        } else if (e1 == 0x24 && (e2 == 0x40 || e2 == 0x42)) {
          next = State::Lead;
        } else {
          known = false;
        }
      }
      if (!known) {
        // The escape byte alone is the error; what follows is read in the
        // current state.
        AppendUtf8(out, kReplacement);
        afterEscape = false;
        continue;
      }
      if (afterEscape) AppendUtf8(out, kReplacement);
      state = next;
      afterEscape = true;
      i += 2;
      continue;
    }
    switch (state) {
      case State::Ascii:
        if (b < 0x80 && b != 0x0E && b != 0x0F) {
          out += static_cast<char>(b);
        } else {
          AppendUtf8(out, kReplacement);
        }
        break;
      case State::Roman:
        if (b == 0x5C) {
          AppendUtf8(out, 0x00A5);
        } else if (b == 0x7E) {
          AppendUtf8(out, 0x203E);
        } else if (b < 0x80 && b != 0x0E && b != 0x0F) {
          out += static_cast<char>(b);
        } else {
          AppendUtf8(out, kReplacement);
        }
        break;
      case State::Katakana:
        AppendUtf8(out, InRange(b, 0x21, 0x5F) ? 0xFF61 - 0x21 + b : kReplacement);
        break;
      case State::Lead: {
        if (!InRange(b, 0x21, 0x7E)) {
          AppendUtf8(out, kReplacement);
          break;
        }
        if (i + 1 >= n) {
          AppendUtf8(out, kReplacement);
          break;
        }
        const auto t = static_cast<unsigned char>(bytes[i + 1]);
        if (t == 0x1B) {
          AppendUtf8(out, kReplacement);  // the escape is read next
          break;
        }
        ++i;
        const std::uint32_t cp = InRange(t, 0x21, 0x7E) ? jis[(b - 0x21) * 94 + t - 0x21] : 0;
        AppendUtf8(out, cp != 0 ? cp : kReplacement);
        break;
      }
    }
    afterEscape = false;
  }
  return out;
}

}  // namespace vex
