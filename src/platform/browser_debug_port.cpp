// Kept apart from the session readers: only this needs the HTTP client.
#include <string>

#include "platform/browser_session.h"

namespace vex {

std::optional<BrowserPage> DebugPortCurrentPage(http::Client& client, int port,
                                                long connectTimeoutMs, long totalTimeoutMs) {
  if (port < 1 || port > 65535) return std::nullopt;
  http::Request request;
  request.url = "http://127.0.0.1:" + std::to_string(port) + "/json/list";
  request.connectTimeoutMs = connectTimeoutMs;
  request.totalTimeoutMs = totalTimeoutMs;
  request.followRedirects = false;  // a redirect could lead off the loopback
  request.noCache = true;
  request.maxBodyBytes = 8u << 20;
  http::Response response = http::Fetch(client, request);
  if (response.error != http::kOk || response.status != 200) return std::nullopt;
  return FirstPageOfList(response.body);
}

}  // namespace vex
