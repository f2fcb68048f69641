// The check of one target, and the count records of a page and of a run.
#pragma once

#include <string>

#include "app/run_state.h"

namespace vex {

struct App;

// Checks one target (empty: Edit1's text); a non-empty target comes back as
// the annotated page's path. Returns the check's result code.
[[nodiscard]] int x_CheckOne(App& app, std::string& target);

void ClearCounts(CountRecord& counts);

// Adds the page into the totals and returns the page's rating text.
std::string AddPageResult(const CountRecord& page, CountRecord& totals);

}  // namespace vex
