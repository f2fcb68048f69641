#include "control/check_one.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/texts.h"
#include "platform/http/http_client.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "preparation/page_preparation.h"
#include "support/scripted_front_end.h"
#include "support/shiftable_clock.h"
#include "support/temp_dir.h"

namespace {

// What the stand-in preparation returns and what it saw when it was called.
struct Preparation {
  int code = 0;
  std::string page;  // becomes WorkLines when the code is 0
  // Seen at the call:
  bool called = false;
  std::string explicitTarget;
  std::string currentTarget;
  vex::ProgressModel progress;
  std::string anchorPageUrl;
  vex::CountRecord pageCounts;
  vex::LinkFlags flags{};
  vex::LinkFlags lastFlags{};
};

Preparation gPreparation;

}  // namespace

namespace vex {

// The page preparation of these tests: scripted, without a browser.
int ScriptedGetHtml(App& app, const std::string& explicitTarget) {
  Preparation& p = gPreparation;
  p.called = true;
  p.explicitTarget = explicitTarget;
  p.currentTarget = app.state.CurrentTarget;
  p.progress = app.progress;
  p.anchorPageUrl = app.state.AnchorPageUrl;
  p.pageCounts = app.state.PageCounts;
  p.flags = app.state.Flags;
  p.lastFlags = app.state.LastLinkFlags;
  if (p.code == 0) {
    app.state.WorkLines = SplitLines(p.page);
    app.state.NoHeaderBlock = 1;
  }
  if (p.code == kGetHtmlLoadFailed) app.state.TargetLoadFailure = "HTTP 404";
  return p.code;
}

namespace {

constexpr const char* kPage =
    "<html><head><title>T</title></head><body><a href=\"ftp://127.0.0.1/x\">x</a></body></html>";

struct CheckContext {
  CheckContext() {
    ::setenv("VEXALORN_HOME", home.path().c_str(), 1);
    gPreparation = Preparation{};
    gPreparation.page = kPage;
    app.steps.GetHtml = ScriptedGetHtml;
    app.main.Button7.caption = "S-Page";
    // What an earlier check left behind.
    app.state.PageCounts = {3, 1, 1, 1, 1, 1, 1, 0};
    app.state.Flags = {1, 1, 1, 1, 1, 1};
    app.state.LastLinkFlags = {1, 0, 0, 0, 0, 1};
    app.state.AnchorPageUrl = "http://h/anchors";
    app.progress.Label2 = "old address";
    app.progress.st1_ProBar1 = {0, 7, 5, true};
  }
  ~CheckContext() { ::unsetenv("VEXALORN_HOME"); }

