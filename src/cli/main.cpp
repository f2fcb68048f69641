// vexalorn-cli: the check in automatic mode from the terminal.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/startup.h"
#include "app/texts.h"
#include "cli/terminal_front_end.h"
#include "platform/clock.h"
#include "platform/http_client.h"

namespace {

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (a == "--help") return true;
  }
  return false;
}

// What the run would check, until the check itself is wired in.
void ReportPlan(const vex::App& app) {
  std::cout << "target: " << app.main.Edit1 << '\n'
            << "page type: " << app.main.Button7.caption << " (JUMP=" << app.state.JumpMode << ")\n"
            << "language and marks: CHAR=" << app.state.CharMode << '\n'
            << "settings: " << app.state.IniPath << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool help = WantsHelp(args);
  // The terminal program always runs in automatic mode.
  args.push_back("-a");

  vex::SystemClock clock;
  vex::TerminalFrontEnd ui(clock, std::cout, std::cin, ::isatty(STDIN_FILENO) == 1);
  auto http = vex::http::MakeCurlClient(clock);
  vex::App app(ui, clock, *http);

  vex::FormCreate(app, args);
  if (help) {
    std::cout << vex::texts::TxtCliUsage[app.state.CharMode == 1 ? 1 : 0];
    vex::FormDestroy(app);
    return 0;
  }
  vex::FormShow(app);
  if (ui.closed()) {  // start-up did not finish
    vex::FormDestroy(app);
    return 1;
  }
  if (ui.TakeStartMessage()) ReportPlan(app);
  app.state.Busy = 0;
  vex::FormDestroy(app);
  return 0;
}
