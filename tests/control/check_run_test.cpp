#include "control/check_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/texts.h"
#include "control/check_one.h"
#include "platform/http/http_client.h"
#include "platform/system/file_system.h"
#include "platform/text/line_list.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"
#include "support/test_app.h"

// The run driver is tested against a scripted single-page check: each target
// gets the code and counts the script names, so the driver's own decisions
// (classification, order, result lines, summary, endings) are what is seen.
namespace {

struct ScriptedCheck {
  int code = 0;
  int links = 3;
  int broken = 0;
  bool raise = false;
  bool moveFolder = false;
  std::string loadFailure{};  // the page could not be fetched, for this reason
};

std::map<std::string, ScriptedCheck> gScript;
std::vector<std::string> gChecked;  // the target each check got ("" for Edit1's)
std::string gEdit1AtCheck;

}  // namespace

namespace vex {

int ScriptedCheckOne(App& app, std::string& target) {
  gChecked.push_back(target);
  gEdit1AtCheck = app.main.Edit1;
  const std::string key = target.empty() ? app.main.Edit1 : target;
  const ScriptedCheck s = gScript.count(key) ? gScript[key] : ScriptedCheck{};
  if (s.raise) throw std::runtime_error("browser gone away");
  if (s.moveFolder) (void)SetCurrentFolder("/");
  ClearCounts(app.state.PageCounts);
  app.state.PageCounts.LinkCount = s.links;
  app.state.PageCounts.BrokenCount = s.broken;
  if (!target.empty()) target = key + ".result.htm";
  if (!s.loadFailure.empty()) {
    app.state.TargetLoadFailure = s.loadFailure;
    return kCheckPageFailed;
  }
  return s.code;
}

namespace {

const std::string kHtml = "<html><body><a href=\"x.html\">x</a></body></html>\n";

class CheckRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gScript.clear();
    gChecked.clear();
    savedFolder = CurrentFolder();
    setenv("VEXALORN_HOME", home.path().c_str(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
    ASSERT_TRUE(SetCurrentFolder(site.path().string()));
    app.steps.CheckOne = ScriptedCheckOne;
    app.state.CharMode = 1;
    app.state.RunMode = -1;
    app.state.Busy = -1;
  }
  void TearDown() override {
    (void)SetCurrentFolder(savedFolder);
    unsetenv("VEXALORN_HOME");
  }
  RunOutcome Run(const std::string& edit1) {
    app.main.Edit1 = edit1;
    RunOutcome out = RunCheck(app);
    EXPECT_EQ(app.state.Busy, 0);
    EXPECT_EQ(CurrentFolder(), site.path().string());
    EXPECT_FALSE(app.IdleBrowser);
    return out;
  }
  std::string At(const std::string& rel) const { return site / rel; }

  testing::TempDir site;
  testing::TempDir home;
  std::string savedFolder;
  ManualClock clock{1'700'000'000'000};  // 2023/11/14 22:13:20 UTC
  testing::ScriptedFrontEnd ui{clock};
  testing::OfflineHttpClient http;
  App app{ui, clock, http};
};

// --- Single targets ----------------------------------------------------------

struct SingleCase {
  const char* name;
  const char* edit1;    // relative to the site folder unless absolute
  const char* message;  // "" for none
  bool checked;
  bool closes;
  const char* edit1After;  // "" when Edit1 stays as typed
};

class SingleTargetTest : public CheckRunTest, public ::testing::WithParamInterface<SingleCase> {};

TEST_P(SingleTargetTest, ClassifiesAndEnds) {
  const SingleCase& c = GetParam();
  site.Write("page.html", kHtml);
  site.Write("notes.txt", "just text\n");
  const RunOutcome out = Run(c.edit1);
  if (*c.message) {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], c.message);
  } else {
    EXPECT_TRUE(ui.messages.empty());
  }
  EXPECT_EQ(gChecked.size(), c.checked ? 1u : 0u);
  if (c.checked) {
    EXPECT_EQ(gChecked[0], "") << "a single target is checked through Edit1";
    EXPECT_EQ(app.state.ProgressHeight, 103);
    EXPECT_FALSE(app.progress.Label3Visible);
    EXPECT_FALSE(app.progress.st1_ProBar2.visible);
  }
  EXPECT_EQ(ui.closeRequests, c.closes ? 1 : 0);
  EXPECT_EQ(out.aborted, !c.closes);
  const std::string after = *c.edit1After ? At(c.edit1After) : std::string(c.edit1);
  EXPECT_EQ(app.main.Edit1, after);
  EXPECT_TRUE(app.state.TargetList.empty());
  EXPECT_EQ(app.state.RunStartTime, "2023/11/14 22:13:20");
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SingleTargetTest,
    ::testing::Values(
        SingleCase{"WebAddress", "http://127.0.0.1:1/a.html", "", true, true, ""},
        SingleCase{"FileAddress", "file:///nowhere/a.html", "", true, true, ""},
        SingleCase{"RelativeFileMadeAbsolute", "page.html", "", true, true, "page.html"},
        SingleCase{"DotDotFolded", "sub/../page.html", "", true, true, "page.html"},
        SingleCase{"MissingFile", "gone.html", "This file is not exist.", false, false, ""},
        SingleCase{"QuestionMarkWithoutStar", "pag?.html", "This file is not exist.", false, false,
                   ""},
        SingleCase{"NotHtml", "notes.txt", "This file is not a HTML file.", false, false,
                   "notes.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckRunTest, FramePickedKeepsTheProgramOpen) {
  site.Write("page.html", kHtml);
  gScript[At("page.html")] = {.code = 2};
  const RunOutcome out = Run(At("page.html"));
  EXPECT_EQ(out.result, 2);
  EXPECT_EQ(ui.closeRequests, 0);
}

TEST_F(CheckRunTest, FailedSingleCheckStillClosesInAutomaticMode) {
  site.Write("page.html", kHtml);
  gScript[At("page.html")] = {.code = -9};
  const RunOutcome out = Run(At("page.html"));
  EXPECT_EQ(out.result, -9);
  EXPECT_EQ(ui.closeRequests, 1);
  app.state.RunMode = 1;
  (void)Run(At("page.html"));
  EXPECT_EQ(ui.closeRequests, 1) << "an interactive run never closes the window";
}

TEST_F(CheckRunTest, UnexpectedFailureIsShownAndAborts) {
  site.Write("page.html", kHtml);
  gScript[At("page.html")] = {.raise = true};
  const RunOutcome out = Run("page.html");
  EXPECT_TRUE(out.aborted);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "browser gone away");
  EXPECT_EQ(ui.closeRequests, 0);
}

TEST_F(CheckRunTest, CurrentFolderIsRestoredWhenACheckMovesIt) {
  site.Write("page.html", kHtml);
  gScript[At("page.html")] = {.moveFolder = true};
  (void)Run("page.html");  // Run() checks the folder afterwards
}

// --- Batches -----------------------------------------------------------------

TEST_F(CheckRunTest, BatchOfThreeWithAnEmptyLineAndATextFile) {
  site.Write("a.html", kHtml);
  site.Write("pages/b.htm", kHtml);
  site.Write("notes.txt", "text\n");
  site.Write("list.bchk", "[vexalorn batch file]\r\n  a.html  \r\n\r\nnotes.txt\npages/b.htm\r\n");
  gScript[At("pages/b.htm")] = {.links = 5, .broken = 2};
  const RunOutcome out = Run("list.bchk");

  EXPECT_FALSE(out.aborted);
  EXPECT_EQ(app.main.Edit1, At("list.bchk"));
  EXPECT_EQ(gChecked, (std::vector<std::string>{At("a.html"), At("pages/b.htm")}))
      << "relative lines are checked as absolute paths, the text file is skipped";
  EXPECT_EQ(app.state.ResultLines,
            (LineList{"Very good!<3>," + At("a.html") + ".result.htm," + At("a.html"),
                      "This file is not a HTML file., ," + At("notes.txt"),
                      "<5>(NG)2," + At("pages/b.htm") + ".result.htm," + At("pages/b.htm")}));
  EXPECT_EQ(app.state.RunTotals.PagesCounted, 3);
  EXPECT_EQ(app.state.ProgressHeight, 152);
  EXPECT_EQ(app.progress.Label4, "On Batch-Process<4/4>") << "the empty line counts in N";
  EXPECT_EQ(app.progress.st1_ProBar2.max, 4);
  EXPECT_EQ(app.progress.Label1, "On Totalizing");
  EXPECT_FALSE(app.progress.visible);

  ASSERT_FALSE(out.summaryPath.empty());
  EXPECT_EQ(ui.shownPages, (std::vector<std::string>{out.summaryPath}));
  EXPECT_FALSE(app.PageBrowser) << "the report's browser is handed over";
  std::string report;
  ASSERT_TRUE(ReadFileBytes(out.summaryPath, report));
  EXPECT_NE(report.find(At("pages/b.htm")), std::string::npos);
  EXPECT_EQ(app.state.RunEndTime, "2023/11/14 22:13:20");
  EXPECT_EQ(ui.closeRequests, 1);
  EXPECT_GE(ui.fitRequests, 2);
}

struct BatchEndCase {
  const char* name;
  const char* content;
  bool summary;
};

class BatchWithoutRunTest : public CheckRunTest,
                            public ::testing::WithParamInterface<BatchEndCase> {};

// Lists that check nothing: no message, and the program stays open.
TEST_P(BatchWithoutRunTest, ChecksNothing) {
  site.Write("a.html", kHtml);
  site.Write("list.bchk", GetParam().content);
  const RunOutcome out = Run("list.bchk");
  EXPECT_TRUE(gChecked.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(out.summaryPath.empty(), !GetParam().summary);
  EXPECT_EQ(ui.closeRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, BatchWithoutRunTest,
    ::testing::Values(
        BatchEndCase{"NoHeader", "a.html\r\n", false},
        BatchEndCase{"HeaderWithTrailingBlank", "[vexalorn batch file] \r\na.html\r\n", false},
        BatchEndCase{"HeaderInOtherCase", "[Vexalorn Batch File]\r\na.html\r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckRunTest, EmptyBatchFileIsCheckedAsASingleTarget) {
  site.Write("list.bchk", "");
  (void)Run("list.bchk");
  EXPECT_EQ(gChecked, (std::vector<std::string>{""}));
}

TEST_F(CheckRunTest, UnreadableBatchFileIsShownAndAborts) {
  const RunOutcome out = Run(At("*.bchk"));
  EXPECT_TRUE(out.aborted);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("*.bchk"), std::string::npos);
}

TEST_F(CheckRunTest, PageThatCannotBeLoadedIsRecordedAndTheBatchGoesOn) {
  for (const char* f : {"a.html", "c.html"}) site.Write(f, kHtml);
  site.Write("list.bchk",
             "[vexalorn batch "
             "file]\na.html\nfile:///nowhere/dead.html\nfile:///nowhere/gone.html\nc.html\n");
  gScript["file:///nowhere/dead.html"] = {.loadFailure =
                                              "OpenUrl Error:12029 (Connection refused, twice)"};
  gScript["file:///nowhere/gone.html"] = {.loadFailure = "HTTP 404"};
  const RunOutcome out = Run("list.bchk");

  EXPECT_FALSE(out.aborted);
  EXPECT_EQ(out.result, 0);
  EXPECT_EQ(gChecked.size(), 4u);
  EXPECT_TRUE(ui.messages.empty()) << "a batch records the reason instead of asking";
  EXPECT_EQ(app.state.ResultLines,
            (LineList{"Very good!<3>," + At("a.html") + ".result.htm," + At("a.html"),
                      "(NG)Not loaded(OpenUrl Error:12029), ,file:///nowhere/dead.html",
                      "(NG)Not loaded(HTTP 404), ,file:///nowhere/gone.html",
                      "Very good!<3>," + At("c.html") + ".result.htm," + At("c.html")}));
  EXPECT_EQ(app.state.RunTotals.PagesCounted, 4);
  ASSERT_FALSE(out.summaryPath.empty());
  std::string report;
  ASSERT_TRUE(ReadFileBytes(out.summaryPath, report));
  EXPECT_NE(report.find("<TD>\r\n(NG)Not loaded(HTTP 404)\r\n</TD>"), std::string::npos)
      << "no annotated page to link to: " << report;
  EXPECT_EQ(ui.closeRequests, 1);
}

struct BatchFailCase {
  const char* name;
  int code;
  bool summary;
};

class BatchFailureTest : public CheckRunTest,
                         public ::testing::WithParamInterface<BatchFailCase> {};

TEST_P(BatchFailureTest, SecondEntryFails) {
  for (const char* f : {"a.html", "b.html", "c.html"}) site.Write(f, kHtml);
  site.Write("list.bchk", "[vexalorn batch file]\na.html\nb.html\nc.html\n");
  gScript[At("b.html")] = {.code = GetParam().code};
  const RunOutcome out = Run("list.bchk");
  EXPECT_TRUE(out.aborted);
  EXPECT_EQ(out.result, GetParam().code);
  EXPECT_EQ(gChecked.size(), 2u) << "the batch stops at the failed entry";
  EXPECT_EQ(app.state.ResultLines.size(), 1u);
  EXPECT_EQ(ui.closeRequests, 0);
  EXPECT_FALSE(app.progress.visible);
  EXPECT_EQ(out.summaryPath.empty(), !GetParam().summary);
  if (GetParam().summary) {
    EXPECT_EQ(app.state.RunEndTime, "Canceled2023/11/14 22:13:20");
    EXPECT_EQ(ui.shownPages, (std::vector<std::string>{out.summaryPath}));
  } else {
    EXPECT_TRUE(ui.shownPages.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, BatchFailureTest,
                         ::testing::Values(BatchFailCase{"CancelWhileLoading", -3, true},
                                           BatchFailCase{"CancelDuringWalk", -9, false},
                                           BatchFailCase{"NoResultFile", -1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Wildcards ---------------------------------------------------------------

struct WildcardCase {
  const char* name;
  const char* pattern;               // relative to the site folder
  Answer answer;                     // to the subfolder question
  std::vector<std::string> checked;  // relative to the site folder
  bool aborted;
};

class WildcardTest : public CheckRunTest, public ::testing::WithParamInterface<WildcardCase> {};

TEST_P(WildcardTest, CollectsInOrder) {
  const WildcardCase& c = GetParam();
  for (const char* f : {"top/b.htm", "top/A.htm", "top/.hidden.htm", "top/z.html", "top/sub/c.htm",
                        "top/sub/deeper/d.htm", "top/Sub2/a.htm", "top/sub/x.txt"}) {
    site.Write(f, kHtml);
  }
  std::filesystem::create_directories(site.path() / "top/.git");
  site.Write("top/.git/e.htm", kHtml);
  ui.answers.push_back(c.answer);
  const RunOutcome out = Run(c.pattern);
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "Do you search for subfolders");
  std::vector<std::string> want;
  for (const std::string& rel : c.checked) want.push_back(At(rel));
  EXPECT_EQ(gChecked, want);
  EXPECT_EQ(out.aborted, c.aborted);
  EXPECT_TRUE(ui.messages.empty());
  if (!c.aborted) {
    EXPECT_EQ(app.state.TargetList.front(), texts::BatchHeader);
    EXPECT_FALSE(out.summaryPath.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WildcardTest,
    ::testing::Values(WildcardCase{"Yes",
                                   "top/*.htm",
                                   Answer::Yes,
                                   {"top/A.htm", "top/b.htm", "top/sub/c.htm",
                                    "top/sub/deeper/d.htm", "top/Sub2/a.htm"},
                                   false},
                      WildcardCase{
                          "No", "top/*.htm", Answer::No, {"top/A.htm", "top/b.htm"}, false},
                      WildcardCase{"Cancel", "top/*.htm", Answer::Cancel, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckRunTest, WildcardWithoutFolderSearchesTheCurrentFolder) {
  site.Write("one.htm", kHtml);
  site.Write("two.htm", kHtml);
  (void)Run("*.htm");
  EXPECT_TRUE(ui.questions.empty()) << "no subfolders, no question";
  EXPECT_EQ(gChecked, (std::vector<std::string>{At("one.htm"), At("two.htm")}));
}

TEST_F(CheckRunTest, WildcardMatchingNothingTellsOfNoFile) {
  site.Write("one.html", kHtml);
  const RunOutcome out = Run("*.xyz");
  EXPECT_TRUE(out.aborted);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"This file is not exist."}));
  EXPECT_TRUE(gChecked.empty());
}

// --- The file-count question -------------------------------------------------

struct LimitCase {
  int n;
  Answer answer;
  int result;
  const char* question;  // "" when none is asked
};

TEST_F(CheckRunTest, AskFileLimitAtMultiplesOf900) {
  const std::vector<LimitCase> cases = {
      {0, Answer::Yes, 0, ""},
      {899, Answer::Yes, 0, ""},
      {901, Answer::Yes, 0, ""},
      {900, Answer::Yes, -1, "Over 900 HTML files! Result can not save to file. Cancel now ?"},
      {900, Answer::No, 0, "Over 900 HTML files! Result can not save to file. Cancel now ?"},
      {1800, Answer::No, 0, "1800HTML files! Help me"},
  };
  for (const LimitCase& c : cases) {
    ui.questions.clear();
    ui.answers = {c.answer};
    EXPECT_EQ(AskFileLimit(app, c.n), c.result) << c.n;
    EXPECT_EQ(ui.questions.size(), *c.question ? 1u : 0u) << c.n;
    if (*c.question) {
      EXPECT_EQ(ui.questions[0], c.question);
    }
  }
}

TEST_F(CheckRunTest, NineHundredFilesAskedOnceAndYesEndsWithoutMessage) {
  for (int i = 0; i < 900; ++i) site.Write("many/" + std::to_string(1000 + i) + ".htm", "");
  ui.answers = {Answer::Yes};
  const RunOutcome out = Run("many/*.htm");
  EXPECT_TRUE(out.aborted);
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(gChecked.empty());
  EXPECT_EQ(ui.closeRequests, 0);
}

TEST_F(CheckRunTest, NineHundredthFileInASubfolderSearchIsAsked) {
  // 899 at the top, then a subfolder's first match passes without a question
  // and its second one (901 in all) does not reach a multiple either; with
  // 898 at the top the subfolder's second file is the 900th.
  for (int i = 0; i < 898; ++i) site.Write("many/" + std::to_string(1000 + i) + ".htm", "");
  site.Write("many/sub/a.htm", "");
  site.Write("many/sub/b.htm", "");
  ui.answers = {Answer::Yes, Answer::Yes};
  const RunOutcome out = Run("many/*.htm");
  EXPECT_TRUE(out.aborted);
  ASSERT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.questions[1], "Over 900 HTML files! Result can not save to file. Cancel now ?");
}

}  // namespace
}  // namespace vex
