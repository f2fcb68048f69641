#include "context/progress_window.h"

#include <gtest/gtest.h>

#include "context/app.h"
#include "context/frame_chooser.h"
#include "control/main_window.h"
#include "platform/http/http_client.h"
#include "support/scripted_front_end.h"
#include "support/test_app.h"

namespace vex {
namespace {

class SecondaryWindowsTest : public ::testing::Test {
 protected:
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::OfflineHttpClient http;
  App app{ui, clock, http};
};

TEST_F(SecondaryWindowsTest, ProgressWindowSizesAndCancel) {
  st1_FormCreate(app);
  EXPECT_EQ(app.progress.geometry.width, kProgressWidth);
  app.state.ProgressOsName = "XP";
  st1_FormCreate(app);
  EXPECT_EQ(app.progress.geometry.width, kProgressWidthXp);
  SetProgressBatchLayout(app);
  ShowProgressWindow(app);
  EXPECT_EQ(app.progress.geometry.height, kProgressHeightBatch + 12);

  SpeedButton1Click(app);
  SpeedButton1Click(app);
  EXPECT_EQ(app.state.CancelFlag, -1);
  CloseProgressWindow(app);
  EXPECT_FALSE(app.progress.visible);
  EXPECT_EQ(app.state.CancelFlag, 0);
}

TEST_F(SecondaryWindowsTest, FrameChooserSitsUnderEdit1AndAPickBecomesTheTarget) {
  app.main.geometry = {1, 1, 671, 55};
  app.state.FrameUrls = {"http://127.0.0.1/top.html", "http://127.0.0.1/body.html"};
  app.state.CurrentTarget = "http://127.0.0.1/";
  app.state.CharMode = 1;
  ui.frameResults.push_back(1);
  EXPECT_TRUE(ChooseFrameTarget(app));
  EXPECT_EQ(app.frames.geometry.top, 56);
  EXPECT_EQ(app.frames.geometry.left, 1 + 128);
  EXPECT_EQ(app.frames.Label1, "Please Select URL of Frame for Check");
  EXPECT_EQ(app.state.CurrentTarget, "http://127.0.0.1/body.html");
  ASSERT_EQ(ui.frameChoices.size(), 1u);
  EXPECT_EQ(ui.frameChoices[0], app.state.FrameUrls);

  // Closed without a pick, or an index the list does not hold: unchanged.
  ui.frameResults.push_back(std::nullopt);
  ui.frameResults.push_back(7);
  EXPECT_FALSE(ChooseFrameTarget(app));
  EXPECT_FALSE(ChooseFrameTarget(app));
  EXPECT_EQ(app.state.CurrentTarget, "http://127.0.0.1/body.html");
}

}  // namespace
}  // namespace vex
