// The line list: the common container of the program. Files are read with
// CR, LF or CR LF as line ends and written with CR LF.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vex {

using LineList = std::vector<std::string>;

// Splits text at CR LF, lone CR and lone LF. A final line end does not add an
// empty line; `endsWithBreak` (when given) tells whether the text had one.
LineList SplitLines(std::string_view text, bool* endsWithBreak = nullptr);

// Joins with CR LF between lines; `finalBreak` adds one after the last line
// (an empty last line always gets one, or it would not read back).
std::string JoinLines(const LineList& lines, bool finalBreak = true);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading. Anything else (a device such as
// /dev/zero, a FIFO, a folder) is refused, and opening never waits for a
// FIFO's writer. Empty on failure.
[[nodiscard]] FileHandle OpenRegularFile(const std::string& path);

// Reads a whole regular file; false when it cannot be opened or read.
[[nodiscard]] bool ReadFileBytes(const std::string& path, std::string& out);
// Reads at most `maxBytes` of a regular file's beginning; `cut` (when given)
// tells whether the file goes on beyond them.
[[nodiscard]] bool ReadFileHead(const std::string& path, std::size_t maxBytes, std::string& out,
                                bool* cut = nullptr);
// Writes (replacing) a whole file; false on any failure.
[[nodiscard]] bool WriteFileBytes(const std::string& path, std::string_view bytes);
// Replaces a whole file so that a reader sees the old content or the new one,
// never a part: the bytes go to a temporary file in the same folder, which
// is flushed to disk and renamed over the file (through a symbolic link, its
// target is replaced). The file keeps its permissions. False on any failure,
// and the file is then left as it was.
[[nodiscard]] bool ReplaceFileBytes(const std::string& path, std::string_view bytes);

[[nodiscard]] bool LoadLines(const std::string& path, LineList& out, bool* endsWithBreak = nullptr);
[[nodiscard]] bool SaveLines(const std::string& path, const LineList& lines,
                             bool finalBreak = true);
// SaveLines through ReplaceFileBytes.
[[nodiscard]] bool ReplaceLines(const std::string& path, const LineList& lines,
                                bool finalBreak = true);

}  // namespace vex
