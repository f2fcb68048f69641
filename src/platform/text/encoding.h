// Conversions between named character sets, through iconv. The one place in
// the program that knows about iconv.
#pragma once

#include <string>
#include <string_view>

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

// The local code page of this build: UTF-8.
inline constexpr const char* kLocalCodePage = "UTF-8";

}  // namespace vex
