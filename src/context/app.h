// The program's one context: run state, window models, and the services the
// core talks through (front end, clock, HTTP client, browser references).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "context/front_end.h"
#include "context/models.h"
#include "context/run_results.h"
#include "context/run_state.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"

namespace vex {

class Browser;
class ProbePrefetcher;
namespace html {
class Document;
}

// A page of the run fetched ahead, kept for its first load.
struct FetchedPage {
  http::Response response;
  // The document read from this very answer for the page's links, while the
  // reader still keeps it: the load takes it instead of parsing the page
  // once more.
  std::weak_ptr<html::Document> parsed;
};

struct App {
  App(FrontEnd& frontEnd, Clock& clock, http::Client& http);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  FrontEnd& ui;
  Clock& clock;
  http::Client& http;

  RunState state;
  // What the last run found, for the front ends that report it.
  RunResults results;
  MainWindowModel main;
  ProgressModel progress;
  FrameChooserModel frames;

  // Browser references; empty until created.
  std::unique_ptr<Browser> PageBrowser;
  std::unique_ptr<Browser> AnchorBrowser;
  std::unique_ptr<Browser> IdleBrowser;
  // Requests made ahead of the link walk; lives for one run (empty when
  // links are probed one after another). Shared only so that the context
  // needs no complete type: the run's PrefetchScope is its one owner.
  std::shared_ptr<ProbePrefetcher> Prefetch;
  // Pages of the run fetched ahead (to read their links), by address: the
  // first load of that address in the run takes its copy instead of asking
  // the server again.
  std::unordered_map<std::string, FetchedPage> FetchedPages;
  // The process ends after this run (the terminal program): what a run read
  // ahead is not freed piece by piece at its end but kept here, for the
  // system to take back at once.
  bool exitsAfterRun = false;
  std::vector<std::shared_ptr<void>> keptToExit;
  // Set for the time of a run by its prefetcher: takes what has arrived and
  // starts what may start, so that requests go on while the run works on a
  // page (preparing it, writing its result) and not only while it waits.
  std::function<void()> MoveTransfers;

  // The run's steps that tests replace with scripted ones; empty means the
  // real step (the context cannot name the run control above it).
  struct Steps {
    // The single-target sequence (x_CheckOne).
    std::function<int(App&, std::string& target)> CheckOne;
    // Page preparation (x_GetHtml).
    std::function<int(App&, const std::string& explicitTarget)> GetHtml;
  };
  Steps steps;

  // Named views of the main window's line boxes.
  LineList& HeaderBlock() { return main.Memo1; }
  LineList& SettingsImage() { return main.Memo4; }
  LineList& NoCheckList() { return main.Memo7; }
  LineList& CannotCheckList() { return main.Memo8; }

  // Pause while processing events (goes through the front end).
  void Pause(int ms) { ui.Pause(ms); }
  void ProcessEvents() {
    ui.ProcessEvents();
    if (MoveTransfers) MoveTransfers();
  }
};

}  // namespace vex
