#include "platform/system/process_info.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {
namespace {

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

constexpr const char* kIniName = "vexalorn.ini";

bool IsSet(const char* value) {
  return value != nullptr && *value != '\0';
}

// A settings folder serves when its file is there or a new one can be made.
bool UsableSettingsFolder(const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::exists(folder + kIniName, ec)) return true;
  return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string ExeFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return WithSlash(exe.parent_path().string());
}

std::string HomeFolder(const std::string& exeFolder) {
  const char* home = std::getenv("VEXALORN_HOME");
  return IsSet(home) ? WithSlash(home) : exeFolder;
}

std::string ChooseIniPath(const IniPathInputs& in,
                          const std::function<bool(const std::string& folder)>& usable) {
  const std::string first = IsSet(in.vexalornHome) ? WithSlash(in.vexalornHome) : in.exeFolder;
  if (!first.empty() && usable(first)) return first + kIniName;
  std::string config;
  if (IsSet(in.xdgConfigHome)) {
    config = WithSlash(in.xdgConfigHome);
  } else if (IsSet(in.userHome)) {
    config = WithSlash(in.userHome) + ".config/";
  } else {
    // Nowhere else to go: keep the first choice and let writing report it.
    return first + kIniName;
  }
  return config + "vexalorn/" + kIniName;
}

std::string IniPath(const std::string& exeFolder) {
  IniPathInputs in;
  in.exeFolder = exeFolder;
  in.vexalornHome = std::getenv("VEXALORN_HOME");
  in.xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
  in.userHome = std::getenv("HOME");
  std::error_code ec;
  // A home named by the environment, and the fallback folder, are made on
  // first use so that the default settings can be written there.
  if (IsSet(in.vexalornHome)) std::filesystem::create_directories(in.vexalornHome, ec);
  const std::string path = ChooseIniPath(in, UsableSettingsFolder);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  return path;
}

long TracerPidOf(std::string_view statusText) {
  for (const auto& line : SplitLines(statusText)) {
    if (StartsWith(line, "TracerPid:")) {
      return static_cast<long>(ToIntOr(std::string_view(line).substr(10), 0));
    }
  }
  return 0;
}

bool DiagnosticStart() {
  const char* diag = std::getenv("VEXALORN_DIAG");
  if (diag != nullptr && std::string_view(diag) == "1") return true;
  std::string status;
  if (!ReadFileBytes("/proc/self/status", status)) return false;
  return TracerPidOf(status) != 0;
}

std::string OsName() {
  return "error";
}

}  // namespace vex
