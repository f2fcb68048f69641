#include "links/link_prefetch.h"

#include <gtest/gtest.h>

#include <string>

#include "browser/fake_http_client.h"
#include "context/app.h"
#include "platform/system/clock.h"
#include "support/scripted_front_end.h"

namespace vex {
namespace {

struct ScopeEndCase {
  const char* name;
  bool exitsAfterRun;
  bool kept;  // the run's prefetcher is left for the process's end
};

void PrintTo(const ScopeEndCase& c, std::ostream* os) { *os << c.name; }

class PrefetchScopeEndTest : public ::testing::TestWithParam<ScopeEndCase> {};

// At the end of its run the prefetcher ends what is still in flight and
// lets go of the pages it kept for loads, whether it is freed there or, in a
// program that ends with the run, left for the system to take back.
TEST_P(PrefetchScopeEndTest, RequestsEndAndFetchedPagesGo) {
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
  app.exitsAfterRun = GetParam().exitsAfterRun;
  http.Serve("http://site.invalid/slow.html", {}, 1000);
  {
    const PrefetchScope scope(app);
    ASSERT_TRUE(app.Prefetch);
    app.Prefetch->QueueProbe("http://site.invalid/slow.html", FetchPriority::Ahead);
    app.Prefetch->Pump();
    ASSERT_EQ(http.InFlight(), 1u);
    app.FetchedPages["http://site.invalid/page.html"] = {};
  }
  EXPECT_FALSE(app.Prefetch);
  EXPECT_EQ(http.InFlight(), 0u);
  EXPECT_EQ(http.cancelled, 1);
  EXPECT_TRUE(app.FetchedPages.empty());
  EXPECT_EQ(app.keptToExit.size(), GetParam().kept ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrefetchScopeEndTest,
                         ::testing::Values(ScopeEndCase{"freed at the run's end", false, false},
                                           ScopeEndCase{"kept to the process's end", true,
                                                        true}));

}  // namespace
}  // namespace vex
