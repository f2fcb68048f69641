// Turning bytes in a named encoding into UTF-8 text with the results browsers
// give. Decoding never fails: every byte sequence that does not decode
// becomes U+FFFD, and nothing else of the text is lost.
#pragma once

#include <string>
#include <string_view>

namespace vex {

// `encoding` is a name EncodingForLabel gives ("Shift_JIS", "EUC-JP",
// "windows-1252" ...); the text is read as UTF-8 under any other name.
std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding);

// Valid UTF-8 passes unchanged; every maximal invalid piece becomes one U+FFFD.
std::string RepairUtf8(std::string_view bytes);

}  // namespace vex
