#include "control/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/progress_window.h"
#include "platform/http/http_client.h"
#include "platform/text/line_list.h"
#include "support/main_window_fixture.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using ::testing::ElementsAre;
using testing::ScriptedFrontEnd;
using testing::TempDir;

using testing::MainWindowTest;

TEST_F(MainWindowTest, HistoryKeepsNineNewestAndArrowKeysWalkIt) {
  for (int i = 1; i <= 11; ++i) CheckTarget("t" + std::to_string(i));
  std::vector<std::string> expected{""};
  for (int i = 3; i <= 11; ++i) expected.push_back("t" + std::to_string(i));
  EXPECT_EQ(app.state.TargetHistory, expected);

  app.main.Edit1 = "typed";
  std::vector<std::string> seen;
  for (int i = 0; i < 10; ++i) {  // one more than there are targets
    Edit1KeyUp(app, kKeyUp);
    seen.push_back(app.main.Edit1);
  }
  EXPECT_THAT(seen, ElementsAre("t11", "t10", "t9", "t8", "t7", "t6", "t5", "t4", "t3", "t3"));

  seen.clear();
  for (int i = 0; i < 10; ++i) {
    Edit1KeyUp(app, kKeyDown);
    seen.push_back(app.main.Edit1);
  }
  EXPECT_THAT(seen,
              ElementsAre("t4", "t5", "t6", "t7", "t8", "t9", "t10", "t11", "typed", "typed"));
  EXPECT_EQ(app.state.HistoryIndex, 0);
}

TEST_F(MainWindowTest, HistoryTakesARepeatedTargetOnceAndOtherKeysResetTheWalk) {
  CheckTarget("a");
  CheckTarget("a");
  CheckTarget("b");
  CheckTarget("a");
  EXPECT_THAT(app.state.TargetHistory, ElementsAre("", "a", "b", "a"));

  app.main.Edit1 = "x";
  Edit1KeyUp(app, kKeyUp);
  Edit1KeyUp(app, kKeyUp);
  EXPECT_EQ(app.main.Edit1, "b");
  Edit1KeyUp(app, 65);  // a letter: back to typing, the text stays
  EXPECT_EQ(app.main.Edit1, "b");
  EXPECT_EQ(app.state.HistoryIndex, 0);
  Edit1KeyUp(app, kKeyUp);  // newest first again
  EXPECT_EQ(app.main.Edit1, "a");
}

TEST_F(MainWindowTest, ArrowKeysWithoutHistoryKeepTheTypedText) {
  app.main.Edit1 = "typed";
  Edit1KeyUp(app, kKeyUp);
  EXPECT_EQ(app.main.Edit1, "typed");
  Edit1KeyUp(app, kKeyDown);
  EXPECT_EQ(app.main.Edit1, "typed");
}

TEST_F(MainWindowTest, CheckTwiceWhileBusyStartsOneRun) {
  app.main.Edit1 = "http://127.0.0.1/";
  B_CheckClick(app);
  app.main.Edit1 = "http://127.0.0.1/other";
  B_CheckClick(app);
  EXPECT_EQ(ui.startMessages, 1);
  EXPECT_EQ(app.state.Busy, -1);
  EXPECT_THAT(app.state.TargetHistory, ElementsAre("", "http://127.0.0.1/"));
}

TEST_F(MainWindowTest, GuardedButtonsDoNothingWhileBusy) {
  app.state.Busy = -1;
  app.main.Edit1 = "kept";
  ui.openResults.push_back({"/tmp/a.html"});
  B_fileClick(app);
  B_IEClick(app);
  EXPECT_EQ(app.main.Edit1, "kept");
  EXPECT_TRUE(ui.openDialogs.empty());

  // Cancel works during a run.
  Button3Click(app);
  EXPECT_EQ(app.state.CancelFlag, -1);
}

struct WildcardCase {
  const char* name;
  std::string start;
  std::vector<std::string> cycle;  // Edit1 after each double-click
};

class WildcardCycle : public MainWindowTest, public ::testing::WithParamInterface<WildcardCase> {};

