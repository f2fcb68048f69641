#include "links/exclusion_lists.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "links/home_site.h"
#include "platform/text/text.h"
#include "support/test_app.h"

namespace vex {
namespace {

class ExclusionLists : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VEXALORN_HOME_SITE");
    t.app.state.DataFolder = "/opt/vx/";
  }
  void Build(LineList image) {
    t.app.SettingsImage() = std::move(image);
    BuildNoCheckList(t.app);
    BuildCannotCheckList(t.app);
  }
  int NoCheck(const std::string& address, int jumpMode) {
    t.app.state.JumpMode = jumpMode;
    return FindNoCheck(t.app, address);
  }
  int CannotCheck(const std::string& address) {
    return FindCannotCheck(t.app, UpperAscii(address));
  }
  testing::TestApp t;
};

const LineList kImage = {
    "stray line",
    "[nocheck] ; user list",
    "  .google.  ",
    "",
    ".YAHOO.",
    "  [OPT]",
    "[CANNOTCHECK]",
    "MAILTO",
    "#",
    "#TOP",
    "?",
    "script:",
    "",
    "[OPT]",
    "CHAR=0",
    "[NOCHECK]",
    "never.read.",
};

TEST_F(ExclusionLists, BuildsFixedEntriesThenTheFirstSection) {
  Build(kImage);
  EXPECT_EQ(t.app.NoCheckList(),
            (LineList{"/opt/vx/site/", "/opt/vx/site/en/", "javascript:vexalorn1", "---SEP---",
                      ".google.", "", ".YAHOO.", "[OPT]"}));
  EXPECT_EQ(t.app.CannotCheckList(), (LineList{"MAILTO", "#", "#TOP", "?", "script:", ""}));
}

TEST_F(ExclusionLists, MissingSectionsLeaveOnlyTheFixedEntries) {
  Build({"[OPT]", "CHAR=1"});
  EXPECT_EQ(t.app.NoCheckList().size(), 4u);
  EXPECT_TRUE(t.app.CannotCheckList().empty());
}

struct NoCheckCase {
  std::string name, address;
  int s, l, g;  // results in JumpMode 0, 1, 2
};
class NoCheckTest : public ExclusionLists, public ::testing::WithParamInterface<NoCheckCase> {};
TEST_P(NoCheckTest, Matches) {
  Build(kImage);
  const auto& c = GetParam();
  EXPECT_EQ(NoCheck(c.address, 0), c.s);
  EXPECT_EQ(NoCheck(c.address, 1), c.l);
  EXPECT_EQ(NoCheck(c.address, 2), c.g);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, NoCheckTest,
    ::testing::Values(
        NoCheckCase{"HomePageAlways", "file:///opt/vx/site/index.html", 1, 1, 1},
        NoCheckCase{"SecondHomePageFindsTheFirstFragmentFirst", "file:///opt/vx/site/en/a.html", 1,
                    1, 1},
        NoCheckCase{"OwnScriptAlways", "javascript:vexalorn1()", 3, 3, 3},
        NoCheckCase{"UserEntryOnlyForSearchPages", "https://www.google.com/x", 5, 0, 0},
        NoCheckCase{"UserEntriesAreCaseSensitive", "https://search.yahoo.com/", 0, 0, 0},
        NoCheckCase{"IndentedHeaderIsAnEntry", "a[OPT]b", 8, 0, 0},
        NoCheckCase{"NothingMatches", "https://example.org/", 0, 0, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(ExclusionLists, InsertedBannerStandsBeforeTheSeparator) {
  Build(kImage);
  auto& list = t.app.NoCheckList();
  list.insert(list.begin() + kBannerInsertPosition, "banner.example/x/");
  EXPECT_EQ(NoCheck("http://banner.example/x/y", 2), 3);
}

struct CannotCase {
  std::string name, address;
  int expected;
};
class CannotCheckTest : public ExclusionLists, public ::testing::WithParamInterface<CannotCase> {};
TEST_P(CannotCheckTest, Matches) {
  Build(kImage);
  EXPECT_EQ(CannotCheck(GetParam().address), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, CannotCheckTest,
    ::testing::Values(CannotCase{"MailInLowerCase", "mailto:a@b.example", 1},
                      CannotCase{"HashAloneIsSkipped", "http://h/p#x", 0},
                      CannotCase{"EntryBeginningWithHash", "http://h/p#top", 3},
                      CannotCase{"Query", "http://h/p?q=1", 4},
                      CannotCase{"LowerCaseEntryNeverMatches", "javascript:x()", 0},
                      CannotCase{"Plain", "http://h/p", 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(ExclusionLists, DefaultScriptEntryCatchesJavascript) {
  Build({"[CANNOTCHECK]", "SCRIPT:"});
  EXPECT_EQ(CannotCheck("javascript:void(0)"), 1);
}

}  // namespace
}  // namespace vex
