// Profile (INI) files as the platform's profile writer keeps them: section
// lines in square brackets, key=value lines. Keys and section names match whole
// and without regard to letter case; other lines are left untouched.
#pragma once

#include <string>
#include <string_view>

namespace vex {

// How WriteProfileString puts the file back.
enum class ProfileWrite {
  // Replaced as a whole, the disk waited for: a reader sees the old file or
  // the new one, also after a crash.
  Replace,
  // Written over where it stands, the disk not waited for: for a small log
  // rewritten with every page, whose readers and writers hold a FileLock.
  InPlace,
};

// The value of key in section, or `fallback` when the file, the section or the
// key is missing. The value is the text after the first "=", trimmed.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback = "");
// The same, of a file's bytes already read.
std::string ProfileStringIn(std::string_view data, const std::string& section,
                            const std::string& key, const std::string& fallback = "");

// Sets key=value in section (no blanks around "="): an existing entry gets the
// new value; a missing key is added at the end of its section; a missing
// section is added at the end of the file; a missing file is created. As
// `how` says, the file is replaced as a whole (a reader never sees it
// half-written) or written over in place; callers that may race with another
// copy of the program hold a FileLock around their reads and writes. False
// when the file cannot be written.
[[nodiscard]] bool WriteProfileString(const std::string& path, const std::string& section,
                                      const std::string& key, const std::string& value,
                                      ProfileWrite how = ProfileWrite::Replace);

}  // namespace vex
