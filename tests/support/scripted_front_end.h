// A front end for tests: records what the core shows, answers questions and
// dialogs from scripts, and pauses on an injected clock.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "context/front_end.h"
#include "platform/system/clock.h"

namespace vex::testing {

class ScriptedFrontEnd : public FrontEnd {
 public:
  explicit ScriptedFrontEnd(Clock& clock) : clock_(clock) {}

  void ProcessEvents() override;
  void Pause(int ms) override;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  Answer AskYesNo(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  std::vector<std::string> ChooseOpenFiles(const std::string& filters,
                                           int batchFilterIndex) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filters,
                                            const std::string& defaultExtension) override;
  std::optional<int> ChooseFrame(const std::vector<std::string>& entries) override;
  void ShowPage(const std::string& path) override { shownPages.push_back(path); }
  void PostStartMessage() override { ++startMessages; }
  void CloseMainWindow() override { ++closeRequests; }
  void Refresh(View view) override { refreshes.push_back(view); }
  bool OpenHelp(const std::string& path) override;
  void FitProgressHeight() override { ++fitRequests; }

  // What the core did.
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> shownPages;
  std::vector<std::vector<std::string>> frameChoices;
  std::vector<std::string> helpOpened;
  std::vector<View> refreshes;
  int startMessages = 0;
  int closeRequests = 0;
  int eventsProcessed = 0;
  int fitRequests = 0;
  // Arguments the dialogs were opened with: filters and batch filter index
  // (open), filters and default extension (save).
  std::vector<std::pair<std::string, int>> openDialogs;
  std::vector<std::pair<std::string, std::string>> saveDialogs;

  // Scripts: answers are taken from the front; an empty script answers No
  // (questions), nothing (dialogs, frame chooser).
  std::deque<Answer> answers;
  std::deque<std::vector<std::string>> openResults;
  std::deque<std::optional<std::string>> saveResults;
  std::deque<std::optional<int>> frameResults;
  bool helpExists = true;

  // Called on every ProcessEvents (for example to press Cancel at a moment).
  std::function<void()> onEvents;

 private:
  Clock& clock_;
};

}  // namespace vex::testing
