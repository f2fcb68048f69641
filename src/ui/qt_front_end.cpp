#include "ui/qt_front_end.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "context/app.h"
#include "control/main_window.h"
#include "ui/frame_chooser_view.h"
#include "ui/main_window_view.h"
#include "ui/progress_view.h"
#include "ui/ui_font.h"

namespace vex::ui {

QStringList NameFiltersOf(const std::string& filters) {
  const QStringList parts = Q(filters).split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    patterns = patterns.simplified();
    // Qt reads the patterns, blank-separated, from the name's final
    // parentheses; a name that already shows them gets them rewritten.
    const qsizetype open = description.lastIndexOf('(');
    if (open >= 0 && description.endsWith(')')) {
      QString shown = description.mid(open + 1, description.size() - open - 2);
      shown.replace(';', ' ');
      if (shown.simplified() == patterns) description.truncate(open);
    }
    out << description + "(" + patterns + ")";
  }
  return out;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& title, const std::string& text,
                                            QMessageBox::StandardButtons buttons, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, Q(title), Q(text), buttons, parent);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::ApplicationModal);
  box->setFont(UiFont(12));
  return box;
}

Answer AnswerOf(int standardButton) {
  switch (standardButton) {
    case QMessageBox::Yes:
    case QMessageBox::Ok:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

QtFrontEnd::QtFrontEnd(Clock& clock) : clock_(clock) {}

QtFrontEnd::~QtFrontEnd() = default;

void QtFrontEnd::Attach(App& app) {
  app_ = &app;
  main_ = std::make_unique<MainWindowView>(app);
  progress_ = std::make_unique<ProgressView>(app);
  frames_ = std::make_unique<FrameChooserView>(app, main_.get());
}

void QtFrontEnd::FollowLanguage() {
  language_.Follow(app_ ? app_->state.CharMode : 0);
}

std::string QtFrontEnd::Title() const {
  return app_ ? app_->state.AppTitle : "VEXALORN";
}

void QtFrontEnd::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Kept pressed: showing the progress window clears the flag.
  if (stopRequested_ && app_ && app_->state.Busy != 0) app_->state.CancelFlag = -1;
}

namespace {
// How often a stop requested during a run looks whether the run has ended.
constexpr int kStopPollMs = 50;
}  // namespace

void QtFrontEnd::RequestStop() {
  if (stopRequested_) return;
  stopRequested_ = true;
  CloseWhenIdle();
}

void QtFrontEnd::CloseWhenIdle() {
  if (app_ && app_->state.Busy != 0) {
    app_->state.CancelFlag = -1;
    // The run returns to the event loop when it has ended.
    QTimer::singleShot(kStopPollMs, main_.get(), [this] { CloseWhenIdle(); });
    return;
  }
  CloseMainWindow();
}

void QtFrontEnd::Pause(int ms) {
  // Waits on the program's clock in short steps, so that a test clock makes
  // the pause pass at once while events still run between the steps.
  constexpr int kStepMs = 10;
  const std::int64_t end = clock_.NowMs() + std::max(0, ms);
  ProcessEvents();
  for (std::int64_t now = clock_.NowMs(); now < end; now = clock_.NowMs()) {
    clock_.SleepMs(static_cast<int>(std::min<std::int64_t>(kStepMs, end - now)));
    ProcessEvents();
  }
}

int QtFrontEnd::ExecBox(QMessageBox& box) {
  return box.exec();
}

void QtFrontEnd::ShowMessage(const std::string& text) {
  FollowLanguage();
  auto box = MakeMessageBox(Title(), text, QMessageBox::Ok, main_.get());
  ExecBox(*box);
}

Answer QtFrontEnd::Ask(const std::string& text, QMessageBox::StandardButtons buttons) {
  FollowLanguage();
  auto box = MakeMessageBox(Title(), text, buttons, main_.get());
  return AnswerOf(ExecBox(*box));
}

Answer QtFrontEnd::AskYesNo(const std::string& text) {
  return Ask(text, QMessageBox::Yes | QMessageBox::No);
}

Answer QtFrontEnd::AskYesNoCancel(const std::string& text) {
  return Ask(text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

std::vector<std::string> QtFrontEnd::ChooseOpenFiles(const std::string& filters,
                                                     int batchFilterIndex) {
  FollowLanguage();
  QFileDialog dialog(main_.get());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  const QStringList names = NameFiltersOf(filters);
  dialog.setNameFilters(names);
  auto apply = [&dialog](int index) {
    const OpenDialogOptions options = OpenDialog1TypeChange(index);
    dialog.setFileMode(options.singleFile ? QFileDialog::ExistingFile : QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::ReadOnly, false);
  };
  apply(0);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&names, apply](const QString& filter) { apply(int(names.indexOf(filter))); });
  (void)batchFilterIndex;  // the core's rule decides which filter is the batch one
  std::vector<std::string> chosen;
  if (dialog.exec() != QDialog::Accepted) return chosen;
  for (const QString& file : dialog.selectedFiles())
    chosen.push_back(QFileInfo(file).absoluteFilePath().toStdString());
  return chosen;
}

std::optional<std::string> QtFrontEnd::ChooseSaveFile(const std::string& filters,
                                                      const std::string& defaultExtension) {
  FollowLanguage();
  QFileDialog dialog(main_.get());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(NameFiltersOf(filters));
  dialog.setDefaultSuffix(Q(defaultExtension));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFileInfo(dialog.selectedFiles().front()).absoluteFilePath().toStdString();
}

std::optional<int> QtFrontEnd::ChooseFrame(const std::vector<std::string>& entries) {
  if (app_ && app_->frames.items != entries) app_->frames.items = entries;
  frames_->Refresh();
  frames_->exec();
  return frames_->picked();
}

std::vector<BrowserCommand> BrowserCommandsOf(const QString& browserVariable, const QString& url) {
  std::vector<BrowserCommand> commands;
  for (const QString& entry : browserVariable.split(':', Qt::SkipEmptyParts)) {
    QStringList words = QProcess::splitCommand(entry);
    if (words.isEmpty()) continue;
    BrowserCommand command{words.takeFirst(), {}};
    bool placed = false;
    for (QString word : words) {
      placed = placed || word.contains("%s");
      command.arguments << word.replace("%s", url);
    }
    if (!placed) command.arguments << url;
    commands.push_back(std::move(command));
  }
  return commands;
}

bool QtFrontEnd::OpenUrl(const QString& fileUrl) {
  // A browser the user named wins over the desktop's choice: the desktop's
  // opener asks its own file-type table before it ever looks at $BROWSER.
  for (const BrowserCommand& command :
       BrowserCommandsOf(qEnvironmentVariable("BROWSER"), fileUrl)) {
    if (QProcess::startDetached(command.program, command.arguments)) return true;
  }
  return QDesktopServices::openUrl(QUrl(fileUrl));
}

void QtFrontEnd::ShowPage(const std::string& path) {
  (void)OpenUrl(QUrl::fromLocalFile(Q(path)).toString());
}

void QtFrontEnd::PostStartMessage() {
  QCoreApplication::postEvent(main_.get(),
                              new QEvent(static_cast<QEvent::Type>(kStartCheckMessage)));
}

void QtFrontEnd::CloseMainWindow() {
  if (main_) main_->close();
}

void QtFrontEnd::Refresh(View view) {
  switch (view) {
    case View::MainWindow:
      if (main_) main_->Refresh();
      return;
    case View::Progress:
      if (progress_) progress_->Refresh();
      return;
    case View::FrameChooser:
      if (frames_) frames_->Refresh();
      return;
  }
}

bool QtFrontEnd::OpenHelp(const std::string& path) {
  if (!QFileInfo::exists(Q(path))) return false;
  return OpenUrl(QUrl::fromLocalFile(Q(path)).toString());
}

void QtFrontEnd::FitProgressHeight() {
  if (progress_) progress_->FitHeight();
}

}  // namespace vex::ui
