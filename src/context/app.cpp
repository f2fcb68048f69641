#include "context/app.h"

#include "context/browser.h"

namespace vex {

App::App(FrontEnd& frontEnd, Clock& clk, http::Client& client)
    : ui(frontEnd), clock(clk), http(client) {}

App::~App() = default;

}  // namespace vex
