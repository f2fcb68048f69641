#include "platform/text/text_decoder.h"

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/text/encoding.h"
#include "platform/text/japanese_decoders.h"
#include "platform/text/text.h"
#include "platform/text/utf8_lead.h"

namespace vex {

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

// --- single-byte encodings --------------------------------------------------

struct SingleByte {
  std::string_view encoding;
  const char* converter;
};

constexpr std::array<SingleByte, 27> kSingleByte{{
    {"IBM866", "IBM866"},           {"ISO-8859-2", "ISO-8859-2"},   {"ISO-8859-3", "ISO-8859-3"},
    {"ISO-8859-4", "ISO-8859-4"},   {"ISO-8859-5", "ISO-8859-5"},   {"ISO-8859-6", "ISO-8859-6"},
    {"ISO-8859-7", "ISO-8859-7"},   {"ISO-8859-8", "ISO-8859-8"},   {"ISO-8859-8-I", "ISO-8859-8"},
    {"ISO-8859-10", "ISO-8859-10"}, {"ISO-8859-13", "ISO-8859-13"}, {"ISO-8859-14", "ISO-8859-14"},
    {"ISO-8859-15", "ISO-8859-15"}, {"ISO-8859-16", "ISO-8859-16"}, {"KOI8-R", "KOI8-R"},
    {"KOI8-U", "KOI8-U"},           {"macintosh", "MACINTOSH"},     {"windows-874", "CP874"},
    {"windows-1250", "CP1250"},     {"windows-1251", "CP1251"},     {"windows-1252", "CP1252"},
    {"windows-1253", "CP1253"},     {"windows-1254", "CP1254"},     {"windows-1255", "CP1255"},
    {"windows-1256", "CP1256"},     {"windows-1257", "CP1257"},     {"windows-1258", "CP1258"},
}};

// Where the system's converters differ from the browsers' tables.
struct SingleByteFix {
  std::string_view encoding;
  unsigned char byte;
  std::uint32_t codePoint;
};

constexpr std::array<SingleByteFix, 6> kSingleByteFixes{{
    {"KOI8-U", 0xAE, 0x045E},
    {"KOI8-U", 0xBE, 0x040E},
    {"macintosh", 0xC6, 0x2206},
    {"macintosh", 0xF0, 0xF8FF},
    {"x-mac-cyrillic", 0xFF, 0x20AC},
    {"windows-1255", 0xCA, 0x05BA},
}};

using HighHalf = std::array<std::uint32_t, 128>;

HighHalf BuildHighHalf(std::string_view encoding, const char* converter) {
  std::vector<std::string> characters;
  for (int b = 0x80; b < 0x100; ++b) characters.push_back(std::string(1, static_cast<char>(b)));
  const std::vector<std::uint32_t> points = CodePointsOf(characters, converter);
  HighHalf high{};
  for (int b = 0x80; b < 0x100; ++b) {
    const std::uint32_t cp = points.empty() ? 0 : points[b - 0x80];
    // The converters leave some C1 bytes unmapped; browsers read them as the
    // control characters of the same value.
    high[b - 0x80] = cp != 0 ? cp : (b < 0xA0 ? static_cast<std::uint32_t>(b) : kReplacement);
  }
  for (const SingleByteFix& fix : kSingleByteFixes) {
    if (fix.encoding == encoding) high[fix.byte - 0x80] = fix.codePoint;
  }
  return high;
}

const HighHalf* HighHalfOf(std::string_view encoding) {
  static std::mutex lock;
  static std::map<std::string, HighHalf, std::less<>> tables;
  const char* converter = nullptr;
  for (const SingleByte& s : kSingleByte) {
    if (s.encoding == encoding) converter = s.converter;
  }
  if (encoding == "x-mac-cyrillic") converter = "MAC-CYRILLIC";
  if (!converter) return nullptr;
  const std::lock_guard<std::mutex> hold(lock);
  auto it = tables.find(encoding);
  if (it == tables.end()) {
    it = tables.emplace(std::string(encoding), BuildHighHalf(encoding, converter)).first;
  }
  return &it->second;
}

std::string DecodeSingleByte(std::string_view bytes, const HighHalf& high) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      AppendUtf8(out, high[b - 0x80]);
    }
  }
  return out;
}

// --- UTF-16 and the special ones --------------------------------------------

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  auto unitAt = [&](std::size_t k) {
    const auto a = static_cast<unsigned char>(bytes[k]);
    const auto b = static_cast<unsigned char>(bytes[k + 1]);
    return static_cast<std::uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  };
  std::size_t i = 0;
  for (; i + 1 < n; i += 2) {
    const std::uint32_t u = unitAt(i);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 < n) {
        const std::uint32_t low = unitAt(i + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
          i += 2;
          continue;
        }
      }
      AppendUtf8(out, kReplacement);
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  if (i < n) AppendUtf8(out, kReplacement);  // an odd byte at the end
  return out;
}

std::string DecodeUserDefined(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      AppendUtf8(out, 0xF780 + b - 0x80);
    }
  }
  return out;
}

// Multi-byte Chinese and Korean pages: the system's converters, which are
// near enough to the browsers' for reading links and text.
const char* MultiByteConverter(std::string_view encoding) {
  if (encoding == "GBK" || encoding == "gb18030") return "GB18030";
  if (encoding == "Big5") return "BIG5-HKSCS";
  if (encoding == "EUC-KR") return "CP949";
  return nullptr;
}

}  // namespace

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
    const std::optional<Utf8Lead> lead = Utf8LeadOf(c);
    if (!lead) {
      AppendUtf8(out, kReplacement);
      ++i;
      continue;
    }
    const std::size_t need = lead->trail;
    unsigned char lo = lead->lo, hi = lead->hi;
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
      AppendUtf8(out, kReplacement);
    }
    i = j;
  }
  return out;
}

std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding) {
  if (encoding == "Shift_JIS") return DecodeShiftJis(bytes);
  if (encoding == "EUC-JP") return DecodeEucJp(bytes);
  if (encoding == "ISO-2022-JP") return DecodeIso2022Jp(bytes);
  if (encoding == "UTF-16LE") return DecodeUtf16(bytes, false);
  if (encoding == "UTF-16BE") return DecodeUtf16(bytes, true);
  if (encoding == "x-user-defined") return DecodeUserDefined(bytes);
  // Encodings that smuggle markup past filters read as one replacement.
  if (encoding == "replacement") return bytes.empty() ? std::string() : "\xEF\xBF\xBD";
  if (const HighHalf* high = HighHalfOf(encoding)) return DecodeSingleByte(bytes, *high);
  if (const char* converter = MultiByteConverter(encoding)) {
    std::string out;
    if (ConvertCharset(bytes, converter, "UTF-8", out, OnInvalid::Replace)) return out;
  }
  return RepairUtf8(bytes);
}

}  // namespace vex
