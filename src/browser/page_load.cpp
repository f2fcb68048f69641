#include "browser/page_load.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "browser/loading_browser.h"
#include "context/app.h"

namespace vex {

namespace {

constexpr int kMaxPolls = 300;
constexpr int kPollPauseMs = 100;
constexpr int kLostPauseMs = 1000;
constexpr int kProgressCeiling = 15;
// While a web transfer runs, the pause between polls drives the client in
// slices of this many ms and ends as soon as the transfer has finished.
constexpr int kTransferSliceMs = 10;

std::unique_ptr<Browser>& PolledBrowser(App& app, int mode) {
  return mode == kWaitAnchor ? app.AnchorBrowser : app.PageBrowser;
}

// Quit, then clear the reference; a browser that fails to quit is dropped all
// the same.
void QuitAndClear(std::unique_ptr<Browser>& browser) {
  if (!browser) return;
  try {
    browser->Quit();
  } catch (const BrowserError&) {
  }
  browser.reset();
}

Browser& Reachable(std::unique_ptr<Browser>& browser) {
  if (!browser) throw BrowserError("No browser to poll");
  return *browser;
}

// Steps 1.1 and 1.2 of every poll: progress, then the user's events.
void BeginPoll(App& app, int mode) {
  if (mode == kWaitPageProgress && app.progress.st1_ProBar1.position < kProgressCeiling) {
    ++app.progress.st1_ProBar1.position;
    app.ui.Refresh(View::Progress);
  }
  app.ProcessEvents();
}

// The pause between two polls. A load that waits for its transfer is moved
// on meanwhile and polled again once the transfer is in, so a page that
// arrives in a few ms costs a few ms, not a whole pause; otherwise (a local
// page, or no transfer) the plain pause. Either way a poll that finds
// nothing new comes a whole pause after the one before.
void PauseBetweenPolls(App& app, const std::unique_ptr<Browser>& browser) {
  if (!browser || !browser->WaitsForTransfer()) {
    app.Pause(kPollPauseMs);
    return;
  }
  const std::int64_t start = app.clock.NowMs();
  for (int slice = 0; slice < kPollPauseMs / kTransferSliceMs; ++slice) {
    app.http.Poll(kTransferSliceMs);
    app.ProcessEvents();
    if (!browser || !browser->WaitsForTransfer()) return;
  }
  const std::int64_t left = kPollPauseMs - (app.clock.NowMs() - start);
  if (left > 0) app.Pause(static_cast<int>(left));
}

}  // namespace

void x_OpenIE(App& app, const std::string& address) {
  if (!app.PageBrowser) {
    app.PageBrowser = MakeBrowser(app);
    app.PageBrowser->Silent(true);
  }
  if (!address.empty()) {
    app.main.Edit4 = address;
  } else {
    app.PageBrowser->Gohome();
  }
  app.PageBrowser->Navigate(app.main.Edit4);
}

int x_WaitIE(App& app, int mode, const std::string& stopState) {
  std::unique_ptr<Browser>& browser = PolledBrowser(app, mode);

  // First phase: the browser's ready state.
  bool loaded = false;
  for (int polls = 0; polls < kMaxPolls;) {
    BeginPoll(app, mode);
    if (app.state.CancelFlag != 0) {
      QuitAndClear(browser);
      return kWaitCancelledLoading;
    }
    std::string state;
    try {
      Browser& b = Reachable(browser);
      if (!b.busy()) state = std::to_string(b.readystate());
      if (state == "2" && stopState == "2") b.stop();
    } catch (const std::exception&) {
      QuitAndClear(browser);
      app.Pause(kLostPauseMs);
      return kWaitBrowserLost;
    }
    if (state == "4") {
      loaded = true;
      break;
    }
    PauseBetweenPolls(app, browser);
    ++polls;
  }
  if (!loaded) {
    QuitAndClear(browser);
    return kWaitLoadTimedOut;
  }

  // Second phase: the document's ready state.
  for (int polls = 0; polls < kMaxPolls; ++polls) {
    BeginPoll(app, mode);
    if (app.state.CancelFlag != 0) {
      QuitAndClear(browser);
      return kWaitCancelledDocument;
    }
    std::string state;
    try {
      state = Reachable(browser).Document()->readystate();
    } catch (const std::exception&) {
      QuitAndClear(browser);
      app.Pause(kLostPauseMs);
      return kWaitBrowserLost;
    }
    if (state == "4" || state == "complete") return kWaitReady;
    PauseBetweenPolls(app, browser);
  }
  QuitAndClear(browser);
  return kWaitDocumentTimedOut;
}

}  // namespace vex
