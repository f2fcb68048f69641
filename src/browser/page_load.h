// Opening an address in the page browser and waiting until its page is
// ready: the bounded, cancellable poll that sits between the check and the
// browser component.
#pragma once

#include <string>

namespace vex {

struct App;

// Results of x_WaitIE; callers compare ranges (below -19: not ready in time
// or lost twice, -19..-1: cancelled or lost).
enum WaitResult : int {
  kWaitReady = 0,
  kWaitCancelledLoading = -11,   // cancelled in the first phase
  kWaitCancelledDocument = -12,  // cancelled in the second phase
  kWaitLoadTimedOut = -21,       // the browser never reached ready state 4
  kWaitDocumentTimedOut = -22,   // the document never reported "complete"
  kWaitBrowserLost = -31,        // a call on the browser failed
};

// Which browser the wait polls, and how.
enum WaitMode : int {
  kWaitPage = 0,          // PageBrowser
  kWaitPageProgress = 1,  // PageBrowser, advancing the progress bar up to 15
  kWaitAnchor = 2,        // AnchorBrowser
};

// Opens `address` in PageBrowser (created when empty, with Silent set), through
// Edit4; an empty address loads the home page first and then navigates to the
// text already in Edit4. Raises BrowserError when the browser fails.
void x_OpenIE(App& app, const std::string& address);

// Polls the browser of `mode` until its page is ready: at most 300 polls of
// the browser's ready state, then at most 300 of the document's, 100 ms
// apart, looking at the cancel flag on every poll. A stopState of "2" stops
// the loading of a page as soon as it is loaded. Every non-zero result leaves
// the polled browser quit and its reference empty.
[[nodiscard]] int x_WaitIE(App& app, int mode, const std::string& stopState);

}  // namespace vex
