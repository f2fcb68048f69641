#include "cli/terminal_front_end.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vex {
namespace {

struct Terminal {
  explicit Terminal(bool interactive, const std::string& input = "")
      : in(input), ui(clock, out, in, interactive) {}
  ManualClock clock;
  std::ostringstream out;
  std::istringstream in;
  TerminalFrontEnd ui;
};

TEST(TerminalFrontEnd, WithoutATerminalQuestionsTakeNo) {
  Terminal t(false, "y\ny\n");
  EXPECT_EQ(t.ui.AskYesNo("Cancel now ?"), Answer::No);
  EXPECT_EQ(t.ui.AskYesNoCancel("Do you search for subfolders"), Answer::No);
  EXPECT_EQ(t.out.str(), "Cancel now ? [y/N] n\nDo you search for subfolders [y/N/c] n\n");
}

TEST(TerminalFrontEnd, OnATerminalTheAnswersAreRead) {
  Terminal t(true, " Y \nc\nc\nwhat\n");
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::Yes);
  EXPECT_EQ(t.ui.AskYesNoCancel("q"), Answer::Cancel);
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::No);  // no Cancel in a Yes/No question
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::No);
  // The input ended: a three-way question is cancelled, a two-way one refused.
  EXPECT_EQ(t.ui.AskYesNoCancel("q"), Answer::Cancel);
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::No);
}

TEST(TerminalFrontEnd, PausesOnTheClockAndReportsPages) {
  Terminal t(false);
  const auto before = t.clock.NowMs();
  t.ui.Pause(2000);
  EXPECT_EQ(t.clock.NowMs() - before, 2000);
  t.ui.ShowMessage("ファイルがありません。");
  t.ui.ShowPage("/tmp/w/007.htm");
  EXPECT_EQ(t.out.str(), "ファイルがありません。\n/tmp/w/007.htm\n");
  EXPECT_FALSE(t.ui.ChooseFrame({"a", "b"}).has_value());
  EXPECT_TRUE(t.ui.ChooseOpenFiles("x|*", 2).empty());
}

TEST(TerminalFrontEnd, StartMessageIsTakenOnce) {
  Terminal t(false);
  EXPECT_FALSE(t.ui.TakeStartMessage());
  t.ui.PostStartMessage();
  EXPECT_TRUE(t.ui.TakeStartMessage());
  EXPECT_FALSE(t.ui.TakeStartMessage());
}

}  // namespace
}  // namespace vex
