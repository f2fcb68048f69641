// Taking an address from the running web browser, and the address of a file
// of the browser's cache.
#pragma once

#include <string>

namespace vex {

struct App;

// The address shown by the running browser (index 0), empty when none answers.
std::string BrowserAddressByDde(App& app, int browserIndex);

// The web address from which a browser-cache file was stored, empty when the
// file is no cache entry.
std::string CacheUrlOfFile(const std::string& path);

}  // namespace vex
