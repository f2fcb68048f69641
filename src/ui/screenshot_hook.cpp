#include "ui/screenshot_hook.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "context/app.h"
#include "context/frame_chooser.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "control/main_window.h"
#include "ui/frame_chooser_view.h"
#include "ui/main_window_view.h"
#include "ui/progress_view.h"
#include "ui/qt_front_end.h"

namespace vex::ui {

namespace {

// How long the hook waits for a real run to end; it looks often, so that a
// walk over loopback links is caught while it counts.
constexpr int kRunWaitSteps = 3000;
constexpr int kStepMs = 20;

struct Hook {
  App& app;
  QtFrontEnd& frontEnd;
  QString dir;
  QString prefix;
  int steps = 0;
  bool startGrabbed = false;
  bool runGrabbed = false;

  void Save(QWidget* w, const QString& name) const {
    QDir().mkpath(dir);
    w->grab().save(dir + "/" + prefix + name + ".png");
  }
};

// Takes the modal dialog that opens next and closes it, so that the hook goes on.
void GrabNextDialog(const std::shared_ptr<Hook>& hook, const QString& name) {
  auto* timer = new QTimer;
  timer->setInterval(100);
  QObject::connect(timer, &QTimer::timeout, [hook, name, timer] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    hook->Save(dialog, name);
    if (auto* d = qobject_cast<QDialog*>(dialog)) {
      d->reject();
    } else {
      dialog->close();
    }
    timer->stop();
    timer->deleteLater();
  });
  timer->start();
}

void Finish(const std::shared_ptr<Hook>& hook) {
  App& app = hook->app;
  QtFrontEnd& fe = hook->frontEnd;
  if (!hook->runGrabbed) {
    // No run showed its window: the single-target layout as a check starts it.
    SetProgressSingleLayout(app);
    app.progress.Label1 = std::string(texts::TxtPreProcess[app.state.CharMode]);
    app.progress.Label2 = app.main.Edit1;
    app.progress.st1_ProBar1.position = 40;
    ShowProgressWindow(app);
    QCoreApplication::processEvents();
    hook->Save(fe.progressWindow(), "progress-single");
  }
  // The progress window's test button: the batch layout.
  Button8Click(app);
  QCoreApplication::processEvents();
  hook->Save(fe.progressWindow(), "progress-batch");
  CloseProgressWindow(app);

  app.state.FrameUrls = {"http://127.0.0.1:8080/menu.html", "http://127.0.0.1:8080/main.html",
                         "http://127.0.0.1:8080/foot.html"};
  Frame1FormShow(app);
  fe.frameChooser()->show();
  QCoreApplication::processEvents();
  hook->Save(fe.frameChooser(), "frame-chooser");
  fe.frameChooser()->hide();

  // Qt's own dialogs, in the language of the mode.
  const int mode = app.state.CharMode;
  GrabNextDialog(hook, "question");
  (void)fe.AskYesNoCancel(std::string(texts::TxtAskSubfolders[mode]));
  GrabNextDialog(hook, "open-dialog");
  (void)fe.ChooseOpenFiles(std::string(texts::TxtOpenFilter[mode]), kBatchFilterIndex);
  QCoreApplication::quit();
}

// The window while the links of a page are walked: some counted, one shown.
bool Walking(const ProgressModel& p) {
  return p.visible && p.st1_ProBar1.position > 0 && !p.Label2.empty() &&
         p.Label1.find(" / ") != std::string::npos;
}

void Poll(const std::shared_ptr<Hook>& hook) {
  App& app = hook->app;
  if (app.progress.visible && !hook->startGrabbed) {
    hook->Save(hook->frontEnd.progressWindow(), "progress-start");
    hook->startGrabbed = true;
  }
  if (Walking(app.progress) && !hook->runGrabbed) {
    hook->Save(hook->frontEnd.progressWindow(), "progress-run");
    hook->runGrabbed = true;
  }
  if ((app.state.Busy == 0 && hook->steps > 0) || ++hook->steps > kRunWaitSteps) {
    // The run (if any) is over: the page it left and the other windows.
    QTimer::singleShot(0, [hook] { Finish(hook); });
    return;
  }
  QTimer::singleShot(kStepMs, [hook] { Poll(hook); });
}

}  // namespace

bool StartScreenshotHook(App& app, QtFrontEnd& frontEnd) {
  const QString dir = qEnvironmentVariable("VEXALORN_SCREENSHOT_DIR");
  if (dir.isEmpty()) return false;
  auto hook = std::make_shared<Hook>(
      Hook{app, frontEnd, dir, qEnvironmentVariable("VEXALORN_SCREENSHOT_PREFIX")});
  QTimer::singleShot(500, [hook] {
    hook->Save(hook->frontEnd.mainWindow(), "main");
    // With a target, the run is started as the Check! button does and the
    // progress window is taken while it shows.
    if (!hook->app.main.Edit1.empty() && hook->app.state.Busy == 0) {
      B_CheckClick(hook->app);
      QTimer::singleShot(0, [hook] { Poll(hook); });
    } else {
      Finish(hook);
    }
  });
  return true;
}

}  // namespace vex::ui