  testing::ShiftableClock clock;
  testing::ScriptedFrontEnd ui{clock};
  std::unique_ptr<http::Client> client = http::MakeCurlClient(clock);
  App app{ui, clock, *client};
  testing::TempDir home;
};

TEST(CheckOneTest, FragmentOnlyTargetChecksNothing) {
  for (const bool fromEdit1 : {false, true}) {
    CheckContext ctx;
    std::string target = fromEdit1 ? "" : "#top";
    if (fromEdit1) ctx.app.main.Edit1 = "#top";
    EXPECT_EQ(x_CheckOne(ctx.app, target), 0);
    EXPECT_FALSE(gPreparation.called);
    EXPECT_FALSE(ctx.app.progress.visible);
    EXPECT_EQ(ctx.app.progress.caption, "((VEXALORN))");
    EXPECT_EQ(ctx.app.progress.Label2, "old address");
    EXPECT_EQ(ctx.app.state.AnchorPageUrl, "http://h/anchors");
    // The counts are cleared all the same.
    EXPECT_EQ(ctx.app.state.PageCounts.LinkCount, 0);
    EXPECT_EQ(ctx.app.state.LastLinkFlags, LinkFlags{});
  }
}

TEST(CheckOneTest, PreparesTheProgressWindowAndTheCounts) {
  for (const int charMode : {0, 1}) {
    CheckContext ctx;
    ctx.app.state.CharMode = charMode;
    gPreparation.code = -1;
    std::string target = "http://h/page.htm#part";
    (void)x_CheckOne(ctx.app, target);
    const Preparation& p = gPreparation;
    ASSERT_TRUE(p.called);
    // The preparation gets the caller's text; the fragment is cut from the
    // target it works on.
    EXPECT_EQ(p.explicitTarget, "http://h/page.htm#part");
    EXPECT_EQ(p.currentTarget, "http://h/page.htm");
    EXPECT_EQ(p.progress.caption, "((VEXALORN)) Please Wait !");
    EXPECT_TRUE(p.progress.stayOnTop);
    EXPECT_TRUE(p.progress.visible);
    EXPECT_EQ(p.progress.Label1, std::string(texts::TxtPreProcess[charMode]));
    EXPECT_EQ(p.progress.Label2, "");
    EXPECT_EQ(p.progress.st1_ProBar1.min, 0);
    EXPECT_EQ(p.progress.st1_ProBar1.max, 100);
    EXPECT_EQ(p.progress.st1_ProBar1.position, 0);
    EXPECT_EQ(p.anchorPageUrl, "");
    EXPECT_EQ(p.pageCounts.LinkCount, 0);
    EXPECT_EQ(p.pageCounts.AuthCount, 0);
    EXPECT_EQ(p.flags, LinkFlags{});
    EXPECT_EQ(p.lastFlags, LinkFlags{});
  }
}

TEST(CheckOneTest, OnlyAnAddressLosesItsFragment) {
  const struct {
    std::string target;
    std::string prepared;
  } rows[] = {
      {"file:///site/page.htm#part", "file:///site/page.htm"},
      {"/home/u/C#/page.htm", "/home/u/C#/page.htm"},
      {"/home/u/C#", "/home/u/C#"},
  };
  for (const auto& row : rows) {
    CheckContext ctx;
    gPreparation.code = -1;
    std::string target = row.target;
    (void)x_CheckOne(ctx.app, target);
    EXPECT_EQ(gPreparation.currentTarget, row.prepared) << row.target;
  }
}

TEST(CheckOneTest, TargetFromEdit1) {
  CheckContext ctx;
  ctx.app.main.Edit1 = "/some/page.htm";
  std::string target;
  gPreparation.code = -3;
  EXPECT_EQ(x_CheckOne(ctx.app, target), -3);
  EXPECT_EQ(gPreparation.explicitTarget, "");
  EXPECT_EQ(gPreparation.currentTarget, "/some/page.htm");
}

struct OutcomeCase {
  const char* name;
  int preparation;
  bool fromEdit1;
  bool cancelInWalk;
  int expected;
  std::optional<std::string> message;  // for CharMode 1
  bool progressOpen;
  bool walked;  // the annotated page was saved (and is reported or shown)
};
void PrintTo(const OutcomeCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckOneOutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(CheckOneOutcomeTest, ResultMessageAndWindow) {
  const OutcomeCase& c = GetParam();
  CheckContext ctx;
  ctx.app.state.CharMode = 1;
  gPreparation.code = c.preparation;
  if (c.cancelInWalk) {
    // Cancelled while the first of two links is read.
    gPreparation.page = std::string(kPage).insert(std::string(kPage).find("</body>"),
                                                  "<a href=\"ftp://127.0.0.1/y\">y</a>");
    ctx.ui.onEvents = [&ctx] {
      if (ctx.app.progress.Label2 == "ftp://127.0.0.1/x") ctx.app.state.CancelFlag = -1;
    };
  }
  ctx.app.main.Edit1 = "http://h/edit1.htm";
  std::string target = c.fromEdit1 ? "" : "http://h/page.htm";

  EXPECT_EQ(x_CheckOne(ctx.app, target), c.expected);
  if (c.message) {
    EXPECT_EQ(ctx.ui.messages, std::vector<std::string>{*c.message});
  } else {
    EXPECT_TRUE(ctx.ui.messages.empty()) << ctx.ui.messages.front();
  }
  EXPECT_EQ(ctx.app.progress.visible, c.progressOpen);
  if (!c.walked) {
    EXPECT_EQ(target, c.fromEdit1 ? "" : "http://h/page.htm");
    EXPECT_TRUE(ctx.ui.shownPages.empty());
    return;
  }
  std::string saved;
  if (c.fromEdit1) {
    EXPECT_TRUE(target.empty());
    ASSERT_EQ(ctx.ui.shownPages.size(), 1u);
    saved = ctx.ui.shownPages[0];
  } else {
    EXPECT_TRUE(ctx.ui.shownPages.empty());
    saved = target;
  }
  EXPECT_TRUE(StartsWith(saved, ctx.home.path().string())) << saved;
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(saved, bytes));
  EXPECT_TRUE(Contains(bytes, c.cancelInWalk ? "<title>((VEXALORN:Check Canceled !!!)) </title>"
                                             : "<title>((VEXALORN:S-Page: 1link very good!! )) T"))
      << bytes;
  EXPECT_EQ(ctx.app.state.PageCounts.LinkCount, c.cancelInWalk ? 2 : 1);
}

const std::string kIeFailed(vex::texts::TxtIeFailed[1]);
const std::string kNotLoaded(vex::texts::TxtPageNotLoaded[1]);

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CheckOneOutcomeTest,
    ::testing::Values(
        OutcomeCase{"batch_entry_checked", 0, false, false, 0, std::nullopt, true, true},
        OutcomeCase{"edit1_checked_and_shown", 0, true, false, 0, std::nullopt, false, true},
        OutcomeCase{"cancelled_in_the_walk", 0, false, true, -9, std::nullopt, true, true},
        OutcomeCase{"frame_picked", -21, false, false, 2, std::nullopt, true, false},
        OutcomeCase{"browser_timed_out", -2, false, false, -9, kIeFailed + "(TimeOut)", false,
                    false},
        OutcomeCase{"offline", -1, false, false, -1, std::nullopt, false, false},
        OutcomeCase{"load_cancelled", -3, true, false, -3, std::nullopt, false, false},
        // A page that cannot be had is rated nothing: alone the user is
        // told why, in a batch the run goes on.
        OutcomeCase{"no_page", -9, false, false, -4, std::nullopt, true, false},
        OutcomeCase{"no_page_alone", -9, true, false, -4,
                    kNotLoaded + "\nhttp://h/edit1.htm\n" + std::string(texts::TxtNoFile[1]), false,
                    false},
        OutcomeCase{"load_failed", -4, false, false, -4, std::nullopt, true, false},
        OutcomeCase{"load_failed_alone", -4, true, false, -4,
                    kNotLoaded + "\nhttp://h/edit1.htm\nHTTP 404", false, false},
        OutcomeCase{"other_code_passed_on", -31, false, false, -31, std::nullopt, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- ratings -------------------------------------------------------------------

struct RatingCase {
  const char* name;
  CountRecord page;
  std::string japanese;
  std::string english;
};
void PrintTo(const RatingCase& c, std::ostream* os) {
  *os << c.name;
}

class RatingTextTest : public ::testing::TestWithParam<RatingCase> {};

TEST_P(RatingTextTest, BothModes) {
  EXPECT_EQ(RatingText(GetParam().page, 0), GetParam().japanese);
  EXPECT_EQ(RatingText(GetParam().page, 1), GetParam().english);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RatingTextTest,
    ::testing::Values(
        RatingCase{"nothing_wrong", {12, 0, 0, 0, 0, 0, 0, 0}, "Very good!<12>", "Very good!<12>"},
        RatingCase{"no_links", {0, 0, 0, 0, 0, 0, 0, 0}, "Very good!<0>", "Very good!<0>"},
        RatingCase{"broken_and_auth", {12, 2, 0, 0, 0, 0, 1, 0}, "<12>×2△1", "<12>(NG)2(--)1"},
        RatingCase{"auth_only", {12, 0, 0, 0, 0, 0, 3, 0}, "<12>good!△3", "<12>good!(--)3"},
        RatingCase{"slow_and_redirected", {40, 0, 1, 0, 0, 2, 0, 0}, "<40>？1R2", "<40>(?\?)1R2"},
        RatingCase{"anchor_and_jump", {5, 0, 0, 1, 2, 0, 0, 0}, "<5>#◎1J2", "<5>#OK#1J2"},
        RatingCase{"every_count",
                   {99, 1, 2, 3, 4, 5, 6, 0},
                   "<99>×1？2#◎3J4R5△6",
                   "<99>(NG)1(?\?)2#OK#3J4R5(--)6"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AddPageResultTest, AddsIntoTheTotalsAndRates) {
  CountRecord totals;
  ClearCounts(totals);
  EXPECT_EQ(AddPageResult({12, 2, 0, 0, 0, 0, 1, 0}, totals, 1), "<12>(NG)2(--)1");
  EXPECT_EQ(AddPageResult({40, 0, 1, 3, 4, 2, 0, 0}, totals, 0), "<40>？1#◎3J4R2");
  EXPECT_EQ(totals.LinkCount, 52);
  EXPECT_EQ(totals.BrokenCount, 2);
  EXPECT_EQ(totals.TimedOutCount, 1);
  EXPECT_EQ(totals.AnchorCount, 3);
  EXPECT_EQ(totals.JumpCount, 4);
  EXPECT_EQ(totals.RedirectedCount, 2);
  EXPECT_EQ(totals.AuthCount, 1);
  EXPECT_EQ(totals.PagesCounted, 2);
  // A page's own PagesCounted is not added; every page counts one.
  EXPECT_EQ(AddPageResult({0, 0, 0, 0, 0, 0, 0, 9}, totals), "Very good!<0>");
  EXPECT_EQ(totals.PagesCounted, 3);

  ClearCounts(totals);
  EXPECT_EQ(totals.LinkCount, 0);
  EXPECT_EQ(totals.PagesCounted, 0);
}

}  // namespace
}  // namespace vex
