// A shell command line run as a user types it, for tests of the programs as
// they are started: stdin is /dev/null, stdout and stderr are read together.
#pragma once

#include <string>

namespace vex::testing {

struct ShellRun {
  int status = -1;  // exit status; -1 when it could not start or did not exit
  std::string out;
};

ShellRun RunShell(const std::string& command);

// `text` quoted for the shell, single quotes and all.
std::string ShellQuoted(const std::string& text);

}  // namespace vex::testing
