// The line list: the common container of the program. Files are read with
// CR, LF or CR LF as line ends and written with CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vex {

using LineList = std::vector<std::string>;

// Splits text at CR LF, lone CR and lone LF. A final line end does not add an
// empty line; `endsWithBreak` (when given) tells whether the text had one.
LineList SplitLines(std::string_view text, bool* endsWithBreak = nullptr);

// Joins with CR LF between lines; `finalBreak` adds one after the last line.
std::string JoinLines(const LineList& lines, bool finalBreak = true);

// Reads a whole file; false when it cannot be opened or read.
[[nodiscard]] bool ReadFileBytes(const std::string& path, std::string& out);
// Writes (replacing) a whole file; false on any failure.
[[nodiscard]] bool WriteFileBytes(const std::string& path, std::string_view bytes);

[[nodiscard]] bool LoadLines(const std::string& path, LineList& out, bool* endsWithBreak = nullptr);
[[nodiscard]] bool SaveLines(const std::string& path, const LineList& lines, bool finalBreak = true);

}  // namespace vex
