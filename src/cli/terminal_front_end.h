// The front end of the terminal program: the progress window becomes a live
// line on stderr (plain lines when stderr is no terminal), messages are
// printed, questions are asked on the terminal or take their defaults, and
// Ctrl-C stands for the Cancel button.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "context/front_end.h"
#include "platform/system/clock.h"

namespace vex {
struct App;
struct ProgressModel;
}  // namespace vex

namespace vex::cli {

// Sets up Ctrl-C, and the same for SIGTERM and SIGHUP (a closed terminal, a
// stop from the session or a service manager): the handler only raises a
// flag; from the next ProcessEvents on, Cancel counts as pressed for the rest
// of the run, so the page and the summary are written as for a cancel. A
// second signal ends the program.
void InstallInterruptHandler();
// Takes the raised flag (true once per Ctrl-C).
bool TakeInterrupt();

// Text as it may reach a terminal: control characters (C0, DEL, C1) and bytes
// that are no UTF-8 are written as \xNN, so a file name or an address cannot
// move the cursor, retitle the window or send other escape sequences. Line
// breaks stay when `keepLineBreaks` (messages of several lines).
std::string TerminalText(std::string_view text, bool keepLineBreaks = false);

// Sets up the terminal's resize signal: the live line is drawn anew at the
// new width.
void InstallResizeHandler();

// The progress line for a terminal `width` columns wide: it takes at most
// width - 1 columns, so the terminal never wraps it. A narrow terminal gets a
// shorter bar or none, and the address shortened in the middle.
std::string ProgressLine(const ProgressModel& progress, int width);
// What a plain progress line says; a new line is printed only when it
// changes, so links of one page do not flood the output. Without `withPhase`
// the line names the page only (its phase is not known yet).
std::string PlainProgressText(const ProgressModel& progress, const std::string& currentTarget,
                              bool withPhase = true);
// The page a plain progress line names: the batch entry, else the target.
std::string PlainProgressPage(const ProgressModel& progress, const std::string& currentTarget);

struct TerminalOptions {
  std::FILE* in = stdin;
  std::FILE* err = stderr;
  bool liveProgress = false;   // stderr is a terminal
  bool askOnTerminal = false;  // stdin is a terminal
  // The terminal's width in columns; empty: asked of the terminal at every draw.
  std::function<int()> width;
};

class TerminalFrontEnd final : public FrontEnd {
 public:
  TerminalFrontEnd(Clock& clock, TerminalOptions options);

  // The run state and models the views draw; set before the run.
  void Attach(App& app) { app_ = &app; }

  void ProcessEvents() override;
  void Pause(int ms) override;
  void ShowMessage(const std::string& text) override;
  Answer AskYesNo(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  std::vector<std::string> ChooseOpenFiles(const std::string&, int) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<int> ChooseFrame(const std::vector<std::string>& entries) override;
  void ShowPage(const std::string& path) override { shownPages_.push_back(path); }
  void PostStartMessage() override { startPosted_ = true; }
  void CloseMainWindow() override { closeRequested_ = true; }
  void Refresh(View view) override;
  bool OpenHelp(const std::string&) override { return false; }

  // Whether the core asked to start a run; taken once.
  bool TakeStartMessage() {
    const bool posted = startPosted_;
    startPosted_ = false;
    return posted;
  }
  bool closeRequested() const { return closeRequested_; }
  bool interrupted() const { return interrupted_; }
  int messagesShown() const { return messagesShown_; }
  const std::vector<std::string>& shownPages() const { return shownPages_; }

 private:
  int CharMode() const;
  Answer Ask(const std::string& text, bool withCancel, Answer fallback);
  void DrawProgress(bool force);
  void ClearLiveLine();
  int TerminalWidth() const;

  Clock& clock_;
  TerminalOptions options_;
  App* app_ = nullptr;
  bool startPosted_ = false;
  bool closeRequested_ = false;
  bool interrupted_ = false;
  int messagesShown_ = 0;
  std::vector<std::string> shownPages_;
  std::string lastPlain_;
  // The page the plain lines name and the phase text shown when it came: until
  // the phase changes, it is the previous page's and is not repeated.
  std::string plainPage_;
  std::string phaseAtPageChange_;
  bool phaseIsStale_ = false;
  // What the last plain line was made of: it is made again only when that
  // changed (the progress is drawn with every round of event processing).
  struct PlainParts {
    bool visible = false;
    bool counterVisible = false;
    bool withPhase = false;
    std::string counter;
    std::string phase;
    std::string page;
    bool operator==(const PlainParts&) const = default;
  };
  PlainParts plainParts_;
  bool liveLineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace vex::cli
