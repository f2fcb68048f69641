// The desktop program: builds the context and the three windows, runs the
// start-up handlers and Qt's event loop, and the exit handler at the end.
#pragma once

class QApplication;

namespace vex::ui {

int RunProgram(QApplication& qt, int argc, char** argv);

}  // namespace vex::ui
