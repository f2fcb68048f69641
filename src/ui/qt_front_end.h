// The desktop front end: events through Qt's event loop, dialogs as modal Qt
// boxes, pages handed to the desktop's web browser.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "context/front_end.h"
#include "platform/system/clock.h"
#include "ui/dialog_language.h"

class QWidget;

namespace vex {
struct App;
}

namespace vex::ui {

class MainWindowView;
class ProgressView;
class FrameChooserView;

// "description|pattern|description|pattern" to Qt name filters
// ("description (pattern)", with ";" between patterns turned into blanks).
QStringList NameFiltersOf(const std::string& filters);

// The message and question boxes: no icon, the application title as caption.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& title, const std::string& text,
                                            QMessageBox::StandardButtons buttons, QWidget* parent);
Answer AnswerOf(int standardButton);

// The commands that $BROWSER names for an address: entries separated by ":",
// each a command line where "%s" stands for the address (appended when it
// has none). Empty when the variable is empty.
struct BrowserCommand {
  QString program;
  QStringList arguments;
};
std::vector<BrowserCommand> BrowserCommandsOf(const QString& browserVariable, const QString& url);

class QtFrontEnd : public FrontEnd {
 public:
  explicit QtFrontEnd(Clock& clock);
  ~QtFrontEnd() override;

  // Creates the three windows over the App's models (in the program's order:
  // main window, progress window, frame chooser).
  void Attach(App& app);

  MainWindowView* mainWindow() const { return main_.get(); }
  ProgressView* progressWindow() const { return progress_.get(); }
  FrameChooserView* frameChooser() const { return frames_.get(); }

  void ProcessEvents() override;
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
  void PostStartMessage() override;
  void CloseMainWindow() override;
  void Refresh(View view) override;
  bool OpenHelp(const std::string& path) override;
  void FitProgressHeight() override;

  // A stop signal: during a run it presses Cancel, and keeps it pressed
  // until the run ends; then, or at once when no run is under way, the main
  // window closes, which ends the program.
  void RequestStop();

 protected:
  // Runs a modal box; a test replaces this so that nothing blocks.
  virtual int ExecBox(QMessageBox& box);
  // Opens an address in the desktop's browser; a test records it instead.
  virtual bool OpenUrl(const QString& fileUrl);

 private:
  Answer Ask(const std::string& text, QMessageBox::StandardButtons buttons);
  std::string Title() const;
  // Qt's texts in the dialog about to open follow the language of the moment.
  void FollowLanguage();

  void CloseWhenIdle();

  Clock& clock_;
  App* app_ = nullptr;
  bool stopRequested_ = false;
  std::unique_ptr<MainWindowView> main_;
  std::unique_ptr<ProgressView> progress_;
  std::unique_ptr<FrameChooserView> frames_;
  DialogLanguage language_;
};

}  // namespace vex::ui
