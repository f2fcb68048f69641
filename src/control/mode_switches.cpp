// The two mode buttons of the main window; each relabels the window.
#include "context/app.h"
#include "control/main_window.h"
#include "control/mode_labels.h"

namespace vex {

void Button5Click(App& app) {
  if (app.state.Busy == -1) return;  // not while a run is under way
  app.state.CharMode = app.state.CharMode == 0 ? 1 : 0;
  x_ZenHan(app);
  app.ui.Refresh(View::MainWindow);
}

void Button7Click(App& app) {
  if (app.state.Busy == -1) return;  // not while a run is under way
  app.state.JumpMode = app.state.JumpMode + 1 > 2 ? 0 : app.state.JumpMode + 1;
  x_JumpChk(app);
  app.ui.Refresh(View::MainWindow);
}

}  // namespace vex
