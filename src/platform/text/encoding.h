// Conversions between named character sets, through iconv. The one place in
// the program that knows about iconv.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vex {

enum class OnInvalid {
  Replace,  // bytes that do not convert become U+FFFD (or "?" in a legacy target)
  Fail,     // the conversion fails
};

// Converts bytes from one character set to another (iconv names such as
// "UTF-8", "CP932", "EUC-JP", "ISO-2022-JP", "ISO-8859-1"). Returns false when
// a set is unknown, or (with OnInvalid::Fail) when the input does not convert.
[[nodiscard]] bool ConvertCharset(std::string_view input, const std::string& from,
                                  const std::string& to, std::string& out,
                                  OnInvalid onInvalid = OnInvalid::Replace);

// Whether iconv knows the name.
bool IsKnownCharset(const std::string& name);

// The code point each of `characters` (the bytes of one character each)
// stands for in a character set; 0 where it stands for none, or for more or
// less than one. Empty when the set is unknown. Builds decoding tables.
std::vector<std::uint32_t> CodePointsOf(const std::vector<std::string>& characters,
                                        const std::string& charset);

// The local code page of this build: UTF-8.
inline constexpr const char* kLocalCodePage = "UTF-8";

}  // namespace vex
