#include "browser/loading_browser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "browser/fake_http_client.h"
#include "context/app.h"
#include "platform/system/clock.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

std::string FixturePath(const std::string& name) {
  return std::string(VEXALORN_FIXTURES) + "/html/" + name;
}

http::Response Page(std::string body, std::string contentType = "text/html") {
  http::Response r;
  r.status = 200;
  r.headers = "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\n\r\n";
  r.body = std::move(body);
  return r;
}

class BrowserTest : public ::testing::Test {
 protected:
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
  std::unique_ptr<Browser> browser = MakeBrowser(app);

  // Asks `busy` until the page is complete; returns the ready states seen.
  std::string DriveToComplete() {
    std::string seen;
    for (int i = 0; i < 20 && browser->readystate() != 4; ++i) {
      seen += browser->busy() ? "b" : std::to_string(browser->readystate());
    }
    return seen;
  }
};

TEST_F(BrowserTest, LocalFileIsCompleteAtTheFirstPoll) {
  EXPECT_EQ(browser->readystate(), 0);
  browser->Navigate(FixturePath("no_base.html"));
  EXPECT_EQ(browser->readystate(), 1);
  EXPECT_EQ(browser->Document()->readystate(), "loading");
  EXPECT_EQ(DriveToComplete(), "4");
  auto doc = browser->Document();
  EXPECT_EQ(doc->readystate(), "complete");
  EXPECT_EQ(doc->title(), "No base");
  EXPECT_EQ(doc->address(), "file://" + FixturePath("no_base.html"));
  EXPECT_EQ(doc->links().item(0).href(), "file://" + FixturePath("sibling.html"));
}

TEST_F(BrowserTest, FileAddressAndPlainPathLoadTheSamePage) {
  for (std::string address :
       {"file://" + FixturePath("sjis_meta.html"), "  " + FixturePath("sjis_meta.html") + " "}) {
    browser->navigate2(address);
    DriveToComplete();
    EXPECT_EQ(browser->Document()->title(), "日本語のページ") << address;
  }
}

TEST_F(BrowserTest, WebPageIsBusyWhileTheTransferRuns) {
  std::string latin1 = "<title>Caf\xE9</title><a href=x.html>x</a>";
  http::Response r = Page(latin1, "text/html; charset=ISO-8859-1");
  r.effectiveUrl = "http://moved.example/dir/";  // after a redirect
  http.Serve("http://a.example/", r, 3);
  browser->Navigate("http://a.example/");
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_GT(http.requests[0].maxBodyBytes, 1000000u);
  EXPECT_EQ(DriveToComplete(), "bb4");
  auto doc = browser->Document();
  EXPECT_EQ(doc->title(), "Café");
  EXPECT_EQ(doc->links().item(0).href(), "http://moved.example/dir/x.html");
  EXPECT_EQ(browser->LoadError(), "");
}

TEST_F(BrowserTest, StopKeepsWhatWasLoaded) {
  // Stopped before anything arrived: an empty page, and the transfer ends.
  http.Serve("http://slow.example/", Page("<title>Late</title>"), 100);
  browser->Navigate("http://slow.example/");
  EXPECT_TRUE(browser->busy());
  browser->stop();
  EXPECT_EQ(http.cancelled, 1);
  EXPECT_EQ(browser->readystate(), 4);
  EXPECT_EQ(browser->Document()->title(), "");
}

TEST_F(BrowserTest, UnreachablePagesLoadAsEmptyPages) {
  for (std::string address : {std::string("http://unknown.example/"), FixturePath("missing.html"),
                              std::string("ftp://a.example/")}) {
    browser->Navigate(address);
    DriveToComplete();
    EXPECT_NE(browser->LoadError(), "") << address;
    auto doc = browser->Document();
    EXPECT_EQ(doc->getElementsByTagName("BODY").length(), 1u) << address;
    EXPECT_EQ(doc->links().length(), 0u);
  }
}

TEST_F(BrowserTest, DevicesAndFifosAreNotRead) {
  testing::TempDir dir;
  const std::string fifo = dir / "pipe.html";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (std::string address : {std::string("file:///dev/zero"), std::string("/dev/urandom"), fifo}) {
    browser->Navigate(address);
    EXPECT_EQ(DriveToComplete(), "4") << address;
    EXPECT_NE(browser->LoadError(), "") << address;
    EXPECT_FALSE(browser->PageCut()) << address;
  }
}

// A local page gets the limit of a web page.
TEST_F(BrowserTest, PagesOverTheLimitAreCut) {
  testing::TempDir dir;
  const std::string big = dir.Write("big.html", "<title>big</title>");
  ASSERT_EQ(truncate(big.c_str(), kMaxPageBytes + 1), 0);
  http::Response longBody = Page(std::string(kMaxPageBytes + 500, ' '));
  longBody.bodyCut = true;
  http.Serve("http://a.example/big.html", longBody);
  for (const std::string& address : {big, std::string("http://a.example/big.html")}) {
    browser->Navigate(address);
    DriveToComplete();
    EXPECT_TRUE(browser->PageCut()) << address;
    EXPECT_EQ(browser->LoadError(), "") << address;
  }
  EXPECT_EQ(browser->Document()->getElementsByTagName("BODY").length(), 1u);
  browser->Navigate(FixturePath("no_base.html"));
  DriveToComplete();
  EXPECT_FALSE(browser->PageCut());
}

TEST_F(BrowserTest, HomeIsAnEmptyPage) {
  browser->Gohome();
  EXPECT_EQ(DriveToComplete(), "4");
  EXPECT_EQ(browser->Document()->address(), "about:blank");
  EXPECT_TRUE(http.requests.empty());
  EXPECT_FALSE(browser->offline());
}

TEST_F(BrowserTest, VisibleHandsTheLoadedPageToTheUserOnce) {
  browser->Visible(true);  // nothing loaded yet: nothing to show
  browser->Visible(false);
  browser->Navigate(FixturePath("marks.html"));
  DriveToComplete();
  browser->Visible(true);
  browser->Visible(true);
  http.Serve("http://a.example/", Page("x"));
  browser->Visible(false);
  browser->Navigate("http://a.example/");
  browser->Visible(true);
  EXPECT_EQ(ui.shownPages,
            (std::vector<std::string>{FixturePath("marks.html"), "http://a.example/"}));
}

TEST_F(BrowserTest, EveryCallAfterQuitFails) {
  http.Serve("http://a.example/", Page("x"), 50);
  browser->Navigate("http://a.example/");
  browser->Quit();
  EXPECT_EQ(http.cancelled, 1);
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"Navigate", [&] { browser->Navigate("about:blank"); }},
      {"busy", [&] { (void)browser->busy(); }},
      {"readystate", [&] { (void)browser->readystate(); }},
      {"stop", [&] { browser->stop(); }},
      {"Document", [&] { (void)browser->Document(); }},
      {"Visible", [&] { browser->Visible(true); }},
      {"Quit", [&] { browser->Quit(); }},
  };
  for (const auto& [name, call] : calls) EXPECT_THROW(call(), BrowserError) << name;
}

TEST_F(BrowserTest, NavigatingAwayEndsTheRunningTransfer) {
  http.Serve("http://a.example/", Page("a"), 50);
  browser->Navigate("http://a.example/");
  browser->Navigate(FixturePath("no_base.html"));
  EXPECT_EQ(http.cancelled, 1);
  DriveToComplete();
  EXPECT_EQ(browser->Document()->title(), "No base");
}

}  // namespace
}  // namespace vex
