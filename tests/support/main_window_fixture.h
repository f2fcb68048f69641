// The main window's handlers over a test clock and a scripted front end, in
// the interactive mode with an empty history.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "context/app.h"
#include "control/main_window.h"
#include "platform/system/clock.h"
#include "support/scripted_front_end.h"
#include "support/test_app.h"

namespace vex::testing {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : ui(clock), app(ui, clock, http) {
    app.state.TargetHistory = {""};
    app.state.RunMode = 1;
  }

  // Types a target and presses Check!, as if the run came and went.
  void CheckTarget(const std::string& target) {
    app.main.Edit1 = target;
    B_CheckClick(app);
    app.state.Busy = 0;
  }

  ManualClock clock;
  ScriptedFrontEnd ui;
  OfflineHttpClient http;
  App app;
};

}  // namespace vex::testing
