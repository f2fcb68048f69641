#include "app/app.h"

#include "browser/browser.h"
#include "probe/probe_prefetch.h"

namespace vex {

App::App(FrontEnd& frontEnd, Clock& clk, http::Client& client)
    : ui(frontEnd), clock(clk), http(client) {}

App::~App() = default;

}  // namespace vex
