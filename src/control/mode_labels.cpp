#include "control/mode_labels.h"

#include <string>

#include "context/app.h"
#include "context/texts.h"

namespace vex {
namespace {

// Only 0 and 1 index the text pairs; the settings make CharMode one of them.
int Language(const App& app) {
  return app.state.CharMode == 1 ? 1 : 0;
}

}  // namespace

void x_ZenHan(App& app) {
  const int lang = Language(app);
  MainWindowModel& w = app.main;
  w.Button5.caption = texts::Button5Caption[lang];
  w.Button5.hint = texts::Button5Hint[lang];
  w.B_file.hint = texts::BFileHint[lang];
  w.B_IE.hint = texts::BIEHint[lang];
  w.B_Check.hint = texts::BCheckHint[lang];
  w.Button4.hint = texts::Button4Hint[lang];
  w.caption =
      "((" + app.state.AppTitle + " " + kVersionText + std::string(texts::TxtMainCaption[lang]);
  x_JumpChk(app);
}

void x_JumpChk(App& app) {
  const int mode = app.state.JumpMode;
  if (mode >= 0 && mode <= 2) {
    const int lang = Language(app);
    app.main.Button7.caption = texts::JumpModeCaptions[mode][lang];
    app.main.Button7.hint = texts::JumpModeHints[mode][lang];
  }
  app.ui.Refresh(View::MainWindow);
}

}  // namespace vex
