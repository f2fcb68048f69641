#include "cli/terminal_front_end.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vex::cli {
namespace {

// A front end over temporary files standing for the terminal.
struct Terminal {
  explicit Terminal(bool interactive, const std::string& input = "")
      : in(std::tmpfile()), err(std::tmpfile()), ui(clock, Options(interactive)) {
    std::fputs(input.c_str(), in);
    std::rewind(in);
  }
  ~Terminal() {
    std::fclose(in);
    std::fclose(err);
  }
  TerminalOptions Options(bool interactive) {
    TerminalOptions o;
    o.in = in;
    o.err = err;
    o.askOnTerminal = interactive;
    return o;
  }
  std::string Err() {
    std::fflush(err);
    std::rewind(err);
    std::string text;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, err)) > 0) text.append(buf, n);
    return text;
  }
  ManualClock clock;
  std::FILE* in;
  std::FILE* err;
  TerminalFrontEnd ui;
};

TEST(TerminalFrontEnd, WithoutATerminalQuestionsTakeTheirDefaults) {
  Terminal t(false, "n\nn\n");
  EXPECT_EQ(t.ui.AskYesNo("Cancel now ?"), Answer::No) << "the file-count question goes on";
  EXPECT_EQ(t.ui.AskYesNoCancel("Do you search for subfolders"), Answer::Yes);
  EXPECT_EQ(t.Err(), "Cancel now ? -> No\nDo you search for subfolders -> Yes\n");
}

TEST(TerminalFrontEnd, OnATerminalTheAnswersAreRead) {
  Terminal t(true, " Y \nc\nwhat\nn\nc\nyes\n");
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::Yes);
  EXPECT_EQ(t.ui.AskYesNoCancel("q"), Answer::Cancel);
  // No Cancel in a Yes/No question: asked again until the answer fits.
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::No);
  EXPECT_EQ(t.ui.AskYesNoCancel("q"), Answer::Cancel);
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::Yes);
  // The input ended: a three-way question is cancelled, a two-way one takes
  // its default.
  EXPECT_EQ(t.ui.AskYesNoCancel("q"), Answer::Cancel);
  EXPECT_EQ(t.ui.AskYesNo("q"), Answer::No);
}

TEST(TerminalFrontEnd, PausesOnTheClockPrintsMessagesAndKeepsPages) {
  Terminal t(false);
  const auto before = t.clock.NowMs();
  t.ui.Pause(2000);
  EXPECT_EQ(t.clock.NowMs() - before, 2000);
  t.ui.ShowMessage("ファイルがありません。");
  t.ui.ShowPage("/tmp/w/007.htm");
  EXPECT_EQ(t.Err(), "ファイルがありません。\n");
  EXPECT_EQ(t.ui.shownPages(), (std::vector<std::string>{"/tmp/w/007.htm"}));
  EXPECT_EQ(t.ui.messagesShown(), 1);
  EXPECT_FALSE(t.ui.ChooseFrame({"a", "b"}).has_value());
  EXPECT_TRUE(t.ui.ChooseOpenFiles("x|*", 2).empty());
}

TEST(TerminalFrontEnd, FrameChosenOnTheTerminal) {
  Terminal t(true, "2\n");
  EXPECT_EQ(t.ui.ChooseFrame({"http://127.0.0.1/a", "http://127.0.0.1/b"}), 1);
  Terminal none(true, "\n");
  EXPECT_FALSE(none.ui.ChooseFrame({"http://127.0.0.1/a"}).has_value());
}

TEST(TerminalFrontEnd, StartMessageIsTakenOnce) {
  Terminal t(false);
  EXPECT_FALSE(t.ui.TakeStartMessage());
  t.ui.PostStartMessage();
  EXPECT_TRUE(t.ui.TakeStartMessage());
  EXPECT_FALSE(t.ui.TakeStartMessage());
}

}  // namespace
}  // namespace vex::cli
