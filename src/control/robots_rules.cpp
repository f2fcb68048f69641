#include "control/robots_rules.h"

#include <cstddef>

#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace {

// Whether `pattern` matches the beginning of `path` ("*" any characters, a
// final "$" the end of the path).
bool Matches(std::string_view pattern, std::string_view path) {
  const bool anchored = !pattern.empty() && pattern.back() == '$';
  if (anchored) pattern.remove_suffix(1);
  // Greedy matching with backtracking to the last "*".
  std::size_t p = 0;
  std::size_t s = 0;
  std::size_t starP = std::string_view::npos;
  std::size_t starS = 0;
  while (true) {
    if (p == pattern.size()) {
      if (!anchored || s == path.size()) return true;
    } else if (pattern[p] == '*') {
      starP = p++;
      starS = s;
      continue;
    } else if (s < path.size() && pattern[p] == path[s]) {
      ++p;
      ++s;
      continue;
    }
    if (starP == std::string_view::npos || starS >= path.size()) return false;
    p = starP + 1;
    s = ++starS;
  }
}

}  // namespace

RobotsRules RobotsRules::Parse(std::string_view text, std::string_view agent) {
  const std::string ownAgent = LowerAscii(agent);
  RobotsRules own;
  RobotsRules everyone;
  bool anyOwn = false;
  bool groupOwn = false;
  bool groupEveryone = false;
  bool inAgents = false;  // the last line read named an agent
  for (const std::string& raw : SplitLines(text)) {
    std::string line = raw;
    if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string field = LowerAscii(Trim(std::string_view(line).substr(0, colon)));
    const std::string value = Trim(std::string_view(line).substr(colon + 1));
    if (field == "user-agent") {
      if (!inAgents) groupOwn = groupEveryone = false;
      inAgents = true;
      const std::string name = LowerAscii(value);
      if (name == ownAgent) groupOwn = anyOwn = true;
      if (name == "*") groupEveryone = true;
      continue;
    }
    if (field != "allow" && field != "disallow") continue;
    inAgents = false;
    // An empty Disallow allows everything: no rule.
    if (value.empty()) continue;
    const Rule rule{field == "allow", value};
    if (groupOwn) own.rules_.push_back(rule);
    if (groupEveryone) everyone.rules_.push_back(rule);
  }
  return anyOwn ? own : everyone;
}

bool RobotsRules::Allows(std::string_view pathAndQuery) const {
  std::size_t best = 0;
  bool allowed = true;
  for (const Rule& rule : rules_) {
    if (!Matches(rule.pattern, pathAndQuery)) continue;
    const std::size_t length = rule.pattern.size();
    if (length > best || (length == best && rule.allow)) {
      best = length;
      allowed = rule.allow;
    }
  }
  return allowed;
}

}  // namespace vex
