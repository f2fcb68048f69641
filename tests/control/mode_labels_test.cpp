#include "control/mode_labels.h"

#include <gtest/gtest.h>

#include "support/test_app.h"

namespace vex {
namespace {

TEST(ModeLabels, EnglishCaptionAndHints) {
  testing::TestApp t;
  t.app.state.CharMode = 1;
  t.app.state.JumpMode = 1;
  x_ZenHan(t.app);
  EXPECT_EQ(t.app.main.caption,
            "((VEXALORN 2.6)) FORM OF INPUTING URL<URL(file,IE)Button or Edit> -> Check!");
  EXPECT_EQ(t.app.main.Button5.caption, "OK");
  EXPECT_EQ(t.app.main.Button5.hint, "Result Code:Ansi(OK,NG,…)");
  EXPECT_EQ(t.app.main.B_file.hint, "Open Local HTML file");
  EXPECT_EQ(t.app.main.B_IE.hint, "Get URL from IE");
  EXPECT_EQ(t.app.main.B_Check.hint, "Start of Checking");
  EXPECT_EQ(t.app.main.Button4.hint, "Open Help file");
  EXPECT_EQ(t.app.main.Button7.caption, "L-Page");
  EXPECT_EQ(t.app.main.Button7.hint, "for Link Pages");
  // Captions of the other buttons are not language texts.
  EXPECT_EQ(t.app.main.B_Check.caption, "Check!");
  ASSERT_FALSE(t.ui.refreshes.empty());
  EXPECT_EQ(t.ui.refreshes.back(), View::MainWindow);
}

TEST(ModeLabels, SwitchingBackRestoresJapanese) {
  testing::TestApp t;
  t.app.state.CharMode = 1;
  x_ZenHan(t.app);
  t.app.state.CharMode = 0;
  t.app.state.JumpMode = 2;
  x_ZenHan(t.app);
  EXPECT_EQ(t.app.main.caption,
            "((VEXALORN 2.6)) URL入力画面 <URL(file,IE)ボタン 又は 入力> →Check!");
  EXPECT_EQ(t.app.main.Button5.caption, "◎");
  EXPECT_EQ(t.app.main.Button4.hint, "Ｈｅｌｐの表示");
  EXPECT_EQ(t.app.main.Button7.caption, "Web用");
  EXPECT_EQ(t.app.main.Button7.hint, "普通のホームページ用です。");
}

TEST(ModeLabels, PageTypeOutsideTheTableChangesNothing) {
  testing::TestApp t;
  t.app.state.JumpMode = 0;
  x_JumpChk(t.app);
  EXPECT_EQ(t.app.main.Button7.caption, "検索用");
  for (int mode : {3, -1, 99}) {
    t.app.state.JumpMode = mode;
    x_JumpChk(t.app);
    EXPECT_EQ(t.app.main.Button7.caption, "検索用");
    EXPECT_EQ(t.app.main.Button7.hint, "検索エンジンでの検索結果用です");
  }
}

}  // namespace
}  // namespace vex
