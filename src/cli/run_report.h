// What the terminal program reports after a run: the result pages written,
// the summary report, and the exit status.
#pragma once

#include <string>
#include <vector>

#include "control/check_run.h"

namespace vex {
struct App;
}

namespace vex::cli {

// Every entry of the run checked, each very good or good.
inline constexpr int kExitAllGood = 0;
// A page needs a check, or an entry of a batch or wildcard was missing or not
// HTML.
inline constexpr int kExitNeedsCheck = 1;
// Cut short or failed: a message, an abort, a cancel, a failure, a batch
// without entries.
inline constexpr int kExitCutShort = 2;

// How the run ended, as the front end saw it.
struct RunEnd {
  RunOutcome outcome;
  bool closeRequested = false;
  bool interrupted = false;
  int messagesShown = 0;
};

// Whether a page's rating counts as very good or good (as the summary grades).
bool RatingIsGood(const std::string& rating);

[[nodiscard]] int ExitStatus(App& app, const RunEnd& end);

// The end-of-run line about https links that were marked without a request,
// saying how to have them checked; empty when there were none.
std::string UnprobedSecureHint(const App& app);

// The annotated pages of the run, in order and each once: those of the
// pages walked (a cancelled one too), of the result lines and those handed
// to the user, without the summary report.
std::vector<std::string> ResultPages(const App& app, const std::vector<std::string>& shownPages,
                                     const std::string& summaryPath);

}  // namespace vex::cli
