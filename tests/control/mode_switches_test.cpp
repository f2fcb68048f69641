#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/progress_window.h"
#include "control/main_window.h"
#include "platform/http/http_client.h"
#include "platform/text/line_list.h"
#include "support/main_window_fixture.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using ::testing::ElementsAre;
using testing::ScriptedFrontEnd;
using testing::TempDir;

using testing::MainWindowTest;

TEST_F(MainWindowTest, ModeButtonsDoNothingWhileBusy) {
  app.state.Busy = -1;
  Button5Click(app);
  Button7Click(app);
  EXPECT_EQ(app.state.CharMode, 0);
  EXPECT_EQ(app.state.JumpMode, 0);
}

TEST_F(MainWindowTest, MarkSwitchTogglesLanguageAndRelabels) {
  Button5Click(app);
  EXPECT_EQ(app.state.CharMode, 1);
  EXPECT_EQ(app.main.Button5.caption, "OK");
  EXPECT_EQ(app.main.Button5.hint, "Result Code:Ansi(OK,NG,…)");
  EXPECT_EQ(app.main.B_Check.hint, "Start of Checking");
  EXPECT_EQ(app.main.Button7.caption, "S-Page");
  EXPECT_THAT(app.main.caption, ::testing::HasSubstr("FORM OF INPUTING URL"));
  Button5Click(app);
  EXPECT_EQ(app.state.CharMode, 0);
  EXPECT_EQ(app.main.Button5.caption, "◎");
  EXPECT_EQ(app.main.Button7.caption, "検索用");
}

TEST_F(MainWindowTest, PageTypeSwitchCyclesThroughTheThreeTypes) {
  app.state.CharMode = 1;
  std::vector<std::pair<int, std::string>> seen;
  for (int i = 0; i < 4; ++i) {
    Button7Click(app);
    seen.emplace_back(app.state.JumpMode, app.main.Button7.caption);
  }
  EXPECT_THAT(seen, ElementsAre(std::pair<int, std::string>{1, "L-Page"},
                                std::pair<int, std::string>{2, "g-Page"},
                                std::pair<int, std::string>{0, "S-Page"},
                                std::pair<int, std::string>{1, "L-Page"}));
  EXPECT_EQ(app.main.Button7.hint, "for Link Pages");
}

}  // namespace
}  // namespace vex
