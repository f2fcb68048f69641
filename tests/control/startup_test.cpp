#include "control/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text/line_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_app.h"

namespace vex {
namespace {

using Args = std::vector<std::string>;

// Start-up services that never leave the test: a fixed browser address and a
// cache that knows one file.
struct FakeServices {
  int browserAsks = 0;
  int cacheAsks = 0;
  StartupServices Make() {
    return {[this](App&, int index) {
              ++browserAsks;
              return index == 0 ? std::string("http://shown.example/") : std::string();
            },
            [this](const std::string& path) {
              ++cacheAsks;
              return path == "/cache/ab12" ? std::string("http://cached.example/p") : std::string();
            }};
  }
};

// --- Command line ---

struct ArgsCase {
  std::string name;
  Args args;
  int jumpMode, charMode, runMode;
  std::string edit1;
  bool cacheLookup = false;
};
class CommandLine : public ::testing::TestWithParam<ArgsCase> {};
TEST_P(CommandLine, Parses) {
  const auto& c = GetParam();
  testing::TestApp t;
  t.app.state.RunMode = 1;
  FakeServices fake;
  ParseCommandLine(t.app, c.args, fake.Make());
  EXPECT_EQ(t.app.state.JumpMode, c.jumpMode);
  EXPECT_EQ(t.app.state.CharMode, c.charMode);
  EXPECT_EQ(t.app.state.RunMode, c.runMode);
  EXPECT_EQ(t.app.main.Edit1, c.edit1);
  EXPECT_EQ(t.app.state.UrlCacheLookup, c.cacheLookup);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLine,
    ::testing::Values(
        ArgsCase{"Nothing", {}, 0, 0, 1, ""},
        ArgsCase{"ThirdCharacterIsNeverRead", {"-m:2"}, 2, 0, 1, ""},
        ArgsCase{"EqualsSign", {"-m=1"}, 1, 0, 1, ""},
        ArgsCase{"OneQuotedArgument", {"-m 2"}, 2, 0, 1, ""},
        ArgsCase{"NoSeparatorSetsNothing", {"-m2"}, 0, 0, 1, ""},
        ArgsCase{"ValueOutOfRange", {"-m:3", "-s:2"}, 0, 0, 1, ""},
        ArgsCase{"UpperCaseAndBlanks", {"  -S:1  "}, 0, 1, 1, ""},
        ArgsCase{"ShortLanguageOption", {"-s1"}, 0, 0, 1, ""},
        ArgsCase{"Automatic", {"-a"}, 0, 0, -1, ""},
        ArgsCase{"OnlyTwoCharactersNameAnOption", {"-auto", "-inspect"}, 0, 0, -1, "", true},
        ArgsCase{"UnknownOptionIgnored", {"-x", "-", "--m:1"}, 0, 0, 1, ""},
        ArgsCase{"TargetExactlyAsPassed", {" /a b/c.html "}, 0, 0, 1, " /a b/c.html "},
        ArgsCase{"LaterTargetWins",
                 {"/a.html", "-s:1", "http://b.example/"},
                 0,
                 1,
                 1,
                 "http://b.example/"},
        ArgsCase{"InternetInAnyCase", {" InterNet "}, 0, 0, 1, "http://shown.example/"},
        ArgsCase{"InternetWithinAWordIsATarget", {"internet.html"}, 0, 0, 1, "internet.html"},
        ArgsCase{"CacheLookupFlag", {"-i", "/x"}, 0, 0, 1, "/x", true}),
    [](const auto& info) { return info.param.name; });

TEST(TimePick, UsesTheMillisecondsOfTheClock) {
  testing::TestApp t;
  t.clock.Advance(123);  // the clock starts on a whole second
  EXPECT_EQ(TimePick(t.app, 7), 123 % 7);
  EXPECT_EQ(TimePick(t.app, 1000), 123);
  EXPECT_EQ(TimePick(t.app, 0), 0);
  t.clock.Advance(1000);
  EXPECT_EQ(TimePick(t.app, 7), 123 % 7);
}

// --- Start-up and exit with the settings in a temporary home ---

class Startup : public ::testing::Test {
 protected:
  std::string Ini() const { return home / "vexalorn.ini"; }
  void WriteIni(const std::string& text) { home.Write("vexalorn.ini", text); }
  std::string ReadIni() const {
    std::string data;
    EXPECT_TRUE(ReadFileBytes(Ini(), data));
    return data;
  }
  void Create(const Args& args) { FormCreate(t.app, args, fake.Make()); }

