// The summary page of a run over several targets: when it ran, what was asked
// for, how many pages were very good, good or need a look, and one row per
// page with its rating (linked to its annotated copy) and its address.
#pragma once

#include <string>

#include "platform/text/line_list.h"

namespace vex {

struct App;

enum class SummaryStatus {
  Written,      // the page was saved at the path
  NoResults,    // no result lines: nothing built, nothing saved
  NotSaved,     // built, but the path was empty
  WriteFailed,  // the file could not be written
};

// The page's lines, without line ends; empty when there are no result lines.
// `reportPath` decides how the rating links name the annotated pages.
LineList BuildSummaryReport(const App& app, const std::string& reportPath);

// Builds the page and saves it at `path` in UTF-8 with a byte-order mark and
// CR LF line ends, replacing any file there.
[[nodiscard]] SummaryStatus WriteSummaryReport(const App& app, const std::string& path);

}  // namespace vex
