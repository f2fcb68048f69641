// The terminal program after the frame chooser: there is no second Check!
// press, so the picked frame's page is checked at once.
#pragma once

#include <cstdio>

#include "control/check_run.h"

namespace vex {
struct App;
}

namespace vex::cli {

// Frame sets picked within frame sets are followed this deep, no deeper.
inline constexpr int kMaxFrameLevels = 8;

// When `outcome` ended a single-target run with a frame picked (Edit1 now
// holds its address), says so on `err` and checks that address, again while
// the picked page is a frame set too. Returns the last run's outcome.
[[nodiscard]] RunOutcome CheckChosenFrames(App& app, RunOutcome outcome, std::FILE* err);

}  // namespace vex::cli
