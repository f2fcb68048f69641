#include "browser/page_load.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "browser/fake_http_client.h"
#include "context/app.h"
#include "context/browser.h"
#include "platform/system/clock.h"
#include "support/scripted_front_end.h"

namespace vex {
namespace {

std::string FixturePath(const std::string& name) {
  return std::string(VEXALORN_FIXTURES) + "/html/" + name;
}

// What a scripted browser did; outlives the browser, which the wait may end.
struct BrowserLog {
  int stops = 0;
  int quits = 0;
  int polls = 0;
};

// A browser that reports the states of a script, one per poll; the last
// entry repeats. Tokens: "busy", a ready state ("2", "4" ...), "throw", and
// "cancel" (presses Cancel, reports busy). The document's script works alike
// with document states.
class ScriptedBrowser : public Browser {
 public:
  ScriptedBrowser(App& app, BrowserLog& log, std::vector<std::string> states,
                  std::vector<std::string> docStates)
      : app_(app), log_(log), states_(std::move(states)), docStates_(std::move(docStates)) {}

  void Navigate(const std::string&) override {}
  void Gohome() override {}
  bool busy() override {
    ++log_.polls;
    current_ = Next(states_, stateAt_);
    if (current_ == "throw") throw BrowserError("The object invoked has disconnected");
    if (current_ == "cancel") app_.state.CancelFlag = -1;
    return current_ == "busy" || current_ == "cancel";
  }
  int readystate() override { return std::stoi(current_); }
  void stop() override { ++log_.stops; }
  bool offline() override { return false; }
  std::shared_ptr<html::Document> Document() override {
    std::string s = Next(docStates_, docAt_);
    if (s == "throw") throw BrowserError("The object invoked has disconnected");
    if (s == "cancel") {
      app_.state.CancelFlag = -1;
      s = "loading";
    }
    return html::Document::Empty("about:blank", s);
  }
  void Quit() override { ++log_.quits; }
  void Visible(bool) override {}
  void Silent(bool) override {}
  void Offline(bool) override {}
  std::string LoadError() const override { return {}; }

