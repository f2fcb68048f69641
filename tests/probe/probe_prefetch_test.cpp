#include "probe/probe_prefetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "browser/fake_http_client.h"
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

}  // namespace
}  // namespace vex
