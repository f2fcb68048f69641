// The terminal program's front end: messages go to standard output,
// questions are asked on the terminal (with their default answers when the
// input is no terminal), dialogs and the frame chooser never show.
#pragma once

#include <cstdio>
#include <istream>
#include <ostream>

#include "app/front_end.h"
#include "platform/clock.h"

namespace vex {

class TerminalFrontEnd : public FrontEnd {
 public:
  // `interactive`: questions are read from `in`; otherwise they take their
  // defaults (No).
  TerminalFrontEnd(Clock& clock, std::ostream& out, std::istream& in, bool interactive);

  void ProcessEvents() override {}
  void Pause(int ms) override;
  void ShowMessage(const std::string& text) override;
  Answer AskYesNo(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  std::vector<std::string> ChooseOpenFiles(const std::string& filters,
                                           int batchFilterIndex) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filters,
                                            const std::string& defaultExtension) override;
  std::optional<int> ChooseFrame(const std::vector<std::string>& entries) override;
  void ShowPage(const std::string& path) override;
  void PostStartMessage() override { startPosted_ = true; }
  void CloseMainWindow() override { closed_ = true; }
  void Refresh(View) override {}
  bool OpenHelp(const std::string& path) override;

  // Whether the core asked to start a run, or to close; each is taken once.
  bool TakeStartMessage();
  bool closed() const { return closed_; }

 private:
  Answer Ask(const std::string& text, bool withCancel);

  Clock& clock_;
  std::ostream& out_;
  std::istream& in_;
  bool interactive_;
  bool startPosted_ = false;
  bool closed_ = false;
};

}  // namespace vex
