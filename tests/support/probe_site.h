// The loopback site the probe tests run against, and the context a probe
// needs (front end, clock, HTTP client, App). One site per test program.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "context/app.h"
#include "platform/http/http_client.h"
#include "support/loopback_server.h"
#include "support/scripted_front_end.h"
#include "support/shiftable_clock.h"

namespace vex::testing {

// Replies of the site seem to take this long (the shared clock is moved on
// by the handler before it answers).
inline constexpr int kSlowReplyMs = 3200;
inline constexpr int kLateReplyMs = 15001;
// The anchor page holds an id of this many bytes (all "n").
inline constexpr std::size_t kLongAnchorBytes = 255;

// Starts the site on first use; it stops when the program ends.
LoopbackServer& ProbeSite();
ShiftableClock& SiteClock();
std::string SiteUrl(const std::string& path);

// A program context over the site's clock, with a fresh HTTP client.
struct ProbeContext {
  ProbeContext();
  ScriptedFrontEnd ui;
  std::unique_ptr<http::Client> client;
  App app;
};

// Text in another character set, for the site's pages.
std::string Encoded(const std::string& utf8, const std::string& charset);

}  // namespace vex::testing
