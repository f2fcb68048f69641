#include "links/link_walk.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "context/app.h"
#include "context/browser.h"
#include "context/texts.h"
#include "links/link_prefetch.h"
#include "platform/html/html_document.h"
#include "platform/http/http_client.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "settings/settings_file.h"
#include "support/loopback_server.h"
#include "support/scripted_front_end.h"
#include "support/shiftable_clock.h"
#include "support/walk_context.h"

namespace vex {
namespace {

using testing::LoopbackServer;

void Html(httplib::Response& res, const std::string& body) {
  res.set_content(body, "text/html");
}

// One site for the whole program; hits are counted per path.
LoopbackServer& Site() {
  static LoopbackServer* site = [] {
    testing::KeepRequestsOnLoopback();
    auto* s = new LoopbackServer;
    httplib::Server& h = s->server();
    for (const char* path : {"/good", "/count", "/home/a", "/home/b", "/home/c", "/home/d"}) {
      h.Get(path, [](const httplib::Request&, httplib::Response& res) { Html(res, "<p>ok</p>"); });
    }
    h.Get(R"(/n/(\d+))",
          [](const httplib::Request&, httplib::Response& res) { Html(res, "<p>n</p>"); });
    for (const char* path : {"/gone", "/lost"}) {
      h.Get(path, [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    }
    h.Get("/auth", [](const httplib::Request&, httplib::Response& res) { res.status = 401; });
    h.Get("/a b.html",
          [](const httplib::Request&, httplib::Response& res) { Html(res, "<p>blank</p>"); });
    h.Get("/moved",
          [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/good", 301); });
    h.Get("/anchors", [](const httplib::Request&, httplib::Response& res) {
      Html(res, "<html><body><p id=\"here\">here</p></body></html>");
    });
    s->Start();
    return s;
  }();
  return *site;
}

std::string Url(const std::string& path) {
  return Site().Url(path);
}

// The walk's surroundings, with the site started.
struct WalkContext : testing::WalkContext {
  WalkContext() { Site(); }
};

using testing::ReadSaved;
using testing::SavedPage;

// The tooltip and text of the mark at every link: inside an A as its first
// child, before an AREA; empty when the link has none.
struct Mark {
  std::string title;
  std::string text;
  bool operator==(const Mark&) const = default;
};

std::vector<Mark> MarksOf(html::Document& doc) {
  std::vector<Mark> marks;
  const html::Collection links = doc.links();
  for (std::size_t i = 0; i < links.length(); ++i) {
    const html::Element link = links.item(i);
    html::Node* n = link.node();
    html::Node* u = link.tagname() == "AREA" ? n->prev : n->firstChild;
    if (u && u->IsHtml("u")) {
      const html::Element e(link.document(), u);
      marks.push_back({e.getAttribute("title").value_or(""), e.text()});
    } else {
      marks.push_back({});
    }
  }
  return marks;
}

// --- the full page: every kind of link ---------------------------------------

// Links of the page, in document order.
std::vector<std::string> FullPageLinks() {
  return {Url("/good"),
          Url("/gone"),
          Url("/moved"),
          Url("/auth"),
          "https://127.0.0.1:9/secure",
          "mailto:someone@example.com",
          Url("/good?x=1"),
          "ftp://127.0.0.1/file",
          Url("/count"),
          Url("/count"),
          Url("/anchors#here"),
          Url("/lost"),
          "mailto:other@example.com",
          Url("/lost"),
          Url("/good")};
}

std::string FullPageBody() {
  const auto l = FullPageLinks();
  std::string body;
  for (std::size_t i = 0; i + 1 < l.size(); ++i) {
    body += "<a href=\"" + l[i] + "\">link" + std::to_string(i) + "</a>\r\n";
  }
  body +=
      "<img usemap=\"#m\" src=\"x.png\"><map name=\"m\"><area shape=\"rect\" coords=\"0,0,1,1\" "
      "href=\"" +
      l.back() + "\"></map>";
  return body;
}

struct ModeCase {
  const char* name;
  int charMode;
  int jumpMode;
  std::string title;
};
void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

// Every mode, with links probed one after another and with requests made
// ahead: the results must not differ.
class FullPageWalkTest : public ::testing::TestWithParam<std::tuple<ModeCase, int>> {};

TEST_P(FullPageWalkTest, MarksCountsAndTitle) {
  const ModeCase& c = std::get<0>(GetParam());
  WalkContext ctx;
  ctx.app.state.ParallelProbes = std::get<1>(GetParam());
  ctx.SetModes(c.charMode, c.jumpMode);
  ctx.SetPage(FullPageBody());
  ctx.app.main.Memo1 = {"header"};
  const int countHits = Site().Hits("/count");
  const int lostHits = Site().Hits("/lost");

  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  EXPECT_TRUE(ctx.ui.messages.empty());
  EXPECT_TRUE(StartsWith(path, ctx.home.path().string())) << path;

  // A repeated address is probed once.
  EXPECT_EQ(Site().Hits("/count") - countHits, 1);
  EXPECT_EQ(Site().Hits("/lost") - lostHits, 1);

  const std::vector<std::string> links = FullPageLinks();
  const bool en = c.charMode == 1;
  const std::string good = en ? "(OK)" : "◎";
  const std::string ng = en ? "(NG)" : "×";
  const std::string auth = en ? "(Auth)" : "(認)△";
  const std::string warn = en ? "(--)" : "△";
  const std::vector<std::string> texts = {
      good, ng,   "R-" + good,        auth, auth, warn, warn, "",
      good, good, en ? "#OK#" : "#◎", ng,   warn, ng,   good};
  SavedPage saved = ReadSaved(path);
  const std::vector<Mark> marks = MarksOf(*saved.doc);
  ASSERT_EQ(marks.size(), links.size());
  for (std::size_t i = 0; i < links.size(); ++i) {
    const std::string prefix = i + 1 == links.size() ? "AREA:" : "A:";
    const Mark expected = texts[i].empty() ? Mark{} : Mark{prefix + links[i], texts[i]};
    EXPECT_EQ(marks[i], expected) << "link " << i << " " << links[i];
  }
  EXPECT_EQ(saved.doc->title(), c.title);
  // The page's rating counts the repeated broken link after a mail link as
  // broken, as its mark says.
  const CountRecord& pc = ctx.app.state.PageCounts;
  EXPECT_EQ(pc.LinkCount, 15);
  EXPECT_EQ(pc.BrokenCount, 3);
  EXPECT_EQ(pc.TimedOutCount, 0);
  EXPECT_EQ(pc.AnchorCount, 0);
  EXPECT_EQ(pc.JumpCount, 0);
  EXPECT_EQ(pc.RedirectedCount, 1);
  EXPECT_EQ(pc.AuthCount, 5);
  EXPECT_EQ(pc.PagesCounted, 0);

  // The logs: every address read goes to Memo1, every judged one to FrameUrls.
  const LineList& memo = ctx.app.main.Memo1;
  ASSERT_EQ(memo.size(), links.size() + 1);
  for (std::size_t i = 0; i < links.size(); ++i) EXPECT_EQ(memo[i + 1], links[i]);
  const LineList& log = ctx.app.state.FrameUrls;
  auto logged = [&log](const std::string& a) {
    for (const auto& l : log) {
      if (l == a) return true;
    }
    return false;
  };
  EXPECT_TRUE(logged("https://127.0.0.1:9/secure"));
  EXPECT_TRUE(logged("mailto:someone@example.com"));
  EXPECT_FALSE(logged("ftp://127.0.0.1/file"));

  // The run's use: the browsers are closed, the title restored.
  EXPECT_FALSE(ctx.app.PageBrowser);
  EXPECT_FALSE(ctx.app.AnchorBrowser);
  EXPECT_TRUE(ctx.ui.shownPages.empty());
  EXPECT_EQ(ctx.app.main.TaskbarTitle, "VEXALORN");
  EXPECT_EQ(ctx.app.progress.Label1, "15 / 15" + std::string(texts::TxtChecking[c.charMode]));
  EXPECT_EQ(ctx.app.progress.st1_ProBar1.max, 15);
  EXPECT_EQ(ctx.app.progress.st1_ProBar1.position, 15);
  // The annotated page is what WorkLines now holds.
  std::string lines;
  ASSERT_TRUE(ReadFileBytes(path, lines));
  EXPECT_EQ(lines, "\xEF\xBB\xBF" + JoinLines(ctx.app.state.WorkLines, true));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FullPageWalkTest,
    ::testing::Combine(
        ::testing::Values(
            ModeCase{"japanese_search_pages", 0, 0, "((VEXALORN:検索用: 15links X:3 R:1 )) Links"},
            ModeCase{"japanese_link_pages", 0, 1, "((VEXALORN:ﾘﾝｸ集用: 15links X:3 R:1 )) Links"},
            ModeCase{"japanese_home_pages", 0, 2, "((VEXALORN:Web用: 15links X:3 R:1 )) Links"},
            ModeCase{"english_search_pages", 1, 0, "((VEXALORN:S-Page: 15links X:3 R:1 )) Links"},
            ModeCase{"english_link_pages", 1, 1, "((VEXALORN:L-Page: 15links X:3 R:1 )) Links"},
            ModeCase{"english_home_pages", 1, 2, "((VEXALORN:g-Page: 15links X:3 R:1 )) Links"}),
        ::testing::Values(1, kDefaultParallel)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == 1 ? "_one_at_a_time" : "_in_parallel");
    });

// --- small pages ---------------------------------------------------------------

struct SmallPageCase {
  const char* name;
  int noHeaderBlock;
  std::vector<std::string> links;  // paths of the site, or whole addresses
  std::string title;               // of the saved page
  int shownTotal;
};
void PrintTo(const SmallPageCase& c, std::ostream* os) {
  *os << c.name;
}

class SmallPageWalkTest : public ::testing::TestWithParam<SmallPageCase> {};

TEST_P(SmallPageWalkTest, TitleAndTotal) {
  const SmallPageCase& c = GetParam();
  WalkContext ctx;
  ctx.SetModes(1, 0);
  ctx.app.state.NoHeaderBlock = c.noHeaderBlock;
  ctx.app.NoCheckList() = {Site().Url("/home/").substr(7), "javascript:vexalorn1", "---SEP---"};
  std::string body;
  for (const auto& l : c.links) {
    body += "<a href=\"" + (StartsWith(l, "/") ? Url(l) : l) + "\">x</a>";
  }
  ctx.SetPage(body);
  const int homeHits = Site().Hits("/home/a") + Site().Hits("/home/d");

  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  EXPECT_EQ(Site().Hits("/home/a") + Site().Hits("/home/d"), homeHits);
  SavedPage saved = ReadSaved(path);
  EXPECT_EQ(saved.doc->title(), c.title);
  EXPECT_EQ(ctx.app.state.PageCounts.LinkCount, c.shownTotal);
  // Without links the label keeps the text it was given before the loop.
  const std::string total = std::to_string(c.shownTotal);
  EXPECT_EQ(ctx.app.progress.Label1,
            total + (c.links.empty() ? "/" : " / ") + total + "On Checking");
  for (const Mark& m : MarksOf(*saved.doc)) {
    if (m.title.find("/home/") != std::string::npos) ADD_FAILURE() << m.title;
  }
}

const std::vector<std::string> kHeaderLinks = {"/home/a", "/home/b", "/home/c", "/home/d"};

INSTANTIATE_TEST_SUITE_P(
    Pages, SmallPageWalkTest,
    ::testing::Values(
        SmallPageCase{"no_links", 1, {}, "((VEXALORN:S-Page: 0link ))Links", 0},
        SmallPageCase{"header_block_only", 0, kHeaderLinks, "((VEXALORN:S-Page: 0link ))Links", 0},
        SmallPageCase{"header_block_and_two_links",
                      0,
                      {"/home/a", "/home/b", "/home/c", "/home/d", "/good", "/count"},
                      "((VEXALORN:S-Page: 2links very good!! )) Links",
                      2},
        SmallPageCase{
            "one_good_link", 1, {"/good"}, "((VEXALORN:S-Page: 1link very good!! )) Links", 1},
        SmallPageCase{"unverifiable_only",
                      1,
                      {"https://127.0.0.1:9/", "javascript:void(0)"},
                      "((VEXALORN:S-Page: 2links good! )) Links",
                      2},
        // Judged by the scheme, not by "http://" somewhere in the address.
        SmallPageCase{"data_address_holding_http",
                      1,
                      {"data:text/html,http://127.0.0.1:9/x"},
                      "((VEXALORN:S-Page: 1link very good!! )) Links",
                      1},
        // A page that should carry the header block but lost its links
        // never shows a total below 0.
        SmallPageCase{
            "header_block_links_missing", 0, {"/good"}, "((VEXALORN:S-Page: 0link ))Links", 0},
        SmallPageCase{"ftp_gets_no_count",
                      1,
                      {"ftp://127.0.0.1/x"},
                      "((VEXALORN:S-Page: 1link very good!! )) Links",
                      1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkWalkTest, AddressWithQuoteAndMarkupStaysInTheTooltip) {
  WalkContext ctx;
  // A mail address keeps quotes and angle brackets as written.
  ctx.SetPage("<a href='mailto:x\"&amp;<b>boom</b>@example.com'>mail</a>");
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  SavedPage saved = ReadSaved(path);
  EXPECT_EQ(saved.doc->getElementsByTagName("B").length(), 0u);
  const std::vector<Mark> marks = MarksOf(*saved.doc);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0], (Mark{"A:mailto:x\"&<b>boom</b>@example.com", "△"}));
}

TEST(LinkWalkTest, BlankInAddressIsRequestedEscapedAndShownSo) {
  WalkContext ctx;
  ctx.SetPage("<a href=\"" + Url("/a b.html") + "\">x</a>");
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  SavedPage saved = ReadSaved(path);
  EXPECT_EQ(MarksOf(*saved.doc), (std::vector<Mark>{{"A:" + Url("/a%20b.html"), "◎"}}));
}

TEST(LinkWalkTest, AnnotatedPageKeepsTheDoctype) {
  WalkContext ctx;
  ctx.app.state.WorkLines = {
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
      "\"http://www.w3.org/TR/html4/strict.dtd\">",
      "<html><head><title>T</title></head><body>x</body></html>"};
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  SavedPage saved = ReadSaved(path);
  EXPECT_TRUE(StartsWith(saved.bytes,
                         "\xEF\xBB\xBF<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
                         "\"http://www.w3.org/TR/html4/strict.dtd\">\r\n<html>"))
      << saved.bytes.substr(0, 120);
}

TEST(LinkWalkTest, ShownWhenNoTargetWasGiven) {
  WalkContext ctx;
  ctx.SetPage("<a href=\"" + Url("/good") + "\">x</a>");
  std::string none;
  ASSERT_EQ(WalkLinks(ctx.app, none), 0);
  EXPECT_TRUE(none.empty());
  ASSERT_EQ(ctx.ui.shownPages.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(ctx.ui.shownPages[0]));
  EXPECT_FALSE(ctx.app.PageBrowser);
  SavedPage saved = ReadSaved(ctx.ui.shownPages[0]);
  EXPECT_EQ(MarksOf(*saved.doc), (std::vector<Mark>{{"A:" + Url("/good"), "◎"}}));
}

TEST(LinkWalkTest, CancelDuringTheTenthLink) {
  WalkContext ctx;
  ctx.app.state.ParallelProbes = 1;  // one link after another: nothing asked ahead
  std::string body;
  for (int i = 1; i <= 12; ++i) body += "<a href=\"" + Url("/n/" + std::to_string(i)) + "\">x</a>";
  ctx.SetPage(body);
  const int hits10 = Site().Hits("/n/10");
  const int hits11 = Site().Hits("/n/11");
  ctx.ui.onEvents = [&ctx] {
    if (Contains(ctx.app.progress.Label2, "/n/10")) ctx.app.state.CancelFlag = -1;
  };
  std::string path = "target";
  EXPECT_EQ(WalkLinks(ctx.app, path), -9);
  EXPECT_EQ(Site().Hits("/n/10") - hits10, 1);
  EXPECT_EQ(Site().Hits("/n/11") - hits11, 0);
  SavedPage saved = ReadSaved(path);
  EXPECT_TRUE(Contains(saved.bytes, "<title>((VEXALORN:Check Canceled !!!)) </title>"));
  const std::vector<Mark> marks = MarksOf(*saved.doc);
  ASSERT_EQ(marks.size(), 12u);
  EXPECT_EQ(marks[9].text, "◎");
  EXPECT_EQ(marks[10], Mark{});
  EXPECT_FALSE(ctx.app.PageBrowser);
}

TEST(LinkWalkTest, CancelBeforeTheLoadEndsAtOnce) {
  WalkContext ctx;
  ctx.SetPage("<a href=\"" + Url("/good") + "\">x</a>", "Mine");
  ctx.app.state.CancelFlag = -1;
  std::string path = "target";
  EXPECT_EQ(WalkLinks(ctx.app, path), -3);
  // The prepared page was saved, and nothing more.
  SavedPage saved = ReadSaved(path);
  EXPECT_EQ(saved.doc->title(), "Mine");
  EXPECT_FALSE(ctx.app.PageBrowser);
}

TEST(LinkWalkTest, FailureIsShownAndTheWalkStopsWhereItStands) {
  WalkContext ctx;
  ctx.SetPage("<a href=\"" + Url("/good") + "\">x</a>");
  std::string path = "target";
  bool blocked = false;
  // Once the walk has begun, the result file can no longer be written.
  ctx.ui.onEvents = [&] {
    if (blocked || ctx.app.progress.Label2.empty()) return;
    blocked = true;
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
  };
  EXPECT_EQ(WalkLinks(ctx.app, path), 0);
  ASSERT_EQ(ctx.ui.messages.size(), 1u);
  EXPECT_TRUE(Contains(ctx.ui.messages[0], path)) << ctx.ui.messages[0];
  EXPECT_TRUE(EndsWith(ctx.ui.messages[0], "(Please try to check again)"));
  // The browser is neither shown nor closed; the title keeps its progress.
  EXPECT_TRUE(ctx.app.PageBrowser);
  EXPECT_TRUE(ctx.ui.shownPages.empty());
  EXPECT_EQ(ctx.app.main.TaskbarTitle, "1/1:VEXALORN");
}

// --- pieces --------------------------------------------------------------------

// --- requests made ahead --------------------------------------------------------

// A server of its own, so that its counts of requests at once start at zero.
struct CountingSite {
  CountingSite() {
    server.SetWorkerThreads(24);
    server.server().Get(R"(/busy/(\d+))", [this](const httplib::Request&, httplib::Response& res) {
      const LoopbackServer::BusyGuard busy = server.Busy();
      // Long enough for requests sent together to overlap.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      Html(res, "<p>busy</p>");
    });
    server.server().Get(R"(/quick/(\d+))", [](const httplib::Request&, httplib::Response& res) {
      Html(res, "<p>quick</p>");
    });
    server.server().Get(R"(/hang/(\d+))", [this](const httplib::Request&, httplib::Response& res) {
      server.HangUntilStopped(5000);
      Html(res, "<p>late</p>");
    });
    server.Start();
  }
  std::string Links(const std::string& kind, int from, int to) const {
    std::string body;
    for (int i = from; i <= to; ++i) {
      body += "<a href=\"" + server.Url("/" + kind + "/" + std::to_string(i)) + "\">x</a>";
    }
    return body;
  }
  LoopbackServer server;
};

struct HostLimitCase {
  const char* name;
  int perHost;
};

class HostLimitTest : public ::testing::TestWithParam<HostLimitCase> {};

TEST_P(HostLimitTest, KeepsAtMostThatManyRequestsAtOnce) {
  CountingSite site;
  WalkContext ctx;
  ctx.app.state.ParallelProbes = kDefaultParallel;
  ctx.app.state.ProbesPerHost = GetParam().perHost;
  // A host starts with one request and gets more as quick answers come in:
  // enough links for the limit to be reached.
  ctx.SetPage(site.Links("busy", 1, 16));
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  EXPECT_EQ(site.server.MaxConcurrent(), GetParam().perHost);
  const std::vector<Mark> marks = MarksOf(*ReadSaved(path).doc);
  ASSERT_EQ(marks.size(), 16u);
  for (const Mark& m : marks) EXPECT_EQ(m.text, "◎");
}

INSTANTIATE_TEST_SUITE_P(Limits, HostLimitTest,
                         ::testing::Values(HostLimitCase{"one", 1}, HostLimitCase{"four", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

// Answers that take long (here 2 s each, on the program's clock) keep the
// host at one request at a time: sent together they would wait for each
// other at a server that answers one by one and seem slow.
TEST(PrefetchTest, SlowAnswersKeepTheHostToOneRequestAtATime) {
  WalkContext ctx;
  LoopbackServer server;
  server.SetWorkerThreads(8);
  server.server().Get(R"(/n/(\d+))", [&](const httplib::Request&, httplib::Response& res) {
    const LoopbackServer::BusyGuard busy = server.Busy();
    // Long enough for requests sent together to overlap.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ctx.clock.Advance(2000);
    Html(res, "<p>n</p>");
  });
  server.Start();
  ctx.app.state.ParallelProbes = kDefaultParallel;
  ctx.app.state.ProbesPerHost = 8;
  std::string body;
  for (int i = 1; i <= 6; ++i) {
    body += "<a href=\"" + server.Url("/n/" + std::to_string(i)) + "\">x</a>";
  }
  ctx.SetPage(body);
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  EXPECT_EQ(server.MaxConcurrent(), 1);
  for (const Mark& m : MarksOf(*ReadSaved(path).doc)) EXPECT_EQ(m.text, "◎");
}

TEST(PrefetchTest, AnAddressIsRequestedOncePerRun) {
  WalkContext ctx;
  ctx.app.state.ParallelProbes = kDefaultParallel;
  const std::string page = "<a href=\"" + Url("/n/101") + "\">a</a><a href=\"" + Url("/gone") +
                           "\">b</a><a href=\"" + Url("/n/101") + "\">c</a><a href=\"" +
                           Url("/anchors#here") + "\">d</a><a href=\"" + Url("/n/102") +
                           "\">e</a><a href=\"" + Url("/anchors#nowhere") + "\">f</a>";
  const int hits101 = Site().Hits("/n/101");
  const int anchorHits = Site().Hits("/anchors");
  const std::vector<std::string> expected = {"◎", "×", "◎", "#◎", "◎", "#×"};
  {
    // One run: two pages with the same links.
    const PrefetchScope run(ctx.app);
    for (int round = 0; round < 2; ++round) {
      ctx.SetPage(page);
      std::string path = "target";
      ASSERT_EQ(WalkLinks(ctx.app, path), 0);
      std::vector<std::string> texts;
      for (const Mark& m : MarksOf(*ReadSaved(path).doc)) texts.push_back(m.text);
      EXPECT_EQ(texts, expected) << "page " << round;
    }
    EXPECT_EQ(Site().Hits("/n/101") - hits101, 1);
    // The probe of the anchor page and the page itself, for both anchors.
    EXPECT_EQ(Site().Hits("/anchors") - anchorHits, 2);
    EXPECT_FALSE(ctx.app.AnchorBrowser);
  }
  // The next run asks again.
  ctx.SetPage(page);
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  EXPECT_EQ(Site().Hits("/n/101") - hits101, 2);
  EXPECT_FALSE(ctx.app.Prefetch);
}

TEST(PrefetchTest, CancelEndsTheRequestsInFlight) {
  CountingSite site;
  WalkContext ctx;
  ctx.app.state.ParallelProbes = kDefaultParallel;
  ctx.app.state.ProbesPerHost = kDefaultParallel;
  // The first link answers at once; the others would hang.
  ctx.SetPage(site.Links("quick", 1, 1) + site.Links("hang", 2, 9));
  ctx.ui.onEvents = [&ctx] {
    if (Contains(ctx.app.progress.Label2, "/quick/1")) ctx.app.state.CancelFlag = -1;
  };
  std::string path = "target";
  EXPECT_EQ(WalkLinks(ctx.app, path), -9);
  EXPECT_EQ(ctx.client->InFlight(), 0u);
  const std::vector<Mark> marks = MarksOf(*ReadSaved(path).doc);
  ASSERT_EQ(marks.size(), 9u);
  EXPECT_EQ(marks[0].text, "◎");
  for (std::size_t i = 1; i < marks.size(); ++i) EXPECT_EQ(marks[i], Mark{}) << i;
}

// A server that asks for a pause: the host is left alone that long (on the
// program's clock), then asked once more.
struct RetryCase {
  const char* name;
  std::vector<std::string> replies;  // per request: "503:<Retry-After>", "429:...", "200"
  std::string mark;
  int requests;
  std::int64_t minPauseMs;
  std::int64_t maxPauseMs;
};

class RetryAfterTest : public ::testing::TestWithParam<RetryCase> {};

TEST_P(RetryAfterTest, HostPausesAndIsAskedOnceMore) {
  const RetryCase& c = GetParam();
  LoopbackServer server;
  std::atomic<int> served{0};
  server.server().Get("/busy", [&](const httplib::Request&, httplib::Response& res) {
    const int n = served++;
    const std::string reply = c.replies[std::min<std::size_t>(n, c.replies.size() - 1)];
    if (reply == "200") {
      Html(res, "<p>ok</p>");
      return;
    }
    res.status = std::stoi(reply.substr(0, 3));
    if (reply.size() > 4) res.set_header("Retry-After", reply.substr(4));
  });
  server.Start();
  WalkContext ctx;
  ctx.app.state.ParallelProbes = kDefaultParallel;
  ctx.SetPage("<a href=\"" + server.Url("/busy") + "\">x</a>");
  const std::int64_t start = ctx.clock.NowMs();
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  const std::int64_t paused = ctx.clock.NowMs() - start;
  EXPECT_EQ(served.load(), c.requests);
  EXPECT_GE(paused, c.minPauseMs);
  EXPECT_LT(paused, c.maxPauseMs);
  EXPECT_EQ(MarksOf(*ReadSaved(path).doc).at(0).text, c.mark);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RetryAfterTest,
    ::testing::Values(RetryCase{"seconds", {"503:5", "200"}, "◎", 2, 5000, 9000},
                      RetryCase{"too_many_requests", {"429:2", "200"}, "◎", 2, 2000, 9000},
                      RetryCase{"capped", {"503:3600", "200"}, "◎", 2, 10000, 14000},
                      RetryCase{"asked_once_more_only", {"503:1", "503:1"}, "×", 2, 1000, 9000},
                      RetryCase{"without_header", {"503", "200"}, "×", 1, 0, 3000},
                      RetryCase{"http_date_in_the_past",
                                {"503:Wed, 21 Oct 2015 07:28:00 GMT", "200"},
                                "◎",
                                2,
                                0,
                                3000}),
    [](const auto& info) { return std::string(info.param.name); });

// Servers whose answers come later the more requests they have: one that
// serves one request at a time (a request sent along with others waits
// behind them there), and one whose every answer slows down with the number
// of requests in hand. Answer times pass on the program's clock. The marks
// and the title must be those of one request at a time.
struct BusyServerCase {
  const char* name;
  int workers;
  int delayMs;  // per answer, or per request in hand
  bool slowsUnderLoad;
  std::string mark;
};

class BusyServerTest : public ::testing::TestWithParam<std::tuple<BusyServerCase, int>> {};

TEST_P(BusyServerTest, MarksAndTitleAreThoseOfOneRequestAtATime) {
  const BusyServerCase& c = std::get<0>(GetParam());
  WalkContext ctx;
  std::atomic<int> inHand{0};
  LoopbackServer server;
  server.SetWorkerThreads(c.workers);
  server.server().set_keep_alive_max_count(1);
  server.server().Get(R"(/n/(\d+))", [&](const httplib::Request&, httplib::Response& res) {
    ++inHand;
    int factor = 1;
    if (c.slowsUnderLoad) {
      // Long enough for requests sent together to be in hand together.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      factor = inHand.load();
    }
    ctx.clock.Advance(static_cast<std::int64_t>(c.delayMs) * factor);
    --inHand;
    Html(res, "<p>n</p>");
  });
  server.Start();
  ctx.app.state.ParallelProbes = std::get<1>(GetParam());
  std::string body;
  for (int i = 1; i <= 5; ++i) {
    body += "<a href=\"" + server.Url("/n/" + std::to_string(i)) + "\">x</a>";
  }
  ctx.SetPage(body);
  std::string path = "target";
  ASSERT_EQ(WalkLinks(ctx.app, path), 0);
  const SavedPage saved = ReadSaved(path);
  for (const Mark& m : MarksOf(*saved.doc)) EXPECT_EQ(m.text, c.mark);
  EXPECT_EQ(saved.doc->title(), "((VEXALORN:検索用: 5links very good!! )) Links");
  EXPECT_EQ(ctx.app.state.PageCounts.TimedOutCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, BusyServerTest,
    ::testing::Combine(::testing::Values(BusyServerCase{"one_at_a_time_quick", 1, 1600, false, "◎"},
                                         BusyServerCase{"one_at_a_time_slow", 1, 4000, false, "○"},
                                         BusyServerCase{"slower_under_load", 8, 1000, true, "◎"}),
                       ::testing::Values(1, kDefaultParallel)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == 1 ? "_one_request_at_a_time" : "_in_parallel");
    });

TEST(TallyLinkTest, CountsKeepsRestoresAndClears) {
  testing::ShiftableClock clock;
  testing::ScriptedFrontEnd ui{clock};
  std::unique_ptr<http::Client> client = http::MakeCurlClient(clock);
  App app{ui, clock, *client};
  RunState& st = app.state;

  st.Flags = {1, 0, 1, 0, 1, 1};
  TallyLink(app, "cnt");
  EXPECT_EQ(st.LastLinkFlags, (LinkFlags{1, 0, 1, 0, 1, 1}));
  EXPECT_EQ(st.Flags, LinkFlags{});
  st.Flags = {0, 1, 0, 1, 0, 1};
  TallyLink(app, "any");
  const CountRecord& c = st.PageCounts;
  EXPECT_EQ(c.BrokenCount, 1);
  EXPECT_EQ(c.TimedOutCount, 1);
  EXPECT_EQ(c.AnchorCount, 1);
  EXPECT_EQ(c.JumpCount, 1);
  EXPECT_EQ(c.RedirectedCount, 1);
  EXPECT_EQ(c.AuthCount, 2);
  EXPECT_EQ(c.LinkCount, 0);

  TallyLink(app, "re");
  EXPECT_EQ(st.Flags, (LinkFlags{0, 1, 0, 1, 0, 1}));
  TallyLink(app, "cl");
  EXPECT_EQ(st.Flags, LinkFlags{});
  EXPECT_EQ(st.LastLinkFlags, LinkFlags{});
  EXPECT_EQ(c.AuthCount, 2);  // clearing the flags leaves the counts
}

struct TallyCase {
  const char* name;
  CountRecord counts;
  std::string expected;
};
void PrintTo(const TallyCase& c, std::ostream* os) {
  *os << c.name;
}

class PageTallyTest : public ::testing::TestWithParam<TallyCase> {};

TEST_P(PageTallyTest, Text) {
  EXPECT_EQ(PageTally(GetParam().counts), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, PageTallyTest,
    ::testing::Values(
        TallyCase{"no_links", {0, 0, 0, 0, 0, 0, 0, 0}, " 0link ))"},
        TallyCase{"no_links_but_auth", {0, 0, 0, 0, 0, 0, 3, 0}, " 0link ))"},
        TallyCase{"one_good", {1, 0, 0, 0, 0, 0, 0, 0}, " 1link very good!! )) "},
        TallyCase{"two_broken", {12, 2, 0, 0, 0, 0, 0, 0}, " 12links X:2 )) "},
        TallyCase{"auth_only", {5, 0, 0, 0, 0, 0, 2, 0}, " 5links good! )) "},
        TallyCase{"every_counter", {40, 1, 2, 3, 4, 5, 6, 0}, " 40links X:1 ?:2 #x:3 J:4 R:5 )) "},
        TallyCase{"auth_left_out_of_the_list", {3, 0, 1, 0, 0, 0, 1, 0}, " 3links ?:1 )) "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkMarkMarkupTest, AddressIsEscapedForTheAttribute) {
  EXPECT_EQ(LinkMarkMarkup("A:", "http://h/a?b=1&c=\"<i>\"", "◎"),
            "<U title = \"A:http://h/a?b=1&amp;c=&quot;&lt;i&gt;&quot;\">◎</U>");
  EXPECT_EQ(LinkMarkMarkup("AREA:", "http://h/", "(NG)"), "<U title = \"AREA:http://h/\">(NG)</U>");
}

struct InsertCase {
  const char* name;
  std::string tag;
  std::string fontTag;
  std::string expected;  // the body's markup afterwards
};
void PrintTo(const InsertCase& c, std::ostream* os) {
  *os << c.name;
}

class InsertLinkMarkTest : public ::testing::TestWithParam<InsertCase> {};

TEST_P(InsertLinkMarkTest, Placement) {
  const InsertCase& c = GetParam();
  auto doc = html::Document::Parse("<html><body><p><a href=\"http://h/\">t</a></p></body></html>",
                                   "file:///p.htm");
  const html::Element link = doc->links().item(0);
  InsertLinkMark(link, c.tag, "http://h/", "◎", c.fontTag);
  EXPECT_EQ(doc->getElementsByTagName("P").item(0).innerHTML(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, InsertLinkMarkTest,
    ::testing::Values(InsertCase{"inside_a_link", "A", "",
                                 "<a href=\"http://h/\"><u title=\"A:http://h/\">◎</u>t</a>"},
                      InsertCase{"before_an_area", "AREA", "",
                                 "<u title=\"AREA:http://h/\">◎</u><a href=\"http://h/\">t</a>"},
                      InsertCase{"coloured_inside_a_link", "A", "<FONT color=\"#ff0000\">",
                                 "<a href=\"http://h/\"><u title=\"A:http://h/\"><font "
                                 "color=\"#ff0000\">◎</font></u>t</a>"},
                      InsertCase{
                          "coloured_before_an_area", "AREA", "<FONT color=\"#ff0000\">",
                          "<u title=\"AREA:http://h/\"><font color=\"#ff0000\">◎</font></u><a "
                          "href=\"http://h/\">t</a>"},
                      InsertCase{"other_as_text", "SPAN", "", "◎<a href=\"http://h/\">t</a>"},
                      InsertCase{"unread_name_in_the_font", "", "<FONT color=\"#ff0000\">",
                                 "<font color=\"#ff0000\">◎</font><a href=\"http://h/\">t</a>"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vex