  testing::TempDir home;
  testing::ScopedEnv homeEnv{"VEXALORN_HOME", home.path().c_str()};
  testing::ScopedEnv diagEnv{"VEXALORN_DIAG", nullptr};
  testing::ScopedEnv siteEnv{"VEXALORN_HOME_SITE", nullptr};
  testing::TestApp t;
  FakeServices fake;
};

TEST_F(Startup, FirstStartBuildsTheRunState) {
  t.clock.Advance(5);
  t.app.state.TargetList = {"stale"};
  Create({});
  const RunState& s = t.app.state;
  EXPECT_EQ(s.RunMode, 1);
  EXPECT_EQ(s.IniPath, Ini());
  EXPECT_EQ(s.ExeFolder, std::string(VEXALORN_BUILD_DIR) + "/");
  EXPECT_EQ(s.DataFolder, s.ExeFolder);  // a build keeps its data beside the programs
  EXPECT_EQ(s.OsName, "error");
  EXPECT_EQ(s.ProgressOsName, "error");
  EXPECT_EQ(s.BannerPick1, 5);
  EXPECT_EQ(s.BannerPick2, 5);
  EXPECT_EQ(s.TargetHistory, LineList{""});
  EXPECT_TRUE(s.TargetList.empty());
  EXPECT_EQ(SplitLines(ReadIni()).size(), 22u);
  const Geometry& g = t.app.main.geometry;
  EXPECT_EQ((std::vector<int>{g.width, g.height, g.top, g.left}),
            (std::vector<int>{671, 55, 1, 1}));
  EXPECT_FALSE(t.app.main.diagnosticLayout);
  // Lists built from the defaults, window labelled for Japanese S-Page.
  EXPECT_EQ(t.app.NoCheckList()[3], "---SEP---");
  EXPECT_EQ(t.app.CannotCheckList().front(), "MAILTO");
  EXPECT_EQ(t.app.main.Button7.caption, "検索用");
  EXPECT_TRUE(t.app.main.caption.starts_with("((VEXALORN 2.6)) URL"));
}

TEST_F(Startup, CommandLineComesAfterTheSettings) {
  WriteIni("[OPT]\r\nVER=2.6\r\nCHAR=1\r\nJUMP=1\r\n");
  Create({"-s:0"});
  EXPECT_EQ(t.app.state.CharMode, 0);
  EXPECT_EQ(t.app.state.CharModeAtStart, 1);
  EXPECT_EQ(t.app.state.JumpModeAtStart, 1);
  EXPECT_EQ(t.app.main.Button7.caption, "ﾘﾝｸ集用");
}

TEST_F(Startup, CacheLookupReplacesTheTarget) {
  Create({"-i", "/cache/ab12"});
  EXPECT_EQ(t.app.state.CurrentTarget, "/cache/ab12");
  EXPECT_EQ(t.app.main.Edit1, "http://cached.example/p");
}

TEST_F(Startup, CacheLookupWithoutTargetDoesNothing) {
  Create({"-i"});
  EXPECT_EQ(fake.cacheAsks, 0);
  EXPECT_EQ(t.app.main.Edit1, "");
}

TEST_F(Startup, DeveloperStartOpensTheFullLayoutUnlessAutomatic) {
  testing::ScopedEnv diag("VEXALORN_DIAG", "1");
  Create({});
  EXPECT_EQ(t.app.main.geometry.width, 730);
  EXPECT_EQ(t.app.main.geometry.height, 550);
  EXPECT_TRUE(t.app.main.diagnosticLayout);

  testing::TestApp automatic;
  FormCreate(automatic.app, {"-a"}, fake.Make());
  EXPECT_EQ(automatic.app.main.geometry.width, 671);
  EXPECT_FALSE(automatic.app.main.diagnosticLayout);
}

TEST_F(Startup, AutomaticModePostsTheStartMessage) {
  Create({"-a", "/nothing.html"});
  FormShow(t.app);
  EXPECT_EQ(t.app.state.Busy, -1);
  EXPECT_EQ(t.ui.startMessages, 1);
  EXPECT_GE(t.ui.eventsProcessed, 2);
  EXPECT_EQ(t.ui.closeRequests, 0);
}

TEST_F(Startup, InteractiveShowDoesNothing) {
  Create({});
  FormShow(t.app);
  EXPECT_EQ(t.ui.startMessages, 0);
  EXPECT_EQ(t.ui.closeRequests, 0);
  EXPECT_EQ(t.app.state.Busy, 0);
}

TEST_F(Startup, UnreadableSettingsEndTheStartUp) {
  std::filesystem::create_directory(Ini());
  Create({"-a"});
  EXPECT_EQ(t.app.state.RunMode, 0);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_NE(t.ui.messages[0].find(Ini()), std::string::npos);
  FormShow(t.app);
  EXPECT_EQ(t.ui.closeRequests, 1);
  EXPECT_EQ(t.ui.startMessages, 0);
  FormDestroy(t.app);
  EXPECT_EQ(t.ui.messages.size(), 1u);  // nothing to write back
}

struct WriteBackCase {
  std::string name;
  Args args;
  bool changeLanguageInWindow;
  std::string expected;  // file after exit
};
const std::string kCurrentIni = "[OPT]\r\nVER=2.6\r\nCHAR=0\r\nJUMP=0\r\n";
class WriteBack : public Startup, public ::testing::WithParamInterface<WriteBackCase> {};
TEST_P(WriteBack, LeavesTheFile) {
  const auto& c = GetParam();
  WriteIni(kCurrentIni);
  Create(c.args);
  if (c.changeLanguageInWindow) t.app.state.CharMode = 1;
  FormDestroy(t.app);
  EXPECT_EQ(ReadIni(), c.expected);
  EXPECT_TRUE(t.ui.messages.empty());
  EXPECT_TRUE(t.app.state.TargetHistory.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Rows, WriteBack,
    ::testing::Values(
        WriteBackCase{"InteractivePageTypeOption",
                      {"-m:2"},
                      false,
                      "[OPT]\r\nVER=2.6\r\nCHAR=0\r\nJUMP=2\r\n"},
        WriteBackCase{"AutomaticWritesNothing", {"-m:2", "-a"}, false, kCurrentIni},
        WriteBackCase{
            "BothModesInOrder", {"-m:1"}, true, "[OPT]\r\nVER=2.6\r\nCHAR=1\r\nJUMP=1\r\n"},
        WriteBackCase{"SwitchedAndBackWritesNothing", {"-s:1", "-s:0"}, false, kCurrentIni}),
    [](const auto& info) { return info.param.name; });

TEST_F(Startup, UnwritableSettingsAtExitAreReported) {
  WriteIni(kCurrentIni);
  Create({"-m:2", "-s:1"});
  // The file gives way to a folder of the same name before the exit.
  std::filesystem::remove(Ini());
  std::filesystem::create_directory(Ini());
  FormDestroy(t.app);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0], Ini() + " に書き込めません");
}

}  // namespace
}  // namespace vex
