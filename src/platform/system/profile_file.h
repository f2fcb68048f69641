// Profile (INI) files as the platform's profile writer keeps them: section
// lines in square brackets, key=value lines. Keys and section names match whole
// and without regard to letter case; other lines are left untouched.
#pragma once

#include <string>

#include "platform/text/line_list.h"

namespace vex {

// The value of key in section, or `fallback` when the file, the section or the
// key is missing. The value is the text after the first "=", trimmed.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback = "");

// Sets key=value in section (no blanks around "="): an existing entry gets the
// new value; a missing key is added at the end of its section; a missing
// section is added at the end of the file; a missing file is created. The
// file is replaced as a whole, so a reader never sees it half-written;
// callers that may race with another copy of the program hold a FileLock
// around their reads and writes. False when the file cannot be written.
[[nodiscard]] bool WriteProfileString(const std::string& path, const std::string& section,
                                      const std::string& key, const std::string& value,
                                      Flush flush = Flush::ToDisk);

}  // namespace vex
