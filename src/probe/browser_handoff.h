// Taking an address from the running web browser, and the address of a file
// of the browser's cache.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vex {

struct App;

// The address shown by the running browser, empty when none answers.
// Index 0 asks a Chromium-family browser on its debugging port first, then
// Firefox's live session; index 1 asks Firefox only. Waits at most a few
// seconds in all.
std::string BrowserAddressByDde(App& app, int browserIndex);

// The web address from which a browser-cache file was stored, empty when the
// file is no cache entry. The path may be written in other letter case than
// the folders and file are stored.
std::string CacheUrlOfFile(const std::string& path);

// A window-information reply: the address in double quotes, a comma, further
// quoted fields.
std::string WindowInfoReply(std::string_view address, std::string_view title);
// The first field of such a reply: the text from the 2nd character up to the
// first double quote that a comma follows; empty when there is no such pair.
std::string AddressFromWindowInfoReply(std::string_view reply);

// The loopback port of a Chromium-family browser's remote debugging:
// the environment variable VEXALORN_DEBUG_PORT, else DEBUGPORT= in [OPT] of
// the settings, else 9222.
inline constexpr int kDefaultDebugPort = 9222;
int BrowserDebugPort(const App& app);

struct CacheEntry {
  std::string address;    // the web address the entry was stored from
  std::string localFile;  // the entry's file
};

// Calls `visit` with every entry of the cache folders (each an entries
// folder of Firefox or a Cache_Data folder of Chromium) until it returns
// false. True when the walk went through to the end.
bool ForEachCacheEntry(const std::vector<std::string>& cacheFolders,
                       const std::function<bool(const CacheEntry&)>& visit);
// The same over the user's caches (see UserCacheFolders).
bool ForEachCacheEntry(const std::function<bool(const CacheEntry&)>& visit);

// The cache folders of the user's Firefox and Chromium-family profiles under
// $XDG_CACHE_HOME (or ~/.cache).
std::vector<std::string> UserCacheFolders();

}  // namespace vex
