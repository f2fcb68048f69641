// The main window's address check: probes the current target as a link and
// shows the result, so that a front end only wires its button to it.
#pragma once

#include <string>

namespace vex {

struct App;

// "Http=" + the probe's mark for a web or file address, "Local=" + the mark
// for a local path; shown through app.ui.ShowMessage and returned.
std::string Button2Click(App& app);

}  // namespace vex
