#include "cli/terminal_front_end.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "context/app.h"
#include "support/test_app.h"

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

// Columns a drawn line takes: characters of three or four bytes count two.
int Columns(const std::string& text) {
  int cols = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    cols += c >= 0xE0 ? 2 : 1;
  }
  return cols;
}

// The lines drawn on a live terminal, each after its "clear the line".
std::vector<std::string> DrawnLines(const std::string& err) {
  std::vector<std::string> lines;
  const std::string clear = "\r\x1b[K";
  for (std::size_t at = err.find(clear); at != std::string::npos;) {
    const std::size_t next = err.find(clear, at + clear.size());
    lines.push_back(err.substr(at + clear.size(), next == std::string::npos
                                                      ? std::string::npos
                                                      : next - at - clear.size()));
    at = next;
  }
  return lines;
}

TEST(TerminalFrontEnd, LiveLineNeverWrapsAndFollowsAResize) {
  int width = 40;
  std::FILE* err = std::tmpfile();
  ManualClock clock;
  TerminalOptions o;
  o.err = err;
  o.liveProgress = true;
  o.width = [&width] { return width; };
  TerminalFrontEnd ui(clock, o);
  testing::OfflineHttpClient http;
  App app(ui, clock, http);
  ui.Attach(app);
  ProgressModel& p = app.progress;
  p.visible = true;
  p.Label1 = "12 / 345On Checking";
  p.st1_ProBar1 = {0, 345, 12, true};

  struct Case {
    const char* batch;
    std::string address;
  };
  const std::vector<Case> cases = {
      {"", "http://127.0.0.1/short.html"},
      {"On Batch-Process<12/300>", "http://127.0.0.1/" + std::string(120, 'a') + "/end.html"},
      {"一括処理中<12/300>", "http://127.0.0.1/ページ/" + std::string(60, 'b') + "/最後.html"},
  };
  for (const int w : {20, 40, 50, 80}) {
    for (const Case& c : cases) {
      width = w;
      p.Label4Visible = *c.batch != 0;
      p.Label4 = c.batch;
      p.Label2 = c.address;
      ui.Refresh(View::Progress);
    }
  }
  std::fflush(err);
  std::rewind(err);
  std::string drawn;
  char buf[512];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, err)) > 0;) drawn.append(buf, n);
  const std::vector<std::string> lines = DrawnLines(drawn);
  ASSERT_EQ(lines.size(), 12u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int w = std::vector<int>{20, 40, 50, 80}[i / 3];
    EXPECT_LE(Columns(lines[i]), w - 1) << w << ": " << lines[i];
  }
  // At 50 columns the long address keeps its host and its file name.
  EXPECT_TRUE(lines[7].ends_with("/end.html")) << lines[7];
  EXPECT_NE(lines[7].find("http://127"), std::string::npos) << lines[7];
  EXPECT_NE(lines[7].find("..."), std::string::npos) << lines[7];

  // The terminal narrows: the line is drawn anew at the new width.
  InstallResizeHandler();
  width = 30;
  std::raise(SIGWINCH);
  ui.ProcessEvents();
  std::fflush(err);
  std::rewind(err);
  drawn.clear();
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, err)) > 0;) drawn.append(buf, n);
  const std::vector<std::string> after = DrawnLines(drawn);
  ASSERT_EQ(after.size(), 13u);
  EXPECT_LE(Columns(after.back()), 29) << after.back();
  std::signal(SIGWINCH, SIG_DFL);
  std::fclose(err);
}

}  // namespace
}  // namespace vex::cli
