#include "control/robots_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vex {
namespace {

struct RobotsCase {
  const char* name;
  const char* text;
  std::vector<std::pair<std::string, bool>> paths;  // path and query, allowed
};

class RobotsRulesTest : public ::testing::TestWithParam<RobotsCase> {};

TEST_P(RobotsRulesTest, Allows) {
  const RobotsCase& c = GetParam();
  const RobotsRules rules = RobotsRules::Parse(c.text);
  for (const auto& [path, allowed] : c.paths) EXPECT_EQ(rules.Allows(path), allowed) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RobotsRulesTest,
    ::testing::Values(
        RobotsCase{"Empty", "", {{"/", true}, {"/a", true}}},
        RobotsCase{"EveryoneWithComments",
                   "# site rules\r\nUser-agent: *\r\nDisallow: /private/ # keep out\r\n",
                   {{"/private/a.html", false}, {"/private", true}, {"/public/a.html", true}}},
        RobotsCase{"OwnGroupWinsOverEveryone",
                   "User-agent: *\nDisallow: /\n\nuser-agent: myapp\nDisallow: /tmp/\n",
                   {{"/a.html", true}, {"/tmp/x", false}}},
        RobotsCase{
            "OtherAgentsDoNotCount", "User-agent: OtherBot\nDisallow: /\n", {{"/a.html", true}}},
        RobotsCase{"SharedGroupOfSeveralAgents",
                   "User-agent: OtherBot\nUser-agent: *\nDisallow: /x\n",
                   {{"/x.html", false}, {"/y.html", true}}},
        RobotsCase{"EmptyDisallowAllowsAll", "User-agent: *\nDisallow:\n", {{"/a", true}}},
        RobotsCase{"LongestRuleDecides",
                   "User-agent: *\nDisallow: /docs/\nAllow: /docs/public/\n",
                   {{"/docs/a", false}, {"/docs/public/a", true}}},
        RobotsCase{"AllowWinsATie", "User-agent: *\nDisallow: /a\nAllow: /a\n", {{"/a", true}}},
        RobotsCase{"Wildcards",
                   "User-agent: *\nDisallow: /*.pdf$\nDisallow: /*?print=\n",
                   {{"/docs/x.pdf", false},
                    {"/docs/x.pdf.html", true},
                    {"/a.html?print=1", false},
                    {"/a.html", true}}},
        RobotsCase{"NoColonLinesAreSkipped",
                   "User-agent *\nDisallow /a\nUser-agent: *\nDisallow: /b\n",
                   {{"/a", true}, {"/b", false}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vex
