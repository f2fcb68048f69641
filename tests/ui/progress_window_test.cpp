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
  void batchEntryShowsWholeAtTheVeryBottom_data();
  void batchEntryShowsWholeAtTheVeryBottom();
  void longAddressIsShortenedInTheMiddle_data();
  void longAddressIsShortenedInTheMiddle();
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

  vex::ui::ProgressView* view = p.ui.progressWindow();
  QVERIFY(view->isVisible());
  QCOMPARE(p.app.state.ProgressHeight, height);
  QCOMPARE(p.app.progress.geometry.height, height);
  QCOMPARE(view->height(), vex::ui::ClientHeight(height));
  QCOMPARE(view->width(), vex::ui::ClientWidth(355));
  QCOMPARE(view->label3()->isVisibleTo(view), batch);
  if (batch) {
    // Fitted, the window ends at the entry's bottom: the design's height
    // when the face's lines are 16 pixels, a little more with a taller face.
    vex::x_hi_chk(p.app);
    QCOMPARE(view->label3()->geometry().bottom() + 1, view->height());
    QVERIFY(p.app.progress.geometry.height >= height);
    QVERIFY(p.app.progress.geometry.height < height + 12);
  }
}

void ProgressWindowTest::wrappedBatchEntryGrowsTheWindowToShowIt() {
  QtTestProgram p;
  vex::st1_FormCreate(p.app);
  vex::SetProgressBatchLayout(p.app);
  p.app.progress.Label3 = "/site/a.html";
  vex::ShowProgressWindow(p.app);
  vex::x_hi_chk(p.app);
  const int oneLine = p.app.progress.geometry.height;

  p.app.progress.Label3 = std::string(300, 'x').insert(100, " ").insert(200, " ");
  p.ui.Refresh(vex::View::Progress);
  vex::x_hi_chk(p.app);
  vex::ui::ProgressView* view = p.ui.progressWindow();
  QVERIFY(p.app.progress.geometry.height > oneLine);
  QCOMPARE(view->height(), vex::ui::ClientHeight(p.app.progress.geometry.height));
  QCOMPARE(view->label3()->geometry().bottom() + 1, view->height());

  // Back to a short entry: the window shrinks to one line's height again.
  p.app.progress.Label3 = "/site/b.html";
  p.ui.Refresh(vex::View::Progress);
  vex::x_hi_chk(p.app);
  QCOMPARE(p.app.progress.geometry.height, oneLine);
}

void ProgressWindowTest::batchEntryShowsWholeAtTheVeryBottom_data() {
  QTest::addColumn<QString>("entry");
  QTest::newRow("one line with descenders") << "/srv/typography/jpg/page.html";
  QTest::newRow("one line in Japanese") << "/srv/日本語のページ/目次.html";
  QTest::newRow("wrapped") << "/srv/" + QString(60, 'g') + " " + QString(60, 'y') + ".html";
}

void ProgressWindowTest::batchEntryShowsWholeAtTheVeryBottom() {
  QFETCH(QString, entry);
  QtTestProgram p;
  vex::st1_FormCreate(p.app);
  vex::SetProgressBatchLayout(p.app);
  p.app.progress.Label3 = entry.toStdString();
  p.app.progress.Label4 = "一括処理中<1/2>";
  vex::ShowProgressWindow(p.app);
  vex::x_hi_chk(p.app);
  vex::ui::ProgressView* view = p.ui.progressWindow();
  QLabel* label = view->label3();
  // As tall as the text needs at this width, descenders and last line whole,
  // and the window's client area ends exactly there.
  QVERIFY2(label->height() >= label->heightForWidth(label->width()),
           qPrintable(
               QString("%1 < %2").arg(label->height()).arg(label->heightForWidth(label->width()))));
  QCOMPARE(label->geometry().bottom() + 1, view->height());
  QCOMPARE(p.app.progress.geometry.height, vex::ui::OuterHeight(view->height()));
}

void ProgressWindowTest::longAddressIsShortenedInTheMiddle_data() {
  QTest::addColumn<QString>("address");
  QTest::addColumn<bool>("shortened");
  QTest::newRow("short") << "http://127.0.0.1/index.html" << false;
  QTest::newRow("long") << "http://127.0.0.1/" + QString(40, 'a') + "/" + QString(40, 'b') + "/" +
                               QString(40, 'c') + "/last-page.html"
                        << true;
  QTest::newRow("long without breaks, Japanese")
      << "file:///home/ユーザー/ホームページ/" + QString(30, QChar(0x65E5)) + "/最後のページ.html"
      << true;
}

void ProgressWindowTest::longAddressIsShortenedInTheMiddle() {
  QFETCH(QString, address);
  QFETCH(bool, shortened);
  QtTestProgram p;
  vex::st1_FormCreate(p.app);
  vex::SetProgressSingleLayout(p.app);
  p.app.progress.Label1 = "1 / 12 Checking";
  p.app.progress.Label2 = address.toStdString();
  vex::ShowProgressWindow(p.app);
  vex::ui::ProgressView* view = p.ui.progressWindow();
  QLabel* label2 = view->label2();
  const QString shown = label2->text();
  if (!shortened) {
    QCOMPARE(shown, address);
    QVERIFY(label2->toolTip().isEmpty());
  } else {
    QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));  // "…"
    // Its beginning and its end stay: where it is and which page.
    QCOMPARE(shown.left(10), address.left(10));
    QCOMPARE(shown.right(5), address.right(5));
    QCOMPARE(label2->toolTip(), address);
  }
  // One line, fitting the width, above the count and the Cancel button.
  QVERIFY(label2->fontMetrics().horizontalAdvance(shown) <= label2->width());
  QVERIFY(label2->height() < 2 * label2->fontMetrics().lineSpacing());
  QVERIFY(label2->geometry().bottom() < view->cancelButton()->geometry().top());
  QVERIFY(label2->geometry().bottom() < view->label1()->geometry().top());
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
