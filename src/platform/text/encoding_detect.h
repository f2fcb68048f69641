// Guessing the encoding of a page that declares none, from its bytes.
#pragma once

#include <string>
#include <string_view>

namespace vex {

// The encoding's name as EncodingForLabel gives it ("Shift_JIS", "EUC-JP",
// "ISO-2022-JP", "UTF-8" ...), or empty when the bytes are plain ASCII or
// give no clear answer.
std::string DetectEncoding(std::string_view bytes);

}  // namespace vex
