#include "probe/probe_prefetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/fake_http_client.h"
#include "browser/loading_browser.h"
#include "context/app.h"
#include "platform/system/clock.h"
#include "support/scripted_front_end.h"

namespace vex {
namespace {

const std::string kSite = "http://site.invalid";

http::Response PageWithLinks(const std::vector<std::string>& links) {
  http::Response r;
  r.status = 200;
  r.headers = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
  r.body = "<html><body>";
  for (const std::string& link : links) r.body += "<a href=\"" + link + "\">x</a>";
  r.body += "</body></html>";
  return r;
}

struct PrefetchFixture {
  PrefetchFixture() {
    // More than the client is handed at once for one host, so that what
    // waits shows which queue goes first.
    for (int i = 0; i < kProbes; ++i) {
      const std::string address = kSite + "/probe" + std::to_string(i) + ".html";
      http.Serve(address, {});
      probes.push_back(address);
    }
  }

  bool Requested(const std::string& url) const {
    return std::any_of(http.requests.begin(), http.requests.end(),
                       [&url](const http::Request& r) { return r.url == url; });
  }
  std::size_t RequestIndex(const std::string& url) const {
    for (std::size_t i = 0; i < http.requests.size(); ++i) {
      if (http.requests[i].url == url) return i;
    }
    return http.requests.size();
  }

