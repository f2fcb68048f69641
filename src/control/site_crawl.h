// A site crawl: a web address whose last path segment is "*"
// ("http://example.com/docs/*") names the page at the address without the
// "*" and every page reachable from it by links below that address (same
// scheme, host and port, path beginning with the address's path). The pages
// are checked as the entries of a batch, breadth first, each once; the run's
// target list grows as their walks find links.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "control/robots_rules.h"

namespace vex {

struct App;

// The start page of the crawl that `target` names ("http://h/docs/*" ->
// "http://h/docs/"); nothing when it names no crawl.
std::optional<std::string> CrawlStartOf(std::string_view target);

// Whether `address` lies below `prefix`: same scheme, host and port (letter
// case and a default port aside), and a path (with query) beginning with the
// prefix's path.
bool IsBelowPrefix(std::string_view prefix, std::string_view address);

// The form under which a page is counted once: no fragment, scheme and host
// in lower case, no default port, "/" for an empty path.
std::string CrawlKey(std::string_view address);

class SiteCrawl {
 public:
  SiteCrawl(App& app, std::string start);
  ~SiteCrawl();
  SiteCrawl(const SiteCrawl&) = delete;
  SiteCrawl& operator=(const SiteCrawl&) = delete;

  // Reads the site's robots.txt and makes the start page the one entry of
  // TargetList (after the batch header). The walks now keep their links.
  void Begin();
  // After entry `index` of TargetList was checked: every page its walk found
  // that the crawl takes (below the start, not listed yet, allowed by
  // robots.txt, within DEPTH, answered as an HTML page) is appended.
  void AddFoundPages(int index);

 private:
  // Whether the address answers as an HTML page below the start; `reached`
  // receives the address finally reached.
  bool AnswersAsPage(const std::string& address, std::string& reached);
  void FetchRobots();

  App& app_;
  std::string start_;
  RobotsRules robots_;
  std::vector<int> depths_;  // by TargetList index
  std::unordered_set<std::string> seen_;
  bool full_ = false;  // the page-count question said stop
};

}  // namespace vex
