// The check run: handler of the start message. It classifies Edit1's target
// (web or file address, HTML file, batch file, wildcard with or without
// subfolders), checks each page, and ends a run over several pages with the
// summary report.
#pragma once

#include <string>

namespace vex {

struct App;

// How a run ended, for front ends that report it (the terminal program's exit
// status). The desktop program ignores it.
struct RunOutcome {
  int result = 0;           // the last check's result; 2 also for a list without the header
  bool aborted = false;     // ended early: a message, a refused question, a failure
  std::string summaryPath;  // the summary report written, empty when none
};

// One check run over the target in Edit1 (the start message's handler).
void x_CheckRun(App& app);
// The same, telling how it ended.
RunOutcome RunCheck(App& app);

// The file-count question at every multiple of 900 collected files: 0 go on,
// -1 stop the run.
[[nodiscard]] int AskFileLimit(App& app, int n);
// Collects the files matching `mask` in all folders below those of
// SubfolderList (which it extends) and appends them to TargetList; 0, or -1
// when the run is to stop.
[[nodiscard]] int CollectSubfolderFiles(App& app, const std::string& mask);

// "yyyy/mm/dd hh:nn:ss" in local time.
std::string RunTimeText(long long epochMs);

}  // namespace vex
