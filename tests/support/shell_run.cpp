#include "support/shell_run.h"

#include <sys/wait.h>

#include <cstdio>
#include <memory>

namespace vex::testing {

ShellRun RunShell(const std::string& command) {
  ShellRun run;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " </dev/null 2>&1").c_str(), "r"),
                                             pclose);
  if (!pipe) return run;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) run.out.append(buf, n);
  const int status = pclose(pipe.release());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace vex::testing
