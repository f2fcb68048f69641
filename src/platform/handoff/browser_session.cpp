#include "platform/browser_session.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "platform/json.h"
#include "platform/line_list.h"
#include "platform/mozlz4.h"
#include "platform/text.h"

namespace vex {

namespace fs = std::filesystem;

namespace {

// Where Firefox keeps its profiles, relative to the home folder: the plain
// installation, the snap package and the flatpak package.
constexpr const char* kFirefoxRoots[] = {
    ".mozilla/firefox",
    "snap/firefox/common/.mozilla/firefox",
    ".var/app/org.mozilla.firefox/.mozilla/firefox",
};

constexpr const char* kRecoveryFile = "sessionstore-backups/recovery.jsonlz4";

// The profile folders that profiles.ini names ([ProfileN] Path=, relative to
// the root unless IsRelative=0).
std::vector<fs::path> ProfilesOfIni(const fs::path& root) {
  std::vector<fs::path> found;
  LineList lines;
  if (!LoadLines((root / "profiles.ini").string(), lines)) return found;
  std::string path;
  bool relative = true;
  bool inProfile = false;
  auto flush = [&] {
    if (inProfile && !path.empty()) found.push_back(relative ? root / path : fs::path(path));
    path.clear();
    relative = true;
  };
  for (const std::string& raw : lines) {
    std::string line = Trim(raw);
    if (StartsWith(line, "[")) {
      flush();
      inProfile = StartsWith(UpperAscii(line), "[PROFILE");
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = UpperAscii(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    if (key == "PATH") path = value;
    if (key == "ISRELATIVE") relative = value != "0";
  }
  flush();
  return found;
}

std::vector<fs::path> SubFolders(const fs::path& root) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec)) found.push_back(it->path());
  return found;
}

}  // namespace

std::optional<BrowserPage> FirstPageOfList(std::string_view listJson) {
  std::optional<json::Value> list = json::Parse(listJson);
  if (!list || !list->IsArray()) return std::nullopt;
  for (const json::Value& target : list->items) {
    if (target["type"].StringOr() != "page") continue;
    const json::Value& url = target["url"];
    if (!url.IsString()) continue;
    return BrowserPage{url.text, target["title"].StringOr()};
  }
  return std::nullopt;
}

std::optional<BrowserPage> SelectedPageOfSession(std::string_view sessionJson) {
  std::optional<json::Value> session = json::Parse(sessionJson);
  if (!session) return std::nullopt;
  // Picks item n (1-based) of an array, the first when n is out of range.
  auto pick = [](const json::Value& array, long long n) -> const json::Value& {
    if (n < 1 || static_cast<std::size_t>(n) > array.Size()) n = 1;
    return array.At(static_cast<std::size_t>(n - 1));
  };
  const json::Value& windows = (*session)["windows"];
  if (windows.Size() == 0) return std::nullopt;
  const json::Value& window = pick(windows, (*session)["selectedWindow"].IntOr(1));
  const json::Value& tabs = window["tabs"];
  if (tabs.Size() == 0) return std::nullopt;
  const json::Value& tab = pick(tabs, window["selected"].IntOr(1));
  const json::Value& entries = tab["entries"];
  if (entries.Size() == 0) return std::nullopt;
  long long index = tab["index"].IntOr(0);
  if (index < 1 || static_cast<std::size_t>(index) > entries.Size())
    index = static_cast<long long>(entries.Size());
  const json::Value& entry = entries.At(static_cast<std::size_t>(index - 1));
  const json::Value& url = entry["url"];
  if (!url.IsString()) return std::nullopt;
  return BrowserPage{url.text, entry["title"].StringOr()};
}

std::string NewestFirefoxSessionFile(const std::string& home) {
  if (home.empty()) return {};
  std::set<fs::path> profiles;
  for (const char* relative : kFirefoxRoots) {
    fs::path root = fs::path(home) / relative;
    for (fs::path& p : ProfilesOfIni(root)) profiles.insert(p.lexically_normal());
    for (fs::path& p : SubFolders(root)) profiles.insert(p.lexically_normal());
  }
  std::string newest;
  fs::file_time_type newestTime{};
  for (const fs::path& profile : profiles) {
    std::error_code ec;
    fs::path file = profile / kRecoveryFile;
    if (!fs::is_regular_file(file, ec)) continue;
    fs::file_time_type t = fs::last_write_time(file, ec);
    if (ec) continue;
    if (newest.empty() || t > newestTime) {
      newest = file.string();
      newestTime = t;
    }
  }
  return newest;
}

std::optional<BrowserPage> FirefoxCurrentPage(const std::string& home) {
  std::string file = NewestFirefoxSessionFile(home);
  std::string packed, session;
  if (file.empty() || !ReadFileBytes(file, packed) || !DecodeMozLz4(packed, session))
    return std::nullopt;
  return SelectedPageOfSession(session);
}

}  // namespace vex
