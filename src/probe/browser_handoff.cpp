#include "probe/browser_handoff.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "context/app.h"
#include "platform/handoff/browser_session.h"
#include "platform/handoff/cache_entry.h"
#include "platform/text/text.h"

namespace vex {

namespace fs = std::filesystem;

namespace {

// The debugging port is on the loopback: a refused connection answers at
// once, and a browser that accepts but hangs must not hold the window long.
constexpr long kDebugConnectTimeoutMs = 300;
constexpr long kDebugTotalTimeoutMs = 2000;

std::string Environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

int PortOr(std::string_view text, int fallback) {
  long long port = ToIntOr(text, 0);
  return port >= 1 && port <= 65535 ? static_cast<int>(port) : fallback;
}

// The value of an [OPT] entry of the settings image, matched like the
// settings' own keys (trimmed, upper-cased, by prefix), without its comment.
std::optional<std::string> OptionValue(const LineList& settings, std::string_view key) {
  bool inOpt = false;
  for (const std::string& raw : settings) {
    std::string line = UpperAscii(Trim(raw));
    if (raw == "[OPT]") {
      inOpt = true;
      continue;
    }
    if (StartsWith(line, "[")) {
      inOpt = false;
      continue;
    }
    if (!inOpt || !StartsWith(line, key)) continue;
    std::string rest = TrimLeft(line.substr(key.size()));
    if (!StartsWith(rest, "=")) continue;
    std::string value = rest.substr(1);
    for (std::string_view mark : {" ;", " //"})
      if (std::size_t at = Pos(value, mark)) value.resize(at - 1);
    return Trim(value);
  }
  return std::nullopt;
}

std::string CacheHome() {
  std::string xdg = Environment("XDG_CACHE_HOME");
  if (!xdg.empty()) return xdg;
  std::string home = Environment("HOME");
  return home.empty() ? std::string() : home + "/.cache";
}

// The path as the folders and the file are stored, matching each component
// without regard to letter case where the exact spelling does not exist.
// The path unchanged when a component has no match at all.
std::string StoredSpelling(const std::string& path) {
  std::error_code ec;
  if (path.empty() || fs::exists(fs::path(path), ec)) return path;
  fs::path given(path);
  fs::path resolved = given.is_absolute() ? given.root_path() : fs::path(".");
  for (const fs::path& part : given.relative_path()) {
    std::string name = part.string();
    if (name.empty() || name == "." || name == ".." || fs::exists(resolved / part, ec)) {
      resolved /= part;
      continue;
    }
    std::vector<std::string> matches;
    for (fs::directory_iterator it(resolved, ec), end; !ec && it != end; it.increment(ec)) {
      std::string stored = it->path().filename().string();
      if (EqualsIgnoreCase(stored, name)) matches.push_back(stored);
    }
    if (matches.empty()) return path;
    // Several spellings differing only in case: take one the same way each time.
    resolved /= *std::min_element(matches.begin(), matches.end());
  }
  return given.is_absolute() ? resolved.string() : resolved.lexically_normal().string();
}

}  // namespace

std::string WindowInfoReply(std::string_view address, std::string_view title) {
  return "\"" + std::string(address) + "\",\"" + std::string(title) + "\"";
}

std::string AddressFromWindowInfoReply(std::string_view reply) {
  std::size_t p = Pos(reply, "\",");
  if (p < 2) return {};  // no such pair, or the pair opens the reply
  return std::string(reply.substr(1, p - 2));
}

int BrowserDebugPort(const App& app) {
  std::string fromEnvironment = Environment("VEXALORN_DEBUG_PORT");
  if (!fromEnvironment.empty()) return PortOr(fromEnvironment, kDefaultDebugPort);
  if (std::optional<std::string> v = OptionValue(app.main.Memo4, "DEBUGPORT"))
    return PortOr(*v, kDefaultDebugPort);
  return kDefaultDebugPort;
}

std::string BrowserAddressByDde(App& app, int browserIndex) {
  std::optional<BrowserPage> page;
  if (browserIndex == 0)
    page = DebugPortCurrentPage(app.http, BrowserDebugPort(app), kDebugConnectTimeoutMs,
                                kDebugTotalTimeoutMs);
  if (!page && (browserIndex == 0 || browserIndex == 1))
    page = FirefoxCurrentPage(Environment("HOME"));
  std::string reply = page ? WindowInfoReply(page->address, page->title) : std::string();
  return AddressFromWindowInfoReply(reply);
}

std::string CacheUrlOfFile(const std::string& path) {
  return CacheEntryAddress(StoredSpelling(path));
}

std::vector<std::string> UserCacheFolders() {
  std::vector<std::string> folders;
  std::string cache = CacheHome();
  if (cache.empty()) return folders;
  struct Layout {
    const char* profiles;  // folder holding one folder per profile
    const char* entries;   // the entries folder inside a profile
  };
  static constexpr Layout kLayouts[] = {
      {"mozilla/firefox", "cache2/entries"},
      {"chromium", "Cache/Cache_Data"},
      {"google-chrome", "Cache/Cache_Data"},
  };
  for (const Layout& layout : kLayouts) {
    std::error_code ec;
    std::vector<std::string> found;
    for (fs::directory_iterator it(fs::path(cache) / layout.profiles, ec), end; !ec && it != end;
         it.increment(ec)) {
      fs::path entries = it->path() / layout.entries;
      std::error_code dirEc;
      if (fs::is_directory(entries, dirEc)) found.push_back(entries.string());
    }
    std::sort(found.begin(), found.end());
    folders.insert(folders.end(), found.begin(), found.end());
  }
  return folders;
}

bool ForEachCacheEntry(const std::vector<std::string>& cacheFolders,
                       const std::function<bool(const CacheEntry&)>& visit) {
  for (const std::string& folder : cacheFolders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code fileEc;
      if (!it->is_regular_file(fileEc)) continue;
      CacheEntry entry{CacheEntryAddress(it->path().string()), it->path().string()};
      if (entry.address.empty()) continue;  // the index and other files of the cache
      if (!visit(entry)) return false;
    }
  }
  return true;
}

bool ForEachCacheEntry(const std::function<bool(const CacheEntry&)>& visit) {
  return ForEachCacheEntry(UserCacheFolders(), visit);
}

}  // namespace vex
