#include "control/sitemap_targets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vex {
namespace {

using Kind = SitemapEntries::Kind;

TEST(SitemapTargetsTest, ParsesSitemapsAndIndexes) {
  struct Case {
    const char* name;
    std::string xml;
    Kind kind;
    std::vector<std::string> addresses;
  };
  const std::string ns = " xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"";
  const std::vector<Case> cases = {
      {"Pages",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<urlset" + ns +
           "><url><loc> http://h/a.html </loc><lastmod>2024-01-01</lastmod></url>"
           "<url><loc>http://h/b.html?x=1&amp;y=2</loc></url></urlset>",
       Kind::Pages,
       {"http://h/a.html", "http://h/b.html?x=1&y=2"}},
      {"Index",
       "<sitemapindex" + ns + "><sitemap><loc>http://h/s1.xml</loc></sitemap></sitemapindex>",
       Kind::Sitemaps,
       {"http://h/s1.xml"}},
      {"PrefixedNamespace",
       "<sm:urlset xmlns:sm=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
       "<sm:url><sm:loc>http://h/a</sm:loc></sm:url></sm:urlset>",
       Kind::Pages,
       {"http://h/a"}},
      {"EmptySitemap", "<urlset" + ns + "></urlset>", Kind::Pages, {}},
      {"LocElsewhereIsNoPage",
       "<urlset><loc>http://h/x</loc><url><image><loc>http://h/i.png</loc></image></url></urlset>",
       Kind::Pages,
       {}},
      {"OtherXml", "<rss><channel><link>http://h/</link></channel></rss>", Kind::None, {}},
      {"Html", "<!DOCTYPE html><html><body><p>page</body></html>", Kind::None, {}},
      {"BrokenAfterEntriesKeepsThem",
       "<urlset><url><loc>http://h/a</loc></url><url><loc>http://h/b",
       Kind::Pages,
       {"http://h/a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SitemapEntries e = ParseSitemap(c.xml);
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.addresses, c.addresses);
  }
}

TEST(SitemapTargetsTest, OnlyXmlOrSitemapNamesAreReadFirst) {
  EXPECT_TRUE(MayNameSitemap("http://h/sitemap.xml"));
  EXPECT_TRUE(MayNameSitemap("http://h/feeds/Pages.XML?v=2"));
  EXPECT_TRUE(MayNameSitemap("http://h/sitemap_index"));
  EXPECT_FALSE(MayNameSitemap("http://h/index.html"));
  EXPECT_FALSE(MayNameSitemap("http://h/xml/"));
  EXPECT_FALSE(MayNameSitemap("http://h/page.html#sitemap.xml"));
}

}  // namespace
}  // namespace vex
