// Sitemaps as targets: a web address whose answer is an XML sitemap
// (<urlset>) or sitemap index (<sitemapindex>) is checked as a batch of the
// pages it lists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vex {

struct App;

// What an XML text lists: the pages of a sitemap, the sitemaps of an index,
// or nothing when it is neither.
struct SitemapEntries {
  enum class Kind { None, Pages, Sitemaps };
  Kind kind = Kind::None;
  std::vector<std::string> addresses;  // the <loc> texts, trimmed, in order
};
SitemapEntries ParseSitemap(std::string_view xml);

// Whether a web address may name a sitemap: its path ends in ".xml" or its
// name holds "sitemap". Only such targets are read before the run to see
// whether they are one; other pages are loaded as always.
bool MayNameSitemap(std::string_view address);

enum class SitemapTargets {
  NotSitemap,  // an ordinary page: checked alone (its answer is kept for the load)
  Listed,      // TargetList holds the batch header and the listed pages
  Empty,       // a sitemap that lists no page
  Stopped,     // the page-count question said stop
};
// Reads the web address and, when it answers with a sitemap or index, lists
// its pages (those of every sitemap of an index, each page once) in
// TargetList.
SitemapTargets ListSitemapTargets(App& app, const std::string& address);

}  // namespace vex
