// vexalorn-cli: the check in automatic mode from the terminal; reports where
// the results are.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/run_report.h"
#include "cli/terminal_front_end.h"
#include "context/app.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "control/check_run.h"
#include "control/startup.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"
#include "platform/system/heap_tuning.h"

int main(int argc, char** argv) {
  using namespace vex;
  KeepFreedMemoryForReuse();
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool help = std::find(args.begin(), args.end(), "--help") != args.end();
  // For this run only; the settings file says otherwise for every run.
  const bool https = std::find(args.begin(), args.end(), "--https") != args.end();
  // The terminal program always runs in automatic mode.
  args.push_back("-a");

  SystemClock clock;
  cli::TerminalOptions options;
  options.liveProgress = isatty(fileno(stderr)) != 0;
  options.askOnTerminal = isatty(fileno(stdin)) != 0;
  cli::TerminalFrontEnd ui(clock, options);
  const std::unique_ptr<http::Client> httpClient = http::MakeCurlClient(clock);
  App app(ui, clock, *httpClient);
  ui.Attach(app);

  FormCreate(app, args);
  if (https) app.state.HttpsProbes = true;
  st1_FormCreate(app);
  if (help) {
    std::fputs(std::string(texts::TxtCliUsage[app.state.CharMode == 1 ? 1 : 0]).c_str(), stdout);
    FormDestroy(app);
    return 0;
  }
  cli::InstallInterruptHandler();
  FormShow(app);
  if (!ui.TakeStartMessage()) {  // start-up did not finish
    FormDestroy(app);
    return cli::kExitCutShort;
  }

  // Messages of the start-up itself (a settings file that cannot be written)
  // do not cut the run short.
  const int messagesBefore = ui.messagesShown();
  cli::RunEnd end;
  end.outcome = RunCheck(app);
  end.closeRequested = ui.closeRequested();
  end.interrupted = ui.interrupted();
  end.messagesShown = ui.messagesShown() - messagesBefore;

  const int mode = app.state.CharMode;
  // The desktop program stays silent here; a terminal user would see nothing
  // happen but the exit status.
  if (end.outcome.result == 2 && !end.outcome.aborted && app.state.TargetList.size() > 0 &&
      app.state.TargetList.front() != texts::BatchHeader) {
    std::fprintf(stderr, "%s%s\n", app.main.Edit1.c_str(),
                 std::string(cli::NotBatchFile[mode]).c_str());
  }
  for (const std::string& page : cli::ResultPages(app, ui.shownPages(), end.outcome.summaryPath)) {
    std::printf("%s%s\n", std::string(cli::ResultPageLabel[mode]).c_str(), page.c_str());
  }
  if (!end.outcome.summaryPath.empty()) {
    std::printf("%s%s\n", std::string(cli::SummaryLabel[mode]).c_str(),
                end.outcome.summaryPath.c_str());
  }
  std::fflush(stdout);
  if (const std::string hint = cli::UnprobedSecureHint(app); !hint.empty()) {
    std::fprintf(stderr, "%s\n", hint.c_str());
  }
  const int status = cli::ExitStatus(app, end);
  FormDestroy(app);
  return status;
}