 private:
  static std::string Next(const std::vector<std::string>& script, std::size_t& at) {
    std::string s = script[std::min(at, script.size() - 1)];
    ++at;
    return s;
  }
  App& app_;
  BrowserLog& log_;
  std::vector<std::string> states_, docStates_;
  std::size_t stateAt_ = 0, docAt_ = 0;
  std::string current_;
};

struct WaitCase {
  const char* name;
  int mode;
  const char* stopState;
  std::vector<std::string> states;
  std::vector<std::string> docStates;
  int result;
  std::int64_t pausedMs;
  int stops;
};

class WaitTest : public ::testing::TestWithParam<WaitCase> {
 protected:
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
  BrowserLog log;
};

TEST_P(WaitTest, GivesOneResultPerWayOfEnding) {
  const WaitCase& c = GetParam();
  std::unique_ptr<Browser>& polled = c.mode == kWaitAnchor ? app.AnchorBrowser : app.PageBrowser;
  polled = std::make_unique<ScriptedBrowser>(app, log, c.states, c.docStates);
  const std::int64_t start = clock.NowMs();

  EXPECT_EQ(x_WaitIE(app, c.mode, c.stopState), c.result);
  EXPECT_EQ(clock.NowMs() - start, c.pausedMs);
  EXPECT_EQ(log.stops, c.stops);
  // Every failure leaves the polled browser quit and cleared; success keeps it.
  EXPECT_EQ(polled == nullptr, c.result != 0);
  EXPECT_EQ(log.quits, c.result != 0 ? 1 : 0);
}

const std::vector<std::string> kBusy{"busy"};
const std::vector<std::string> kComplete{"complete"};

INSTANTIATE_TEST_SUITE_P(
    Results, WaitTest,
    ::testing::Values(
        WaitCase{"complete_at_first_poll", kWaitPage, "4", {"4"}, kComplete, 0, 0, 0},
        WaitCase{
            "busy_polls_count", kWaitPage, "4", {"busy", "busy", "1", "4"}, kComplete, 0, 300, 0},
        WaitCase{"document_4_is_ready", kWaitPage, "4", {"4"}, {"4"}, 0, 0, 0},
        WaitCase{"document_becomes_complete",
                 kWaitPage,
                 "4",
                 {"4"},
                 {"loading", "interactive", "complete"},
                 0,
                 200,
                 0},
        WaitCase{"loaded_state_stopped_on_every_poll",
                 kWaitPageProgress,
                 "2",
                 {"2", "2", "busy", "4"},
                 kComplete,
                 0,
                 300,
                 2},
        WaitCase{"loaded_state_never_stopped_for_4",
                 kWaitPage,
                 "4",
                 {"2", "2", "4"},
                 kComplete,
                 0,
                 200,
                 0},
        WaitCase{"anchor_browser", kWaitAnchor, "2", {"busy", "4"}, kComplete, 0, 100, 0},
        WaitCase{"first_phase_times_out", kWaitPage, "4", kBusy, kComplete, -21, 30000, 0},
        WaitCase{"loaded_forever_times_out", kWaitPage, "2", {"2"}, kComplete, -21, 30000, 300},
        WaitCase{"second_phase_times_out", kWaitPage, "4", {"4"}, {"loading"}, -22, 30000, 0},
        WaitCase{
            "cancel_in_first_phase", kWaitPage, "4", {"busy", "cancel"}, kComplete, -11, 200, 0},
        WaitCase{
            "cancel_in_second_phase", kWaitAnchor, "2", {"4"}, {"loading", "cancel"}, -12, 200, 0},
        WaitCase{"lost_in_first_phase", kWaitPage, "4", {"busy", "throw"}, kComplete, -31, 1100, 0},
        WaitCase{
            "lost_in_second_phase", kWaitPage, "4", {"4"}, {"loading", "throw"}, -31, 1100, 0}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return info.param.name; });

class PageLoadTest : public ::testing::Test {
 protected:
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
};

TEST_F(PageLoadTest, WaitWithoutABrowserCountsAsLost) {
  std::int64_t start = clock.NowMs();
  EXPECT_EQ(x_WaitIE(app, kWaitAnchor, "2"), kWaitBrowserLost);
  EXPECT_EQ(clock.NowMs() - start, 1000);
}

TEST_F(PageLoadTest, ProgressModeAdvancesTheBarUpToFifteen) {
  BrowserLog log;
  std::vector<std::string> states(9, "busy");
  states.push_back("4");
  app.PageBrowser = std::make_unique<ScriptedBrowser>(app, log, states, kComplete);
  app.progress.st1_ProBar1.position = 10;
  ASSERT_EQ(x_WaitIE(app, kWaitPageProgress, "2"), kWaitReady);
  EXPECT_EQ(app.progress.st1_ProBar1.position, 15);
  EXPECT_EQ(std::count(ui.refreshes.begin(), ui.refreshes.end(), View::Progress), 5);

  app.progress.st1_ProBar1.position = 3;
  app.PageBrowser =
      std::make_unique<ScriptedBrowser>(app, log, std::vector<std::string>{"4"}, kComplete);
  ASSERT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitReady);
  EXPECT_EQ(app.progress.st1_ProBar1.position, 3);
}

TEST_F(PageLoadTest, OpensALocalPageAndWaitsUntilItIsReady) {
  x_OpenIE(app, FixturePath("marks.html"));
  ASSERT_NE(app.PageBrowser, nullptr);
  EXPECT_EQ(app.main.Edit4, FixturePath("marks.html"));
  std::int64_t start = clock.NowMs();
  ASSERT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitReady);
  EXPECT_EQ(clock.NowMs() - start, 0);  // complete at the first poll: no pause
  EXPECT_EQ(app.PageBrowser->Document()->title(), "Marks");

  // Loaded with stop state "2": stopped at once, the page read in full.
  Browser* same = app.PageBrowser.get();
  x_OpenIE(app, FixturePath("names.html"));
  EXPECT_EQ(app.PageBrowser.get(), same);
  ASSERT_EQ(x_WaitIE(app, kWaitPageProgress, "2"), kWaitReady);
  EXPECT_EQ(app.PageBrowser->Document()->getElementsByName("dup").length(), 2u);
}

TEST_F(PageLoadTest, EmptyAddressOpensHomeThenTheAddressInEdit4) {
  app.main.Edit4 = FixturePath("names.html");
  x_OpenIE(app, "");
  ASSERT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitReady);
  EXPECT_EQ(app.PageBrowser->Document()->title(), "Names");
}

TEST_F(PageLoadTest, WaitsForAWebPageThroughTheClient) {
  http::Response r;
  r.status = 200;
  r.headers = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
  r.body = "<title>Web</title><a href='/x'>x</a>";
  http.Serve("http://a.example/p", r, 5);
  x_OpenIE(app, "http://a.example/p");
  ASSERT_EQ(x_WaitIE(app, kWaitPageProgress, "2"), kWaitReady);
  auto doc = app.PageBrowser->Document();
  EXPECT_EQ(doc->title(), "Web");
  EXPECT_EQ(doc->links().item(0).href(), "http://a.example/x");
}

TEST_F(PageLoadTest, ABrowserClosedDuringTheWaitIsLost) {
  http.Serve("http://a.example/", http::Response{}, 50);
  x_OpenIE(app, "http://a.example/");
  int events = 0;
  ui.onEvents = [&] {
    if (++events == 3 && app.PageBrowser) app.PageBrowser->Quit();
  };
  EXPECT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitBrowserLost);
  EXPECT_EQ(app.PageBrowser, nullptr);
}

}  // namespace
}  // namespace vex
