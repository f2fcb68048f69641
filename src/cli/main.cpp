// vexalorn-cli: the check in automatic mode from the terminal; reports what
// it found and where the results are.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/chosen_frame.h"
#include "cli/cli_options.h"
#include "cli/cli_texts.h"
#include "cli/findings.h"
#include "cli/json_report.h"
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
  cli::CliOptions options = cli::ReadCliOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.version) {
    std::printf("vexalorn-cli %s\n", kVersionText);
    return 0;
  }
  std::vector<std::string> args = options.coreArgs;
  // The terminal program always runs in automatic mode.
  args.push_back("-a");

  SystemClock clock;
  cli::TerminalOptions terminal;
  terminal.liveProgress = isatty(fileno(stderr)) != 0;
  terminal.askOnTerminal = isatty(fileno(stdin)) != 0;
  cli::TerminalFrontEnd ui(clock, terminal);
  const std::unique_ptr<http::Client> httpClient = http::MakeCurlClient(clock);
  App app(ui, clock, *httpClient);
  ui.Attach(app);

  FormCreate(app, args);
  // For this run only; the settings file says otherwise for every run.
  if (options.https) app.state.HttpsProbes = true;
  st1_FormCreate(app);
  const int mode = app.state.CharMode == 1 ? 1 : 0;
  if (options.help) {
    std::fputs(std::string(texts::TxtCliUsage[mode]).c_str(), stdout);
    FormDestroy(app);
    return 0;
  }
  if (!options.badFormat.empty()) {
    std::fprintf(stderr, "%s%s\n", std::string(cli::UnknownFormat[mode]).c_str(),
                 options.badFormat.c_str());
    FormDestroy(app);
    return cli::kExitCutShort;
  }
  cli::InstallInterruptHandler();
  if (terminal.liveProgress) cli::InstallResizeHandler();
  FormShow(app);
  if (!ui.TakeStartMessage()) {  // start-up did not finish
    FormDestroy(app);
    return cli::kExitCutShort;
  }

  // Messages of the start-up itself (a settings file that cannot be written)
  // do not cut the run short.
  const int messagesBefore = ui.messagesShown();
  app.exitsAfterRun = true;
  cli::RunEnd end;
  end.outcome = RunCheck(app);
  end.outcome = cli::CheckChosenFrames(app, end.outcome, stderr);
  end.closeRequested = ui.closeRequested();
  end.interrupted = ui.interrupted();
  end.messagesShown = ui.messagesShown() - messagesBefore;
  const int status = cli::ExitStatus(app, end);

  // The desktop program stays silent here; a terminal user would see nothing
  // happen but the exit status.
  if (end.outcome.result == 2 && !end.outcome.aborted && app.state.TargetList.size() > 0 &&
      app.state.TargetList.front() != texts::BatchHeader) {
    std::fprintf(stderr, "%s%s\n", cli::TerminalText(app.main.Edit1).c_str(),
                 std::string(cli::NotBatchFile[mode]).c_str());
  }
  if (options.format == cli::ReportFormat::Json) {
    cli::RunFacts facts;
    facts.target = app.main.Edit1;
    facts.start = app.state.RunStartTime;
    facts.end = app.state.RunEndTime.empty() ? RunTimeText(clock.NowMs()) : app.state.RunEndTime;
    facts.charMode = app.state.CharMode;
    facts.jumpMode = app.state.JumpMode;
    facts.exitStatus = status;
    facts.summaryPath = end.outcome.summaryPath;
    std::fputs(cli::JsonReport(facts, app.results).c_str(), stdout);
  } else {
    std::fputs(cli::TerminalText(cli::FindingsText(app.results, mode), true).c_str(), stdout);
    for (const std::string& page :
         cli::ResultPages(app, ui.shownPages(), end.outcome.summaryPath)) {
      std::printf("%s%s\n", std::string(cli::ResultPageLabel[mode]).c_str(),
                  cli::TerminalText(page).c_str());
    }
    if (!end.outcome.summaryPath.empty()) {
      std::printf("%s%s\n", std::string(cli::SummaryLabel[mode]).c_str(),
                  cli::TerminalText(end.outcome.summaryPath).c_str());
    }
  }
  std::fflush(stdout);
  if (const std::string hint = cli::UnprobedSecureHint(app); !hint.empty()) {
    std::fprintf(stderr, "%s\n", hint.c_str());
  }
  FormDestroy(app);
  // Everything is written and shown: the system takes back the run's memory,
  // connections and threads at once, without their being freed one by one.
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}
