// Byte-string helpers shared by every module. Strings are UTF-8; case changes
// touch ASCII letters only, so a position found in an upper-cased copy is the
// same byte position in the original.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vex {

std::string UpperAscii(std::string_view s);
// Appends "%" and the byte in two upper-case hex digits, as addresses escape it.
void AppendPercentEscape(std::string& out, unsigned char c);
// %XX escapes turned into their bytes; a "%" without two hex digits stays.
std::string PercentDecode(std::string_view text);
std::string LowerAscii(std::string_view s);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// 1-based position of the first occurrence of needle at or after byte `from`
// (1-based), 0 when absent. An empty needle is never found.
std::size_t Pos(std::string_view haystack, std::string_view needle, std::size_t from = 1);
bool Contains(std::string_view haystack, std::string_view needle);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
// Case-insensitive (ASCII) search, replacing every occurrence.
std::string ReplaceAllIgnoreCase(std::string_view s, std::string_view from, std::string_view to);

// Decimal text to integer: whole text must be an optional sign and digits
// (after trimming); otherwise `fallback`.
long long ToIntOr(std::string_view s, long long fallback);

// Appends the UTF-8 form of one code point (up to U+10FFFF).
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Escapes &, <, > (text) and additionally " (attribute values).
std::string EscapeHtmlText(std::string_view s);
std::string EscapeHtmlAttribute(std::string_view s);

}  // namespace vex
