// The labels pages write for their encoding ("shift_jis", "x-sjis",
// "iso-8859-1" ...) and the encodings they name, as browsers read them.
#pragma once

#include <string>
#include <string_view>

namespace vex {

// The encoding's own name ("Shift_JIS", "EUC-JP", "ISO-2022-JP", "UTF-8",
// "windows-1252" ...) for a label in any letter case, blanks around it
// ignored; empty for a label browsers do not know.
std::string EncodingForLabel(std::string_view label);

}  // namespace vex
