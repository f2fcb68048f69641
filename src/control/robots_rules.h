// The rules of a site's robots.txt that a crawl obeys: the group naming the
// program's own agent, else the group for every agent ("*"). Allow and
// Disallow paths may hold "*" (any characters) and end in "$" (the end of
// the path); the longest matching rule decides, Allow winning a tie.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vex {

// The agent name every request of the program carries.
inline constexpr std::string_view kRobotsAgent = "MyApp";

class RobotsRules {
 public:
  // No rules: everything allowed.
  RobotsRules() = default;
  // The rules of a robots.txt text for `agent`.
  static RobotsRules Parse(std::string_view text, std::string_view agent = kRobotsAgent);

  // Whether the path and query of an address ("/docs/a.html?x=1") may be
  // crawled.
  [[nodiscard]] bool Allows(std::string_view pathAndQuery) const;

 private:
  struct Rule {
    bool allow = false;
    std::string pattern;
  };
  std::vector<Rule> rules_;
};

}  // namespace vex