TEST_P(WildcardCycle, DoubleClicksCycleThroughThePatterns) {
  app.main.Edit1 = GetParam().start;
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < GetParam().cycle.size(); ++i) {
    Edit1DblClick(app);
    seen.push_back(app.main.Edit1);
  }
  EXPECT_EQ(seen, GetParam().cycle);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, WildcardCycle,
    ::testing::Values(
        WildcardCase{
            "FilePath", "/a/b.html", {"/a/*.html", "/a/*.h*", "/a/*.*", "/a/b.html", "/a/*.html"}},
        WildcardCase{"NoExtension", "/a/README", {"/a/*", "/a/*.h*", "/a/*.*", "/a/README"}},
        WildcardCase{"DotInFolderOnly", "/a.d/file", {"/a.d/*", "/a.d/*.h*"}},
        WildcardCase{"BareNameStaysRelative", "b.htm", {"*.htm", "*.h*", "*.*", "b.htm"}},
        WildcardCase{"ForeignPatternStays", "/x/*.txt", {"/x/*.txt", "/x/*.txt"}},
        WildcardCase{"QuestionMarkIsAPattern", "/x/a?.htm", {"/x/a?.htm"}},
        WildcardCase{"WebAddress", "http://127.0.0.1/a.html", {"http://127.0.0.1/a.html"}},
        WildcardCase{"WebAddressWithBlanks", "  HTTPS://h/b.htm ", {"  HTTPS://h/b.htm "}},
        WildcardCase{"FileAddress", "file:///a/b.html", {"file:///a/b.html"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(MainWindowTest, WebAddressDoubleClickLeavesTheWildcardTextsAlone) {
  app.main.Edit1 = "/a/b.html";
  Edit1DblClick(app);
  app.main.Edit1 = "http://127.0.0.1/*.html";
  Edit1DblClick(app);
  EXPECT_EQ(app.main.Edit1, "http://127.0.0.1/*.html");
  EXPECT_EQ(app.main.WildSource, "/a/b.html");
}

struct HintCase {
  const char* name;
  std::string text;
  bool hinted;
};

class Edit1Hint : public MainWindowTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(Edit1Hint, OnlyAPlainPathWithoutStarGetsTheWildcardHint) {
  app.main.Edit1Hint = "stale";
  SetEdit1(app, GetParam().text);
  EXPECT_EQ(app.main.Edit1Hint.empty(), !GetParam().hinted);
  if (GetParam().hinted) {
    EXPECT_EQ(app.main.Edit1Hint, "ダブルクリックでワイルドカードにします。");
  }
}

INSTANTIATE_TEST_SUITE_P(MainWindow, Edit1Hint,
                         ::testing::Values(HintCase{"Path", "/a/b.html", true},
                                           HintCase{"QuestionMark", "/a/b?.html", true},
                                           HintCase{"Star", "/a/*.html", false},
                                           HintCase{"Empty", "", false},
                                           HintCase{"Web", "http://127.0.0.1/", false},
                                           HintCase{"FileAddress", "FILE:///a/b.html", false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(MainWindowTest, EnglishHintFollowsTheMarkMode) {
  app.state.CharMode = 1;
  SetEdit1(app, "/a/b.html");
  EXPECT_EQ(app.main.Edit1Hint, "DblClick is change to wild card");
}

TEST_F(MainWindowTest, OneChosenFileBecomesTheTarget) {
  ui.openResults.push_back({"/site/page.html"});
  B_fileClick(app);
  EXPECT_EQ(app.main.Edit1, "/site/page.html");
  EXPECT_FALSE(app.main.Edit1Hint.empty());
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_THAT(ui.openDialogs[0].first, ::testing::StartsWith("htmlファイル"));
  EXPECT_EQ(ui.openDialogs[0].second, kBatchFilterIndex);
}

TEST_F(MainWindowTest, CancelledOpenDialogChangesNothing) {
  app.main.Edit1 = "kept";
  B_fileClick(app);
  EXPECT_EQ(app.main.Edit1, "kept");
  EXPECT_TRUE(ui.saveDialogs.empty());
}

TEST_F(MainWindowTest, SeveralFilesAreSavedAsABatchFileWithTheDefaultExtension) {
  TempDir dir;
  ui.openResults.push_back({"/site/b.html", "/site/a.html"});
  ui.saveResults.push_back(dir / "x");
  B_fileClick(app);

  const std::string saved = dir / "x.bchk";
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(saved, bytes));
  EXPECT_EQ(bytes, "[vexalorn batch file]\r\n/site/b.html\r\n/site/a.html\r\n");
  EXPECT_EQ(app.main.Edit1, saved);
  EXPECT_TRUE(app.main.Memo1.empty());
  ASSERT_EQ(ui.saveDialogs.size(), 1u);
  EXPECT_EQ(ui.saveDialogs[0].second, "bchk");
  EXPECT_THAT(ui.saveDialogs[0].first, ::testing::EndsWith("|*.bchk"));
}

TEST_F(MainWindowTest, ANameWithItsOwnExtensionIsKept) {
  TempDir dir;
  ui.openResults.push_back({"/a.html", "/b.html"});
  ui.saveResults.push_back(dir / "list.txt");
  B_fileClick(app);
  EXPECT_EQ(app.main.Edit1, dir / "list.txt");
  EXPECT_TRUE(std::filesystem::exists(dir / "list.txt"));
}

TEST_F(MainWindowTest, CancelledSaveKeepsTheListInMemo1) {
  app.main.Edit1 = "kept";
  ui.openResults.push_back({"/a.html", "/b.html"});
  ui.saveResults.push_back(std::nullopt);
  B_fileClick(app);
  EXPECT_THAT(app.main.Memo1, ElementsAre("[vexalorn batch file]", "/a.html", "/b.html"));
  EXPECT_EQ(app.main.Edit1, "kept");
}

TEST_F(MainWindowTest, UnwritableBatchFileIsReportedAndKeepsTheList) {
  TempDir dir;
  app.main.Edit1 = "kept";
  ui.openResults.push_back({"/a.html", "/b.html"});
  ui.saveResults.push_back(dir / "missing-folder/x.bchk");
  B_fileClick(app);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(app.main.Edit1, "kept");
  EXPECT_EQ(app.main.Memo1.size(), 3u);
}

struct DialogOptionCase {
  const char* name;
  int filter;
  bool singleFile;
};

class OpenDialogFilter : public ::testing::TestWithParam<DialogOptionCase> {};

TEST_P(OpenDialogFilter, OnlyTheBatchFilterAllowsOneFile) {
  const OpenDialogOptions options = OpenDialog1TypeChange(GetParam().filter);
  EXPECT_EQ(options.singleFile, GetParam().singleFile);
  EXPECT_TRUE(options.hideReadOnly);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, OpenDialogFilter,
                         ::testing::Values(DialogOptionCase{"Html", 0, false},
                                           DialogOptionCase{"AllFiles", 1, false},
                                           DialogOptionCase{"Batch", 2, true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(MainWindowTest, HelpOpensTheIndexOnlyWhenItExists) {
  TempDir dir;
  app.state.DataFolder = dir.path().string() + "/";
  Button4Click(app);
  EXPECT_TRUE(ui.helpOpened.empty());

  dir.Write("help/index.html", "<html></html>");
  app.state.Busy = -1;  // help works during a run too
  Button4Click(app);
  EXPECT_THAT(ui.helpOpened, ElementsAre(dir / "help/index.html"));
}

TEST_F(MainWindowTest, ProgressTestButtonShowsTheBatchLayout) {
  app.state.CancelFlag = -1;
  app.state.TargetList = {"[vexalorn batch file]", "a", "b"};
  app.state.CharMode = 1;
  Button8Click(app);
  EXPECT_TRUE(app.progress.visible);
  EXPECT_EQ(app.progress.geometry.height, kProgressHeightBatch);
  EXPECT_EQ(app.state.ProgressHeight, kProgressHeightBatch);
  EXPECT_TRUE(app.progress.Label3Visible);
  EXPECT_TRUE(app.progress.Label4Visible);
  EXPECT_TRUE(app.progress.st1_ProBar2.visible);
  EXPECT_EQ(app.progress.Label3, "test");
  EXPECT_EQ(app.progress.Label4, "On Batch-Process<0/2>");
  EXPECT_EQ(app.state.CancelFlag, 0);  // showing resets it
  EXPECT_EQ(ui.fitRequests, 1);
}

}  // namespace
}  // namespace vex
