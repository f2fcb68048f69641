// Facts about the running process: where it is installed, where its settings
// live, whether a developer wants the diagnostic layout, the system's label.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vex {

// Folder of the running executable, with a trailing "/"; empty when the
// system does not tell.
std::string ExeFolder();

// The folder that stands in for the executable's folder for settings and the
// work folder: $VEXALORN_HOME (with a trailing "/") when set, else exeFolder.
std::string HomeFolder(const std::string& exeFolder);

// The settings file: HomeFolder + "vexalorn.ini" when that file exists or the
// folder is writable, else $XDG_CONFIG_HOME/vexalorn/vexalorn.ini (default
// ~/.config/...). The chosen folder is created when missing.
std::string IniPath(const std::string& exeFolder);

// The rule behind IniPath with the environment passed in (null: not set) and
// the test of a folder (its file exists, or it is a writable folder) injected.
struct IniPathInputs {
  std::string exeFolder;
  const char* vexalornHome = nullptr;
  const char* xdgConfigHome = nullptr;
  const char* userHome = nullptr;
};
std::string ChooseIniPath(const IniPathInputs& in,
                          const std::function<bool(const std::string& folder)>& usable);

// True under a debugger (a tracer is attached) or with VEXALORN_DIAG=1: the
// main window then opens in its full diagnostic layout.
bool DiagnosticStart();
// The tracer's process id from the text of /proc/<pid>/status; 0 when none.
long TracerPidOf(std::string_view statusText);

// The operating-system label; platforms other than the two old Windows
// families give "error".
std::string OsName();

}  // namespace vex