  static constexpr int kProbes = 40;
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
  ProbePrefetcher prefetch{app, 8, 2};
  std::vector<std::string> probes;
};

enum class PageAsked { ToReadItsLinks, ForAnchorsThenToReadItsLinks, ForAnchorsOnly };

struct AheadOrderCase {
  const char* name;
  PageAsked asked;
  bool beforeTheProbes;
};

void PrintTo(const AheadOrderCase& c, std::ostream* os) {
  *os << c.name;
}

class AheadOrderTest : public ::testing::TestWithParam<AheadOrderCase> {};

// A page still to come names the next addresses to ask for: fetched before
// the probes already waiting, it keeps the host's places filled. A page
// fetched only for the anchors in it waits its turn.
TEST_P(AheadOrderTest, PagesWhoseLinksAreReadGoBeforeTheProbesWaiting) {
  PrefetchFixture f;
  const std::string page = kSite + "/next.html";
  f.http.Serve(page, PageWithLinks({}));
  for (const std::string& probe : f.probes) f.prefetch.QueueProbe(probe, FetchPriority::Ahead);
  switch (GetParam().asked) {
    case PageAsked::ToReadItsLinks:
      f.prefetch.QueuePage(page, FetchPriority::Ahead, true);
      break;
    case PageAsked::ForAnchorsThenToReadItsLinks:
      f.prefetch.QueuePage(page, FetchPriority::Ahead);
      f.prefetch.QueuePage(page, FetchPriority::Ahead, true);
      break;
    case PageAsked::ForAnchorsOnly:
      f.prefetch.QueuePage(page, FetchPriority::Ahead);
      break;
  }
  f.prefetch.Pump();

  ASSERT_FALSE(f.Requested(f.probes.back())) << "the client is handed only part of the queue";
  if (GetParam().beforeTheProbes) {
    EXPECT_EQ(f.RequestIndex(page), 0u);
  } else {
    EXPECT_FALSE(f.Requested(page));
  }
  // Whatever the order, the page is asked for once.
  f.prefetch.CancelPending();
  EXPECT_LE(std::count_if(f.http.requests.begin(), f.http.requests.end(),
                          [&page](const http::Request& r) { return r.url == page; }),
            1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AheadOrderTest,
    ::testing::Values(AheadOrderCase{"links read", PageAsked::ToReadItsLinks, true},
                      AheadOrderCase{"anchors, then links read",
                                     PageAsked::ForAnchorsThenToReadItsLinks, true},
                      AheadOrderCase{"anchors only", PageAsked::ForAnchorsOnly, false}));

struct SharedAnswerCase {
  const char* name;
  int status;
  std::int64_t headersAtMs;  // the page's answer time
  bool pageDoneFirst;        // the page is in before its address is probed
  int jumpMode;
  int requests;  // to the address in all
};

void PrintTo(const SharedAnswerCase& c, std::ostream* os) {
  *os << c.name;
}

class SharedAnswerTest : public ::testing::TestWithParam<SharedAnswerCase> {};

// A page read ahead whose address is also a link: a plain, quick 200 answers
// the link's probe too; anything a probe might judge otherwise (a redirect it
// would follow, a time near the slow band, L-Page mode's fresh request) is
// asked for again by the probe.
TEST_P(SharedAnswerTest, APageRequestAnswersTheProbeOfItsAddressOnlyWhenItCannotDiffer) {
  const SharedAnswerCase& c = GetParam();
  PrefetchFixture f;
  f.app.state.JumpMode = c.jumpMode;
  const std::string page = kSite + "/page.html";
  http::Response answer = PageWithLinks({});
  answer.status = c.status;
  if (c.status == 301) answer.headers = "HTTP/1.1 301 Moved\r\nLocation: /else.html\r\n\r\n";
  answer.startedAtMs = 1;
  answer.headersAtMs = 1 + c.headersAtMs;
  answer.finishedAtMs = answer.headersAtMs + 5;
  f.http.Serve(page, answer);

  f.prefetch.QueuePage(page, FetchPriority::Ahead, true);
  if (c.pageDoneFirst) (void)f.prefetch.Page(page);
  f.prefetch.QueueProbe(page, FetchPriority::Ahead);
  const http::Response probe = f.prefetch.ProbeResponse(page);

  EXPECT_EQ(std::count_if(f.http.requests.begin(), f.http.requests.end(),
                          [&page](const http::Request& r) { return r.url == page; }),
            c.requests);
  EXPECT_EQ(probe.status, c.status);
  if (c.requests == 1) {
    EXPECT_TRUE(probe.body.empty());
    EXPECT_EQ(probe.finishedAtMs - probe.startedAtMs, c.headersAtMs) << "timed to its headers";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedAnswerTest,
    ::testing::Values(SharedAnswerCase{"quick 200", 200, 40, false, 0, 1},
                      SharedAnswerCase{"quick 200, in before", 200, 40, true, 0, 1},
                      SharedAnswerCase{"redirect", 301, 40, false, 0, 2},
                      SharedAnswerCase{"redirect, in before", 301, 40, true, 0, 2},
                      SharedAnswerCase{"near the slow band", 200, 2000, false, 0, 2},
                      SharedAnswerCase{"L-Page mode", 200, 40, false, 1, 2}));

// A link to a page the run is going to load: one request, with the body,
// answers the probe, and later the reading of the page's links and its own
// load. A link to any other page is probed without its body.
TEST(PrefetchTest, TheProbeOfAPageStillToBeLoadedFetchesThePageForAllThree) {
  PrefetchFixture f;
  const std::string target = kSite + "/target.html";
  const std::string other = kSite + "/other.html";
  for (const std::string& page : {target, other}) {
    http::Response answer = PageWithLinks({kSite + "/probe1.html"});
    answer.startedAtMs = 1;
    answer.headersAtMs = answer.finishedAtMs = 20;
    f.http.Serve(page, answer);
  }
  const auto asked = [&](const std::string& url) {
    return std::count_if(f.http.requests.begin(), f.http.requests.end(),
                         [&url](const http::Request& r) { return r.url == url; });
  };
  f.prefetch.ExpectLoad(target);

  EXPECT_EQ(f.prefetch.ProbeResponse(target).status, 200);
  EXPECT_EQ(f.prefetch.ProbeResponse(other).status, 200);
  ASSERT_EQ(asked(target), 1);
  ASSERT_EQ(asked(other), 1);
  const auto requestOf = [&](const std::string& url) {
    return *std::find_if(f.http.requests.begin(), f.http.requests.end(),
                         [&url](const http::Request& r) { return r.url == url; });
  };
  EXPECT_GT(requestOf(target).maxBodyBytes, 0u) << "the page, body and all";
  EXPECT_EQ(requestOf(other).maxBodyBytes, 0u) << "a plain probe";

  std::size_t linksRead = 0;
  f.prefetch.onPageLinks = [&](html::Document& page) { linksRead += page.links().length(); };
  f.prefetch.QueuePage(target, FetchPriority::Ahead, true);
  f.clock.Advance(1);
  f.prefetch.Pump();
  EXPECT_EQ(linksRead, 1u) << "read from the page at hand";
  EXPECT_EQ(f.app.FetchedPages.count(target), 1u) << "kept for its own load";
  EXPECT_EQ(asked(target), 1);
}

// A page read ahead for its links and kept for its own load: the load takes
// the document parsed then instead of parsing the same answer again. A page
// cut short is cut by the load at another length, and parsed anew.
TEST(PrefetchTest, ThePageLoadTakesTheDocumentReadAheadFromTheSameAnswer) {
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut short" : "whole");
    PrefetchFixture f;
    const std::string target = kSite + "/target.html";
    http::Response answer = PageWithLinks({kSite + "/probe1.html", kSite + "/probe2.html"});
    answer.bodyCut = cut;
    f.http.Serve(target, answer);
    f.prefetch.ExpectLoad(target);
    f.prefetch.QueuePage(target, FetchPriority::Ahead, true);
    const std::shared_ptr<html::Document> readAhead = f.prefetch.Page(target);
    ASSERT_TRUE(readAhead);

    std::unique_ptr<Browser> browser = MakeBrowser(f.app);
    browser->Navigate(target);
    for (int i = 0; i < 5 && browser->busy(); ++i) {
    }
    ASSERT_EQ(browser->readystate(), 4);
    const std::shared_ptr<html::Document> loaded = browser->Document();
    EXPECT_EQ(loaded == readAhead, !cut);
    EXPECT_EQ(loaded->links().length(), 2u);
    EXPECT_EQ(loaded->address(), target);
    EXPECT_EQ(std::count_if(f.http.requests.begin(), f.http.requests.end(),
                            [&target](const http::Request& r) { return r.url == target; }),
              1)
        << "loaded from the copy";
  }
}

// A page fetched that way and not parsed yet is parsed from the copy left
// for its own load; once that load has taken the copy, the page is fetched
// again when it is asked for.
TEST(PrefetchTest, APageWhoseCopyWasTakenIsFetchedAgainWhenAskedFor) {
  PrefetchFixture f;
  const std::string target = kSite + "/target.html";
  http::Response answer = PageWithLinks({kSite + "/probe1.html"});
  answer.startedAtMs = 1;
  answer.headersAtMs = answer.finishedAtMs = 20;
  f.http.Serve(target, answer);
  f.prefetch.ExpectLoad(target);
  EXPECT_EQ(f.prefetch.ProbeResponse(target).status, 200);
  ASSERT_EQ(f.app.FetchedPages.count(target), 1u);
  f.app.FetchedPages.erase(target);  // its own load

  EXPECT_FALSE(f.prefetch.KnowsPage(target));
  const std::shared_ptr<html::Document> page = f.prefetch.Page(target);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->links().length(), 1u);
  EXPECT_EQ(std::count_if(f.http.requests.begin(), f.http.requests.end(),
                          [&target](const http::Request& r) { return r.url == target; }),
            2);
}

// A page whose answer is long in coming would not answer the probe of its
// address anyway: the probe is asked for on its own meanwhile, not after.
TEST(PrefetchTest, AProbeWaitsNoLongerForAPageThatIsSlowToAnswer) {
  PrefetchFixture f;
  const std::string page = kSite + "/slow.html";
  f.http.Serve(page, PageWithLinks({}), 1000);
  f.prefetch.QueuePage(page, FetchPriority::Ahead, true);
  f.prefetch.QueueProbe(page, FetchPriority::Ahead);
  f.prefetch.Pump();
  const auto asked = [&] {
    return std::count_if(f.http.requests.begin(), f.http.requests.end(),
                         [&page](const http::Request& r) { return r.url == page; });
  };
  EXPECT_EQ(asked(), 1) << "the probe waits for the page's answer";
  f.clock.Advance(1000);
  f.prefetch.Pump();
  EXPECT_EQ(asked(), 1);
  f.clock.Advance(1000);
  f.prefetch.Pump();
  EXPECT_EQ(asked(), 2) << "the page has taken too long";
  EXPECT_TRUE(f.http.requests.back().followRedirects) << "the probe's own request";
}

// Pages that arrive together are parsed one per round of event processing
// (the round comes while something else is awaited, such as the page being
// loaded); the links of each go to the client before the next one is parsed.
TEST(PrefetchTest, PagesReadAheadAreParsedOnePerRoundTheirLinksHandedOverFirst) {
  PrefetchFixture f;
  const std::vector<std::string> pages = {kSite + "/first.html", kSite + "/second.html"};
  for (const std::string& page : pages) {
    f.http.Serve(page, PageWithLinks({page + ".link"}));
    f.http.Serve(page + ".link", {});
  }
  std::vector<std::string> parsed;
  bool linkAskedBeforeNextParsed = false;
  f.prefetch.onPageLinks = [&](html::Document& page) {
    if (!parsed.empty()) linkAskedBeforeNextParsed = f.Requested(parsed.front() + ".link");
    parsed.push_back(page.address());
    const html::Collection links = page.links();
    for (std::size_t i = 0; i < links.length(); ++i) {
      f.prefetch.QueueProbe(links.item(i).href(), FetchPriority::Ahead);
    }
  };
  for (const std::string& page : pages) f.prefetch.QueuePage(page, FetchPriority::Ahead, true);
  f.prefetch.Pump();  // both handed over
  f.clock.Advance(1);
  f.prefetch.Pump();  // both finished: the first is parsed
  EXPECT_EQ(parsed, std::vector<std::string>{pages[0]});
  f.clock.Advance(1);
  f.prefetch.Pump();

  ASSERT_EQ(parsed, pages);
  EXPECT_TRUE(linkAskedBeforeNextParsed);
}

// The links of a page read ahead are read once the client runs short of
// requests: while it holds all it may be handed, they would only wait behind
// those, and the parse would take the processor from them. A page asked for
// by the walk has its links read at once.
TEST(PrefetchTest, LinksReadAheadWaitUntilTheClientRunsShort) {
  for (const bool askedFor : {false, true}) {
    SCOPED_TRACE(askedFor ? "asked for" : "read ahead only");
    PrefetchFixture f;
    const std::string page = kSite + "/ahead.html";
    f.http.Serve(page, PageWithLinks({kSite + "/probe0.html"}));
    int read = 0;
    f.prefetch.onPageLinks = [&](html::Document&) { ++read; };
    f.prefetch.QueuePage(page, FetchPriority::Ahead, true);
    // With the page, all the client may be handed (8 + 24), answering later.
    for (int i = 0; i < 32; ++i) {
      const std::string busy =
          "http://busy" + std::to_string(i % 2) + ".invalid/" + std::to_string(i);
      f.http.Serve(busy, {}, 4);
      f.prefetch.QueueProbe(busy, FetchPriority::Ahead);
    }
    f.prefetch.Pump();
    f.clock.Advance(1);
    f.prefetch.Pump();  // the page is in; its place went to the last busy one
    ASSERT_TRUE(f.Requested("http://busy1.invalid/31"));
    EXPECT_EQ(read, 0);

    if (askedFor) {
      ASSERT_TRUE(f.prefetch.Page(page));
      EXPECT_EQ(read, 1);
      continue;
    }
    for (int round = 0; round < 4 && read == 0; ++round) {
      f.clock.Advance(1);
      f.prefetch.Pump();
    }
    EXPECT_EQ(read, 1) << "read when the busy ones were in";
  }
}

}  // namespace
}  // namespace vex
