// What a run found out, page by page and link by link, kept for front ends
// that report it (the terminal program's findings list and JSON report). The
// probe fills the details of the link it judges, the walk keeps them with the
// link's mark, the run control rates the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "context/run_state.h"

namespace vex {

// What the probe of one link learnt besides its mark and flags.
struct ProbeDetails {
  int status = 0;            // HTTP status of the final answer; 0 when there was none
  std::int32_t ms = -1;      // answer time of the request; -1 when none was made
  std::string reached;       // address finally reached, when it is another one
  int error = 0;             // the HTTP client's error code; 0 when none
  std::string statusLine;    // the answer's status line ("HTTP/1.1 404 Not Found")
  std::string anchor;        // the fragment looked up, without "#"; empty when none
  bool missingFile = false;  // a local link whose file is not there
};

struct LinkResult {
  std::string address;  // as the page gives it
  std::string mark;
  LinkFlags flags{};
  ProbeDetails probe;
};

struct PageResult {
  std::string target;      // the page checked (a batch entry as written, made absolute)
  std::string resultPath;  // the annotated page; empty when none was written
  std::string rating;      // as in the summary report; empty when the page was not rated
  std::string tally;       // the tally written into the page title
  CountRecord counts;
  bool checked = false;           // the page was loaded and walked (not skipped as not HTML)
  bool cancelled = false;         // the walk was cancelled; the page is saved with the cancel title
  std::vector<LinkResult> links;  // every judged link, in document order
};

struct RunResults {
  std::vector<PageResult> pages;  // in the order they were checked
  // The details of the link being judged now, like RunState::Flags: set by
  // the probe, taken by the walk.
  ProbeDetails link;
};

}  // namespace vex
