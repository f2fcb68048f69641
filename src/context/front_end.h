// What the core asks of a front end (the Qt program, the terminal program or a
// test): events, pauses, dialogs, progress and showing pages. Small on purpose.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vex {

enum class Answer { Yes, No, Cancel };

// Which model a front end should redraw.
enum class View { MainWindow, Progress, FrameChooser };

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Let pending window events run (repaint, the Cancel button...).
  virtual void ProcessEvents() = 0;
  // Wait ms milliseconds while events keep being processed.
  virtual void Pause(int ms) = 0;

  // Modal message with an OK button, captioned with the application title.
  virtual void ShowMessage(const std::string& text) = 0;
  // Yes/No question without icon.
  virtual Answer AskYesNo(const std::string& text) = 0;
  // Yes/No/Cancel question without icon.
  virtual Answer AskYesNoCancel(const std::string& text) = 0;

  // Open dialog over "description|pattern|..." filters; returns the chosen
  // full paths (empty when cancelled). `batchFilterIndex` (0-based) is the
  // filter with which only one file may be chosen.
  virtual std::vector<std::string> ChooseOpenFiles(const std::string& filters,
                                                   int batchFilterIndex) = 0;
  // Save dialog; asks before overwriting; appends defaultExtension when the
  // name has none. Nothing when cancelled.
  virtual std::optional<std::string> ChooseSaveFile(const std::string& filters,
                                                    const std::string& defaultExtension) = 0;

  // Modal frame chooser over the entries; the picked index, or nothing when
  // the window was closed without a choice.
  virtual std::optional<int> ChooseFrame(const std::vector<std::string>& entries) = 0;

  // A saved page is handed to the user (the desktop's browser, or printed).
  virtual void ShowPage(const std::string& path) = 0;

  // Post the start message (1025) to the main window; the run starts when
  // the event loop reaches it.
  virtual void PostStartMessage() = 0;
  // Close the main window, which ends the program.
  virtual void CloseMainWindow() = 0;

  // A model changed; redraw the view of it.
  virtual void Refresh(View view) = 0;

  // Open the help index; false when there is none to open.
  virtual bool OpenHelp(const std::string& path) = 0;

  // Let the progress window fit its height so that its client area ends at
  // the bottom of its last label; the view writes the height it chose back
  // into the progress model. Front ends without such a window ignore it.
  virtual void FitProgressHeight() {}
};

}  // namespace vex
