// Conversions of fetched page text to the code page that the jump and
// moved-page phrases are searched in: EUC-JP to Shift_JIS by arithmetic, and
// UTF-8 to a named code page (the local one unless told otherwise).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/encoding.h"

namespace vex {

// EUC-JP to Shift_JIS, byte by byte. Bytes that start no known pair are copied.
// A text cut by a fetch often ends in the first byte of a pair: such a lead byte
// (0xA1..0xFE or 0x8E at the end, or 0xA1..0xFE before a byte below 0x80) is
// dropped, so no half character reaches the result and the byte after it
// keeps its own meaning.
std::string EucToSjis(std::string_view text);

// One JIS X 0208 character (row and cell, 0x21..0x7E) in Shift_JIS: two bytes,
// or empty when the row is outside 0x21..0x7E. The cell is not checked.
std::string JisToSjis(std::uint8_t row, std::uint8_t cell);

// UTF-8 (characters of one to three bytes) to the code page. Empty when a
// continuation byte is wrong or the text ends inside a character; characters
// the code page lacks become its substitute character. Empty as well when the
// code page is unknown.
std::string Utf8ToLocal(std::string_view text, const std::string& codePage = kLocalCodePage);

// As Utf8ToLocal, but for text cut at an arbitrary byte: an incomplete last
// character is dropped, and four-byte characters are understood.
std::string Utf8ToLocalLenient(std::string_view text, const std::string& codePage = kLocalCodePage);

}  // namespace vex
