// Kept apart from the session readers: only this needs the HTTP client.
#include <cstdlib>
#include <string>

#include "platform/handoff/browser_session.h"
#include "platform/text/text.h"

namespace vex {

namespace {

std::string Environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The client honours the proxy variables even for 127.0.0.1; a request that
// went through a proxy would leave the machine. Asked only when no proxy is
// set or the no-proxy list names the loopback.
bool LoopbackGoesDirect() {
  if (Environment("http_proxy").empty() && Environment("all_proxy").empty() &&
      Environment("ALL_PROXY").empty())
    return true;
  for (const char* name : {"no_proxy", "NO_PROXY"}) {
    std::string list = Environment(name);
    std::size_t from = 0;
    while (from <= list.size()) {
      std::size_t comma = list.find(',', from);
      if (comma == std::string::npos) comma = list.size();
      std::string entry = Trim(list.substr(from, comma - from));
      if (entry == "*" || entry == "127.0.0.1" || entry == "127.0.0.1/32" || entry == "127.0.0.0/8")
        return true;
      from = comma + 1;
    }
  }
  return false;
}

}  // namespace

std::optional<BrowserPage> DebugPortCurrentPage(http::Client& client, int port,
                                                long connectTimeoutMs, long totalTimeoutMs) {
  if (port < 1 || port > 65535 || !LoopbackGoesDirect()) return std::nullopt;
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
