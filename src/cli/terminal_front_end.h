// The front end of the terminal program: the progress window becomes a live
// line on stderr (plain lines when stderr is no terminal), messages are
// printed, questions are asked on the terminal or take their defaults, and
// Ctrl-C stands for the Cancel button.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "context/front_end.h"
#include "platform/system/clock.h"

namespace vex {
struct App;
struct ProgressModel;
}  // namespace vex

namespace vex::cli {

// Sets up Ctrl-C: the handler only raises a flag; from the next ProcessEvents
// on, Cancel counts as pressed for the rest of the run. A second Ctrl-C ends
// the program.
void InstallInterruptHandler();
// Takes the raised flag (true once per Ctrl-C).
bool TakeInterrupt();

// The progress line for a terminal `width` columns wide.
std::string ProgressLine(const ProgressModel& progress, int width);
// What a plain progress line says; a new line is printed only when it
// changes, so links of one page do not flood the output.
std::string PlainProgressText(const ProgressModel& progress, const std::string& currentTarget);

struct TerminalOptions {
  std::FILE* in = stdin;
  std::FILE* err = stderr;
  bool liveProgress = false;   // stderr is a terminal
  bool askOnTerminal = false;  // stdin is a terminal
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
  bool liveLineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace vex::cli
