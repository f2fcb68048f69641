#include "ui/program.h"

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/progress_window.h"
#include "control/startup.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"
#include "ui/main_window_view.h"
#include "ui/qt_front_end.h"
#include "ui/screenshot_hook.h"
#include "ui/stop_signals.h"
#include "ui/ui_font.h"

namespace vex::ui {

int RunProgram(QApplication& qt, int argc, char** argv) {
  QApplication::setApplicationName("VEXALORN");
  QApplication::setFont(UiFont(12));
  // Only the main window ends the program; the progress window and the
  // frame chooser are shown and hidden, never closed for good.
  QApplication::setQuitOnLastWindowClosed(false);

  SystemClock clock;
  std::unique_ptr<http::Client> http = http::MakeCurlClient(clock);
  QtFrontEnd frontEnd(clock);
  App app(frontEnd, clock, *http);
  frontEnd.Attach(app);
  QObject::connect(frontEnd.mainWindow(), &MainWindowView::closed, &qt, &QApplication::quit);
  StopSignals stopSignals;
  QObject::connect(&stopSignals, &StopSignals::stopRequested, frontEnd.mainWindow(),
                   [&frontEnd] { frontEnd.RequestStop(); });

  const std::vector<std::string> args(argv + 1, argv + argc);
  FormCreate(app, args);
  st1_FormCreate(app);
  frontEnd.Refresh(View::MainWindow);
  frontEnd.Refresh(View::Progress);
  frontEnd.mainWindow()->show();
  (void)StartScreenshotHook(app, frontEnd);
  FormShow(app);

  // A start-up that did not finish closes the window at once.
  const int rc = frontEnd.mainWindow()->isVisible() ? qt.exec() : 0;
  FormDestroy(app);
  return rc;
}

}  // namespace vex::ui
