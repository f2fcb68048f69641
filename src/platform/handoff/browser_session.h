// What a running browser shows, read from the browser's own channels:
// - Chromium-family browsers started with a remote-debugging port answer
//   GET /json/list on 127.0.0.1 with their open pages, the active one first;
// - Firefox keeps its live session in sessionstore-backups/recovery.jsonlz4
//   of the profile in use, rewritten every few seconds while it runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/http/http_client.h"

namespace vex {

struct BrowserPage {
  std::string address;
  std::string title;
};

// The first entry of type "page" in a debugging port's page list.
std::optional<BrowserPage> FirstPageOfList(std::string_view listJson);

// Asks the debugging port on 127.0.0.1 (never another host) for its pages;
// nothing when no browser answers within the request's limits, and nothing
// (without asking) when a proxy is set whose no-proxy list does not name
// 127.0.0.1, "127.0.0.0/8" or "*".
std::optional<BrowserPage> DebugPortCurrentPage(http::Client& client, int port,
                                                long connectTimeoutMs, long totalTimeoutMs);

// The selected window's selected tab at its current entry. The session
// counts windows, tabs and entries from 1; a missing or out-of-range window
// or tab number means the first, a missing or out-of-range entry number the
// last entry (the one shown).
std::optional<BrowserPage> SelectedPageOfSession(std::string_view sessionJson);

// The session file of the Firefox profile used last under `home`: of the
// profiles named in profiles.ini and the folders beside it (also in the snap
// and flatpak homes), the one whose recovery file was written last. Empty
// when there is none.
std::string NewestFirefoxSessionFile(const std::string& home);

// The page Firefox shows, from that file.
std::optional<BrowserPage> FirefoxCurrentPage(const std::string& home);

}  // namespace vex
