// The check of one target, and the count records of a page and of a run.
#pragma once

#include <string>

#include "context/run_state.h"

namespace vex {

struct App;

// Results of x_CheckOne besides 0 (checked, or a target that is only a
// fragment) and the codes of the preparation and the walk passed on.
enum CheckResult : int {
  kCheckDone = 0,
  kCheckFramePicked = 2,  // a frame was picked; Edit1 holds its address
  kCheckPageFailed = -4,  // the page could not be fetched; TargetLoadFailure says why
  kCheckToldUser = -9,    // the user was told, cancelled the walk, or the target is no page
};

// Checks one target (empty: Edit1's text); a non-empty target comes back as
// the annotated page's path. Returns the check's result code.
[[nodiscard]] int x_CheckOne(App& app, std::string& target);

void ClearCounts(CountRecord& counts);

// Adds the page into the totals and returns the page's rating text in the
// marks of `charMode`.
std::string AddPageResult(const CountRecord& page, CountRecord& totals, int charMode);
// The same in the marks of CharMode 0, for callers that have no run state at
// hand; callers that have one pass its CharMode.
std::string AddPageResult(const CountRecord& page, CountRecord& totals);

// The rating of one page: "Very good!<12>", "<12>×2△1", "<12>good!(--)3".
std::string RatingText(const CountRecord& page, int charMode);

}  // namespace vex
