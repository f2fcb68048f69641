// The terminal program's machine-readable report (--format json): one JSON
// document with the run and every page and judged link. Its shape is kept
// stable; "version" changes only when a field changes meaning or goes away.
#pragma once

#include <string>

#include "context/run_results.h"

namespace vex::cli {

inline constexpr int kJsonReportVersion = 1;

// What the report says about the run as a whole.
struct RunFacts {
  std::string target;  // as given on the command line (made absolute for a file)
  std::string start;   // "yyyy/mm/dd hh:nn:ss", local time
  std::string end;
  int charMode = 0;
  int jumpMode = 0;
  int exitStatus = 0;
  std::string summaryPath;  // empty when none was written
};

// The document, indented by two, ending with a line break. Text that is not
// UTF-8 is written with replacement characters.
[[nodiscard]] std::string JsonReport(const RunFacts& run, const RunResults& results);

}  // namespace vex::cli
