// The decoders of the three Japanese encodings pages are written in, with the
// results browsers give: NEC row 13 and the IBM extensions in all of them,
// JIS X 0212 in EUC-JP, half-width katakana in ISO-2022-JP. Output is UTF-8;
// every byte sequence that does not decode becomes one U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace vex {

std::string DecodeShiftJis(std::string_view bytes);
std::string DecodeEucJp(std::string_view bytes);
std::string DecodeIso2022Jp(std::string_view bytes);

}  // namespace vex
