#include "platform/text/encoding_detect.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/text/encoding_labels.h"
#include "platform/text/japanese_decoders.h"
#include "platform/text/text.h"
#include "platform/text/utf8_lead.h"

namespace vex {

namespace {

// Enough of a page to tell its encoding; the rest only costs time.
constexpr std::size_t kDetectionBytes = 64 * 1024;

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ISO-2022-JP is ASCII with escape sequences into the Japanese sets.
bool HasJapaneseEscapes(std::string_view bytes) {
  for (std::string_view escape : {"\x1B$B", "\x1B$@", "\x1B(I", "\x1B(J"}) {
    if (bytes.find(escape) != std::string_view::npos) return true;
  }
  return false;
}

// Well-formed UTF-8 throughout; a character cut off at the very end (a page
// read only in part) does not count against it.
bool IsUtf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::optional<Utf8Lead> lead = Utf8LeadOf(c);
    if (!lead) return false;
    const std::size_t need = lead->trail;
    unsigned char lo = lead->lo, hi = lead->hi;
    for (std::size_t k = 1; k <= need; ++k) {
      if (i + k >= n) return true;
      const auto t = static_cast<unsigned char>(bytes[i + k]);
      if (t < lo || t > hi) return false;
      lo = 0x80;
      hi = 0xBF;
    }
    i += need + 1;
  }
  return true;
}

struct DetectorDeleter {
  void operator()(uchardet* d) const { uchardet_delete(d); }
};

std::string AskDetector(std::string_view bytes) {
  std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
  if (!detector) return {};
  if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return {};
  uchardet_data_end(detector.get());
  const char* name = uchardet_get_charset(detector.get());
  return name ? std::string(name) : std::string();
}

bool IsJapaneseGuess(const std::string& encoding) {
  return encoding == "Shift_JIS" || encoding == "EUC-JP" || encoding == "ISO-2022-JP";
}

bool IsJapaneseSymbol(std::uint32_t cp) {
  return (cp >= 0x0391 && cp <= 0x044F) ||  // Greek and Cyrillic rows
         (cp >= 0x2010 && cp <= 0x2BFF) ||  // punctuation, arrows, shapes, circled digits
         (cp >= 0x3000 && cp <= 0x303F) || (cp >= 0x3200 && cp <= 0x33FF) ||
         (cp >= 0xFF01 && cp <= 0xFF65) || (cp >= 0xFFE0 && cp <= 0xFFE5);
}

// How Japanese a decoded text looks: 0 when it holds a character that did not
// decode, or no kana at all, or when kana, kanji and Japanese symbols make up
// less than four in five of its characters that are not ASCII. Otherwise
// full-width kana weigh double: Japanese read in the wrong one of the two
// encodings falls apart into half-width katakana and stray kanji.
int JapaneseScore(const std::string& text) {
  int kana = 0, halfWidthKana = 0, kanji = 0, symbols = 0, nonAscii = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    std::uint32_t cp = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
      cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += length;
    ++nonAscii;
    if (cp == 0xFFFD) return 0;
    if (cp >= 0x3041 && cp <= 0x30FF) {
      ++kana;
    } else if (cp >= 0xFF66 && cp <= 0xFF9F) {
      ++halfWidthKana;
    } else if (cp >= 0x4E00 && cp <= 0x9FFF) {
      ++kanji;
    } else if (IsJapaneseSymbol(cp)) {
      ++symbols;
    }
  }
  if (kana + halfWidthKana == 0) return 0;
  if ((kana + halfWidthKana + kanji + symbols) * 5 < nonAscii * 4) return 0;
  return 2 * kana + halfWidthKana + kanji;
}

// A few words of Japanese are too little for the detector's statistics; a
// text that reads cleanly as Japanese in just one of the two 8-bit encodings
// is taken as written in it.
std::string JapaneseByReading(std::string_view bytes) {
  const int shiftJis = JapaneseScore(DecodeShiftJis(bytes));
  const int eucJp = JapaneseScore(DecodeEucJp(bytes));
  if (shiftJis > eucJp) return "Shift_JIS";
  if (eucJp > shiftJis) return "EUC-JP";
  return {};
}

}  // namespace

std::string DetectEncoding(std::string_view bytes) {
  bytes = bytes.substr(0, kDetectionBytes);
  if (IsAscii(bytes)) return HasJapaneseEscapes(bytes) ? "ISO-2022-JP" : std::string();
  if (IsUtf8(bytes)) return "UTF-8";
  const std::string guess = EncodingForLabel(AskDetector(bytes));
  if (!IsJapaneseGuess(guess)) {
    if (std::string japanese = JapaneseByReading(bytes); !japanese.empty()) return japanese;
  }
  // A page is never taken for UTF-16 by a guess: its markup would be lost.
  if (guess == "UTF-16LE" || guess == "UTF-16BE" || guess == "replacement") return {};
  return guess;
}

}  // namespace vex
