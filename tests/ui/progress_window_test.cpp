#include "context/progress_window.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "context/frame_chooser.h"
#include "control/main_window.h"
#include "scripted_qt_front_end.h"
#include "ui/frame_chooser_view.h"
#include "ui/progress_view.h"
#include "ui/ui_font.h"

using vex::testing::QtTestProgram;

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void heightsOfTheTwoLayouts_data();
  void heightsOfTheTwoLayouts();
  void wrappedBatchEntryGrowsTheWindowToShowIt();
  void cancelSetsTheFlagAndShowingResetsIt();
  void staysOnTopWithoutCaptionButtons();
  void frameChooserSitsUnderEdit1AndAClickPicks();
};

void ProgressWindowTest::heightsOfTheTwoLayouts_data() {
  QTest::addColumn<bool>("batch");
  QTest::addColumn<int>("height");
  QTest::newRow("one target") << false << 103;
  QTest::newRow("batch") << true << 152;
}

void ProgressWindowTest::heightsOfTheTwoLayouts() {
  QFETCH(bool, batch);
  QFETCH(int, height);
  QtTestProgram p;
  vex::st1_FormCreate(p.app);
  if (batch) {
    vex::SetProgressBatchLayout(p.app);
    p.app.progress.Label3 = "/site/a.html";
    p.app.progress.Label4 = "On Batch-Process<1/2>";
  } else {
    vex::SetProgressSingleLayout(p.app);
  }
  p.app.progress.Label1 = "On pre-Process";
  p.app.progress.Label2 = "http://127.0.0.1/";
  vex::ShowProgressWindow(p.app);
  if (batch) vex::x_hi_chk(p.app);

  vex::ui::ProgressView* view = p.ui.progressWindow();
  QVERIFY(view->isVisible());
  QCOMPARE(p.app.state.ProgressHeight, height);
  QCOMPARE(p.app.progress.geometry.height, height);
  QCOMPARE(view->height(), vex::ui::ClientHeight(height));
  QCOMPARE(view->width(), vex::ui::ClientWidth(355));
  QCOMPARE(view->label3()->isVisibleTo(view), batch);
  if (batch) QCOMPARE(view->label3()->geometry().bottom() + 1, view->height());
}

void ProgressWindowTest::wrappedBatchEntryGrowsTheWindowToShowIt() {
  QtTestProgram p;
  vex::st1_FormCreate(p.app);
  vex::SetProgressBatchLayout(p.app);
  p.app.progress.Label3 = std::string(300, 'x').insert(100, " ").insert(200, " ");
  vex::ShowProgressWindow(p.app);
  vex::x_hi_chk(p.app);
  vex::ui::ProgressView* view = p.ui.progressWindow();
  QVERIFY(p.app.progress.geometry.height > 152);
  QCOMPARE(view->height(), vex::ui::ClientHeight(p.app.progress.geometry.height));
  QCOMPARE(view->label3()->geometry().bottom() + 1, view->height());

  // Back to a short entry: the window shrinks to the design height again.
  p.app.progress.Label3 = "/site/b.html";
  p.ui.Refresh(vex::View::Progress);
  vex::x_hi_chk(p.app);
  QCOMPARE(p.app.progress.geometry.height, 152);
}

void ProgressWindowTest::cancelSetsTheFlagAndShowingResetsIt() {
  QtTestProgram p;
  vex::SetProgressSingleLayout(p.app);
  p.app.state.CancelFlag = -1;
  vex::ShowProgressWindow(p.app);
  QCOMPARE(p.app.state.CancelFlag, 0);
  QToolButton* cancel = p.ui.progressWindow()->cancelButton();
  QCOMPARE(cancel->text(), QString("Cancel"));
  QTest::mouseClick(cancel, Qt::LeftButton);
  QTest::mouseClick(cancel, Qt::LeftButton);
  QCOMPARE(p.app.state.CancelFlag, -1);
  QVERIFY(p.ui.progressWindow()->isVisible());  // the run closes it, not the button
  vex::CloseProgressWindow(p.app);
  QVERIFY(!p.ui.progressWindow()->isVisible());
  QCOMPARE(p.app.state.CancelFlag, 0);
}

void ProgressWindowTest::staysOnTopWithoutCaptionButtons() {
  QtTestProgram p;
  const Qt::WindowFlags flags = p.ui.progressWindow()->windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
  QVERIFY(flags.testFlag(Qt::Tool));
  QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QCOMPARE(p.ui.progressWindow()->windowTitle(), QString("((VEXALORN))"));
}

void ProgressWindowTest::frameChooserSitsUnderEdit1AndAClickPicks() {
  QtTestProgram p;
  p.app.state.CharMode = 0;
  p.app.state.FrameUrls = {"http://127.0.0.1/menu.html", "http://127.0.0.1/body.html"};
  vex::Frame1FormShow(p.app);
  vex::ui::FrameChooserView* view = p.ui.frameChooser();
  view->show();  // not exec(): the test clicks instead of a user
  QVERIFY(QTest::qWaitForWindowExposed(view));
  QCOMPARE(view->pos(), QPoint(1 + 128, 1 + 55));
  QCOMPARE(view->list()->count(), 2);
  QCOMPARE(view->label1()->text(),
           QString("フレームの中から、チェックするURLを選択してください。"));
  // Both texts show whole, whatever face the system has.
  QVERIFY(view->label1()->geometry().right() < view->width());
  QVERIFY(view->label2()->geometry().right() < view->width());
  QVERIFY(view->width() >= vex::ui::ClientWidth(449));
  QCOMPARE(view->list()->width(), view->width() - 2);
  QListWidget* list = view->list();
  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QCOMPARE(view->picked(), std::optional<int>(1));
  QCOMPARE(view->result(), int(QDialog::Accepted));
  QVERIFY(vex::ListBox1Click(p.app, *view->picked()));
  QCOMPARE(p.app.state.CurrentTarget, std::string("http://127.0.0.1/body.html"));
}

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
