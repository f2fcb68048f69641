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

// Where an installed program keeps its shipped data, relative to its own
// folder: bin/vexalorn finds share/vexalorn/help and share/vexalorn/site.
inline constexpr const char* kInstalledDataFolder = "../share/vexalorn/";
// The folder under the user's data, config and state folders that is ours.
inline constexpr const char* kUserFolderName = "vexalorn/";

// The program's place on disk.
struct ProgramLayout {
  std::string exeFolder;   // with a trailing "/"; empty when unknown
  std::string dataFolder;  // help/ and site/ lie here; with a trailing "/"
  // Run from an install: settings and results never go beside the program
  // (a folder that every user of the machine shares, or no one may write to).
  bool installed = false;
};

// The layout of a program in exeFolder: its data beside it (a build), else
// under kInstalledDataFolder when that holds the home site (an install, in
// whatever prefix); beside it again when neither is there.
ProgramLayout LayoutOf(const std::string& exeFolder);
// The running program's layout.
ProgramLayout CurrentLayout();

// A per-user base folder by the XDG rules: xdgValue when it is an absolute
// path, else home + belowHome; empty when neither is known. With a trailing "/".
std::string ChooseUserFolder(const char* xdgValue, const char* home, std::string_view belowHome);
// Our folders in the user's config ($XDG_CONFIG_HOME, ~/.config) and data
// ($XDG_DATA_HOME, ~/.local/share) folders, "vexalorn/" appended; $HOME, else
// the password entry's home, stands for ~. Empty when the user has no home.
std::string UserConfigFolder();
std::string UserDataFolder();

// The settings file: $VEXALORN_HOME/vexalorn.ini when set and usable; beside a
// program that is not installed when that file exists or the folder is
// writable; else $XDG_CONFIG_HOME/vexalorn/vexalorn.ini (default ~/.config/...).
// The chosen folder is created when missing.
std::string IniPath(const ProgramLayout& layout);

// The rule behind IniPath with the environment passed in (null: not set) and
// the test of a folder (its file exists, or it is a writable folder) injected.
struct IniPathInputs {
  std::string exeFolder;
  const char* vexalornHome = nullptr;
  const char* xdgConfigHome = nullptr;
  const char* userHome = nullptr;
  bool installed = false;
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
