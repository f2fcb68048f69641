#include "platform/system/process_info.h"

#include <pwd.h>
#include <sys/stat.h>
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

ProgramLayout LayoutOf(const std::string& exeFolder) {
  ProgramLayout layout;
  layout.exeFolder = WithSlash(exeFolder);
  layout.dataFolder = layout.exeFolder;
  if (exeFolder.empty()) return layout;
  std::error_code ec;
  if (std::filesystem::is_directory(layout.exeFolder + "site", ec)) return layout;
  const std::filesystem::path shared =
      std::filesystem::path(layout.exeFolder + kInstalledDataFolder).lexically_normal();
  if (std::filesystem::is_directory(shared / "site", ec)) {
    layout.dataFolder = WithSlash(shared.string());
    layout.installed = true;
  }
  return layout;
}

ProgramLayout CurrentLayout() {
  return LayoutOf(ExeFolder());
}

std::string ChooseUserFolder(const char* xdgValue, const char* home, std::string_view belowHome) {
  // The XDG rules ignore a relative value.
  if (IsSet(xdgValue) && xdgValue[0] == '/') return WithSlash(xdgValue);
  if (!IsSet(home)) return {};
  return WithSlash(home) + std::string(belowHome) + (belowHome.empty() ? "" : "/");
}

namespace {

// $HOME, else the home of the password entry; empty when neither is known.
std::string UserHome() {
  if (const char* home = std::getenv("HOME"); IsSet(home)) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
    return {};
  return IsSet(found->pw_dir) ? std::string(found->pw_dir) : std::string();
}

std::string UserFolder(const char* xdgVariable, std::string_view belowHome) {
  const std::string home = UserHome();
  const std::string base =
      ChooseUserFolder(std::getenv(xdgVariable), home.empty() ? nullptr : home.c_str(), belowHome);
  return base.empty() ? base : base + kUserFolderName;
}

}  // namespace

std::string UserConfigFolder() {
  return UserFolder("XDG_CONFIG_HOME", ".config");
}

std::string UserDataFolder() {
  return UserFolder("XDG_DATA_HOME", ".local/share");
}

std::string ChooseIniPath(const IniPathInputs& in,
                          const std::function<bool(const std::string& folder)>& usable) {
  std::string first;
  if (IsSet(in.vexalornHome)) {
    first = WithSlash(in.vexalornHome);
  } else if (!in.installed) {
    first = in.exeFolder;
  }
  if (!first.empty() && usable(first)) return first + kIniName;
  const std::string config = ChooseUserFolder(in.xdgConfigHome, in.userHome, ".config");
  // Nowhere else to go: keep the first choice and let writing report it.
  if (config.empty()) return first.empty() ? std::string() : first + kIniName;
  return config + kUserFolderName + kIniName;
}

std::string IniPath(const ProgramLayout& layout) {
  IniPathInputs in;
  in.exeFolder = layout.exeFolder;
  in.installed = layout.installed;
  in.vexalornHome = std::getenv("VEXALORN_HOME");
  in.xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
  const std::string home = UserHome();
  in.userHome = home.empty() ? nullptr : home.c_str();
  std::error_code ec;
  // A home named by the environment, and the fallback folder, are made on
  // first use so that the default settings can be written there.
  if (IsSet(in.vexalornHome)) std::filesystem::create_directories(in.vexalornHome, ec);
  const std::string path = ChooseIniPath(in, UsableSettingsFolder);
  if (path.empty()) return path;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!std::filesystem::exists(folder, ec)) {
    // The user's own folders are private, as the XDG rules ask.
    std::filesystem::create_directories(folder, ec);
    const bool named = IsSet(in.vexalornHome) && path == WithSlash(in.vexalornHome) + kIniName;
    if (!named) ::chmod(folder.c_str(), 0700);
  }
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
