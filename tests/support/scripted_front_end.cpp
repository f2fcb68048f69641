#include "support/scripted_front_end.h"

namespace vex::testing {

void ScriptedFrontEnd::ProcessEvents() {
  ++eventsProcessed;
  if (onEvents) onEvents();
}

void ScriptedFrontEnd::Pause(int ms) {
  clock_.SleepMs(ms);
  ProcessEvents();
}

Answer ScriptedFrontEnd::AskYesNo(const std::string& text) {
  questions.push_back(text);
  if (answers.empty()) return Answer::No;
  Answer a = answers.front();
  answers.pop_front();
  return a;
}

Answer ScriptedFrontEnd::AskYesNoCancel(const std::string& text) {
  return AskYesNo(text);
}

std::vector<std::string> ScriptedFrontEnd::ChooseOpenFiles(const std::string& filters,
                                                           int batchFilterIndex) {
  openDialogs.emplace_back(filters, batchFilterIndex);
  if (openResults.empty()) return {};
  auto r = openResults.front();
  openResults.pop_front();
  return r;
}

std::optional<std::string> ScriptedFrontEnd::ChooseSaveFile(const std::string& filters,
                                                            const std::string& defaultExtension) {
  saveDialogs.emplace_back(filters, defaultExtension);
  if (saveResults.empty()) return std::nullopt;
  auto r = saveResults.front();
  saveResults.pop_front();
  return r;
}

std::optional<int> ScriptedFrontEnd::ChooseFrame(const std::vector<std::string>& entries) {
  frameChoices.push_back(entries);
  if (frameResults.empty()) return std::nullopt;
  auto r = frameResults.front();
  frameResults.pop_front();
  return r;
}

bool ScriptedFrontEnd::OpenHelp(const std::string& path) {
  helpOpened.push_back(path);
  return helpExists;
}

}  // namespace vex::testing
