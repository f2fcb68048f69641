#include "control/site_crawl.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vex {
namespace {

TEST(SiteCrawlTest, StartOfAWebWildcard) {
  struct Case {
    const char* target;
    std::optional<std::string> start;
  };
  const Case cases[] = {
      {"http://example.com/docs/*", "http://example.com/docs/"},
      {"  https://example.com/*  ", "https://example.com/"},
      {"HTTP://Example.com:8080/a/b/*", "HTTP://Example.com:8080/a/b/"},
      {"http://example.com/docs*", std::nullopt},
      {"http://example.com/docs/*.html", std::nullopt},
      {"http://example.com/?q=/*", std::nullopt},
      {"http://example.com/docs/#/*", std::nullopt},
      {"http:///*", std::nullopt},
      {"ftp://example.com/*", std::nullopt},
      {"/home/site/*", std::nullopt},
      {"http://example.com/docs/", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(CrawlStartOf(c.target), c.start) << c.target;
}

TEST(SiteCrawlTest, BelowThePrefix) {
  struct Case {
    const char* address;
    bool below;
  };
  const char* prefix = "http://example.com/docs/";
  const Case cases[] = {
      {"http://example.com/docs/", true},
      {"http://example.com/docs/a/b.html?x=1#top", true},
      {"HTTP://EXAMPLE.COM:80/docs/a.html", true},
      {"http://example.com/docs", false},
      {"http://example.com/Docs/a.html", false},
      {"http://example.com/other/a.html", false},
      {"https://example.com/docs/a.html", false},
      {"http://example.com:8080/docs/a.html", false},
      {"http://www.example.com/docs/a.html", false},
      {"mailto:x@example.com", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsBelowPrefix(prefix, c.address), c.below) << c.address;
}

TEST(SiteCrawlTest, OneKeyForOnePage) {
  EXPECT_EQ(CrawlKey("HTTP://Example.COM:80/Docs/a.html#x"), "http://example.com/Docs/a.html");
  EXPECT_EQ(CrawlKey("https://example.com:443"), "https://example.com/");
  EXPECT_EQ(CrawlKey("http://example.com?q=1"), "http://example.com/?q=1");
  EXPECT_NE(CrawlKey("http://example.com/a"), CrawlKey("http://example.com/a/"));
}

}  // namespace
}  // namespace vex
