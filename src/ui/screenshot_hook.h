// A developer hook that saves pictures of the windows (QWidget::grab) into a
// folder and then ends the program; used by scripts/screenshots.sh. Active
// only when VEXALORN_SCREENSHOT_DIR is set.
#pragma once

namespace vex {
struct App;
}

namespace vex::ui {

class QtFrontEnd;

// Starts the hook when the environment asks for it; false otherwise.
bool StartScreenshotHook(App& app, QtFrontEnd& frontEnd);

}  // namespace vex::ui
