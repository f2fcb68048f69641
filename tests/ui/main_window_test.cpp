#include "control/main_window.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <filesystem>

#include "context/texts.h"
#include "control/mode_labels.h"
#include "platform/system/file_system.h"
#include "platform/text/line_list.h"
#include "scripted_qt_front_end.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "ui/main_window_view.h"
#include "ui/qt_front_end.h"
#include "ui/stop_signals.h"
#include "ui/ui_font.h"

using vex::testing::QtTestProgram;

class MainWindowViewTest : public QObject {
  Q_OBJECT

 private slots:
  void topRowAtItsPlaces();
  void modeSwitchesRelabelTheWindow();
  void startMessageReachesTheRunAfterTheClickReturns();
  void secondCheckWhileBusyPostsNothing();
  void typingAndDoubleClickGoThroughTheHandlers();
  void arrowKeysRecallTheHistory();
  void batchWriterWithScriptedDialogs();
  void messageBoxesHaveNoIconAndTheTitle_data();
  void messageBoxesHaveNoIconAndTheTitle();
  void nameFiltersFromTheDialogTexts_data();
  void nameFiltersFromTheDialogTexts();
  void pauseRunsOnTheProgramClock();
  void pagesAndHelpGoToTheDesktop();
  void browserVariableNamesTheCommands_data();
  void browserVariableNamesTheCommands();
  void pageGoesToTheBrowserTheUserNamed();
  void closingTheWindowEndsTheProgramAndStopsARun();
  void stopSignalCancelsTheRunThenCloses();
  void diagnosticButtonsReachTheirHandlers();
};

void MainWindowViewTest::topRowAtItsPlaces() {
  QtTestProgram p;
  vex::ui::MainWindowView* w = p.ui.mainWindow();
  QCOMPARE(w->edit1()->geometry(), QRect(128, 0, 422, 25));
  QCOMPARE(w->checkButton()->geometry(), QRect(59, 0, 70, 25));
  QCOMPARE(w->pageTypeButton()->geometry(), QRect(610, 0, 54, 25));
  QCOMPARE(w->size(), QSize(vex::ui::ClientWidth(671), vex::ui::ClientHeight(55)));
  QCOMPARE(w->minimumSize(), w->maximumSize());  // fixed size
  QVERIFY(!w->edit1()->testAttribute(Qt::WA_InputMethodEnabled));
}

void MainWindowViewTest::modeSwitchesRelabelTheWindow() {
  QtTestProgram p;
  vex::x_ZenHan(p.app);
  p.ui.Refresh(vex::View::MainWindow);
  vex::ui::MainWindowView* w = p.ui.mainWindow();
  QCOMPARE(w->markButton()->text(), QString("◎"));
  QCOMPARE(w->pageTypeButton()->text(), QString("検索用"));

  QTest::mouseClick(w->markButton(), Qt::LeftButton);
  QCOMPARE(w->markButton()->text(), QString("OK"));
  QCOMPARE(w->markButton()->toolTip(), QString("Result Code:Ansi(OK,NG,…)"));
  QCOMPARE(w->checkButton()->toolTip(), QString("Start of Checking"));
  QCOMPARE(w->pageTypeButton()->text(), QString("S-Page"));
  QVERIFY(w->windowTitle().startsWith("((VEXALORN 2.6)) FORM OF INPUTING URL"));

  QTest::mouseClick(w->pageTypeButton(), Qt::LeftButton);
  QCOMPARE(w->pageTypeButton()->text(), QString("L-Page"));
  QCOMPARE(w->pageTypeButton()->toolTip(), QString("for Link Pages"));
  QTest::mouseClick(w->pageTypeButton(), Qt::LeftButton);
  QCOMPARE(w->pageTypeButton()->text(), QString("g-Page"));

  QTest::mouseClick(w->markButton(), Qt::LeftButton);
  QCOMPARE(w->pageTypeButton()->text(), QString("Web用"));
  QCOMPARE(w->pageTypeButton()->toolTip(), QString("普通のホームページ用です。"));
}

void MainWindowViewTest::startMessageReachesTheRunAfterTheClickReturns() {
  QtTestProgram p;
  vex::SetEdit1(p.app, "/nonexistent-vexalorn-target/x.html");
  QTest::mouseClick(p.ui.mainWindow()->checkButton(), Qt::LeftButton);
  // Posted, not run: the handler has returned and the run has not begun.
  QCOMPARE(p.app.state.Busy, -1);
  QCoreApplication::sendPostedEvents(p.ui.mainWindow());
  QCOMPARE(p.app.state.Busy, 0);  // every run ends with Busy cleared
}

void MainWindowViewTest::secondCheckWhileBusyPostsNothing() {
  QtTestProgram p;
  vex::SetEdit1(p.app, "/nonexistent-vexalorn-target/x.html");
  QTest::mouseClick(p.ui.mainWindow()->checkButton(), Qt::LeftButton);
  QTest::mouseClick(p.ui.mainWindow()->checkButton(), Qt::LeftButton);
  QCOMPARE(p.ui.startMessages, 1);
  QCOMPARE(p.app.state.TargetHistory.size(), std::size_t(2));
  QCoreApplication::sendPostedEvents(p.ui.mainWindow());
  QCOMPARE(p.app.state.Busy, 0);
}

void MainWindowViewTest::typingAndDoubleClickGoThroughTheHandlers() {
  QtTestProgram p;
  QLineEdit* edit = p.ui.mainWindow()->edit1();
  QTest::keyClicks(edit, "/a/b.html");
  QCOMPARE(p.app.main.Edit1, std::string("/a/b.html"));
  QCOMPARE(edit->toolTip(), QString("ダブルクリックでワイルドカードにします。"));
  QTest::mouseDClick(edit, Qt::LeftButton);
  QCOMPARE(edit->text(), QString("/a/*.html"));
  QVERIFY(edit->toolTip().isEmpty());  // a pattern has no hint
  QTest::mouseDClick(edit, Qt::LeftButton);
  QCOMPARE(edit->text(), QString("/a/*.h*"));

  edit->clear();
  QTest::keyClicks(edit, "http://127.0.0.1/a.html");
  QTest::mouseDClick(edit, Qt::LeftButton);
  QCOMPARE(edit->text(), QString("http://127.0.0.1/a.html"));
}

void MainWindowViewTest::arrowKeysRecallTheHistory() {
  QtTestProgram p;
  p.app.state.TargetHistory = {"", "/old.html", "/new.html"};
  QLineEdit* edit = p.ui.mainWindow()->edit1();
  QTest::keyClicks(edit, "typ");
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(edit->text(), QString("/new.html"));
  QTest::keyClick(edit, Qt::Key_Up);
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(edit->text(), QString("/old.html"));
  QTest::keyClick(edit, Qt::Key_Down);
  QTest::keyClick(edit, Qt::Key_Down);
  QCOMPARE(edit->text(), QString("typ"));
}

void MainWindowViewTest::batchWriterWithScriptedDialogs() {
  vex::testing::TempDir dir;
  QtTestProgram p;
  p.ui.openResults.push_back({"/site/a.html", "/site/b.html"});
  p.ui.saveResults.push_back(dir / "x");
  QTest::mouseClick(p.ui.mainWindow()->fileButton(), Qt::LeftButton);
  const std::string saved = dir / "x.bchk";
  QCOMPARE(p.ui.mainWindow()->edit1()->text(), QString::fromStdString(saved));
  vex::LineList lines;
  QVERIFY(vex::LoadLines(saved, lines));
  QCOMPARE(lines.front(), std::string("[vexalorn batch file]"));
  QCOMPARE(lines.size(), std::size_t(3));
  QVERIFY(p.app.main.Memo1.empty());

  // Cancelled save: Memo1 keeps the list, Edit1 stays.
  p.ui.openResults.push_back({"/site/c.html", "/site/d.html"});
  p.ui.saveResults.push_back(std::nullopt);
  vex::B_fileClick(p.app);
  QCOMPARE(p.app.main.Memo1.size(), std::size_t(3));
  QCOMPARE(p.ui.mainWindow()->edit1()->text(), QString::fromStdString(saved));
}

void MainWindowViewTest::messageBoxesHaveNoIconAndTheTitle_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("answer");
  QTest::addColumn<int>("expected");
  using B = QMessageBox;
  QTest::newRow("message") << 0 << int(B::Ok) << int(B::Ok) << int(vex::Answer::Yes);
  QTest::newRow("yes/no yes") << 1 << int(B::Yes | B::No) << int(B::Yes) << int(vex::Answer::Yes);
  QTest::newRow("yes/no no") << 1 << int(B::Yes | B::No) << int(B::No) << int(vex::Answer::No);
  QTest::newRow("yes/no/cancel cancel")
      << 2 << int(B::Yes | B::No | B::Cancel) << int(B::Cancel) << int(vex::Answer::Cancel);
}

void MainWindowViewTest::messageBoxesHaveNoIconAndTheTitle() {
  QFETCH(int, kind);
  QFETCH(int, buttons);
  QFETCH(int, answer);
  QFETCH(int, expected);
  QtTestProgram p;
  p.ui.boxAnswers.push_back(answer);
  vex::Answer got = vex::Answer::Yes;
  if (kind == 0) p.ui.ShowMessage("ファイルがありません。");
  if (kind == 1) got = p.ui.AskYesNo("question");
  if (kind == 2) got = p.ui.AskYesNoCancel("question");
  QCOMPARE(p.ui.boxes.size(), std::size_t(1));
  QCOMPARE(p.ui.boxes[0].title, QString("VEXALORN"));
  QCOMPARE(p.ui.boxes[0].icon, QMessageBox::NoIcon);
  QCOMPARE(int(p.ui.boxes[0].buttons), buttons);
  QCOMPARE(int(got), expected);
}

void MainWindowViewTest::nameFiltersFromTheDialogTexts_data() {
  QTest::addColumn<QString>("filters");
  QTest::addColumn<QStringList>("expected");
  QTest::newRow("open, English")
      << "html files(*.html;*.htm)|*.html;*.htm|all files(*.*)|*.*|batch file(*.bchk)|*.bchk"
      << QStringList{"html files(*.html *.htm)", "all files(*.*)", "batch file(*.bchk)"};
  QTest::newRow("save, Japanese") << "vexalorn一括処理ファイル(*.bchk)|*.bchk"
                                  << QStringList{"vexalorn一括処理ファイル(*.bchk)"};
  QTest::newRow("name without patterns") << "pages|*.htm" << QStringList{"pages(*.htm)"};
  QTest::newRow("odd trailing part") << "a|*.a|b" << QStringList{"a(*.a)"};
}

void MainWindowViewTest::nameFiltersFromTheDialogTexts() {
  QFETCH(QString, filters);
  QFETCH(QStringList, expected);
  QCOMPARE(vex::ui::NameFiltersOf(filters.toStdString()), expected);
}

void MainWindowViewTest::pauseRunsOnTheProgramClock() {
  QtTestProgram p;
  const auto start = p.clock.NowMs();
  p.ui.Pause(2000);
  QCOMPARE(p.clock.NowMs() - start, std::int64_t(2000));
}

void MainWindowViewTest::pagesAndHelpGoToTheDesktop() {
  vex::testing::TempDir dir;
  QtTestProgram p;
  p.ui.ShowPage("/tmp/vex_TEMP/007.htm");
  QCOMPARE(p.ui.openedUrls, QStringList{"file:///tmp/vex_TEMP/007.htm"});

  p.app.state.DataFolder = dir.path().string() + "/";
  vex::Button4Click(p.app);  // no help installed: nothing
  QCOMPARE(p.ui.openedUrls.size(), 1);
  dir.Write("help/index.html", "<html></html>");
  vex::Button4Click(p.app);
  QCOMPARE(p.ui.openedUrls.last(),
           QUrl::fromLocalFile(QString::fromStdString(dir / "help/index.html")).toString());
}

void MainWindowViewTest::browserVariableNamesTheCommands_data() {
  QTest::addColumn<QString>("variable");
  QTest::addColumn<QStringList>("commands");  // program and arguments, "|" between words
  const QString url = "file:///tmp/w/007.htm";
  QTest::newRow("unset") << QString() << QStringList{};
  QTest::newRow("one program") << "true" << QStringList{"true|" + url};
  QTest::newRow("placeholder and fallbacks")
      << "w3m -o confirm_qq=0 %s:firefox"
      << QStringList{"w3m|-o|confirm_qq=0|" + url, "firefox|" + url};
  QTest::newRow("quoted placeholder inside a word")
      << "sh -c \"echo %s >/dev/null\"" << QStringList{"sh|-c|echo " + url + " >/dev/null"};
  QTest::newRow("empty entries skipped") << "::true:" << QStringList{"true|" + url};
}

void MainWindowViewTest::browserVariableNamesTheCommands() {
  QFETCH(QString, variable);
  QFETCH(QStringList, commands);
  QStringList got;
  for (const vex::ui::BrowserCommand& c :
       vex::ui::BrowserCommandsOf(variable, "file:///tmp/w/007.htm")) {
    got << (QStringList{c.program} + c.arguments).join('|');
  }
  QCOMPARE(got, commands);
}

void MainWindowViewTest::pageGoesToTheBrowserTheUserNamed() {
  vex::testing::TempDir dir;
  const std::string script = dir.Write("browser.sh", "#!/bin/sh\necho \"$1\" > \"$0.seen\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  vex::testing::ScopedEnv browser("BROWSER", ("/nonexistent/browser:" + script).c_str());
  vex::ManualClock clock;
  vex::ui::QtFrontEnd frontEnd(clock);  // the real opener, not the recording one
  frontEnd.ShowPage("/tmp/vex_TEMP/007.htm");
  std::string seen;
  QTRY_VERIFY_WITH_TIMEOUT(vex::ReadFileBytes(script + ".seen", seen) && !seen.empty(), 10000);
  QCOMPARE(seen, std::string("file:///tmp/vex_TEMP/007.htm\n"));
}

void MainWindowViewTest::closingTheWindowEndsTheProgramAndStopsARun() {
  QtTestProgram p;
  p.ui.mainWindow()->show();
  QSignalSpy closed(p.ui.mainWindow(), &vex::ui::MainWindowView::closed);
  p.app.state.Busy = -1;  // as at the end of an automatic run, or a user closing mid-run
  p.ui.CloseMainWindow();
  QCOMPARE(closed.count(), 1);
  QVERIFY(!p.ui.mainWindow()->isVisible());
  QCOMPARE(p.app.state.CancelFlag, -1);
}

// SIGTERM or SIGHUP during a run: Cancel, kept pressed while the run shows
// its next progress, then the window closes once the run is over.
void MainWindowViewTest::stopSignalCancelsTheRunThenCloses() {
  QtTestProgram p;
  p.ui.mainWindow()->show();
  QSignalSpy closed(p.ui.mainWindow(), &vex::ui::MainWindowView::closed);
  vex::ui::StopSignals stops;
  QObject::connect(&stops, &vex::ui::StopSignals::stopRequested, p.ui.mainWindow(),
                   [&p] { p.ui.RequestStop(); });
  p.app.state.Busy = -1;
  ::raise(SIGHUP);
  QTRY_COMPARE(p.app.state.CancelFlag, -1);
  p.app.state.CancelFlag = 0;  // as showing the progress window does
  p.ui.ProcessEvents();
  QCOMPARE(p.app.state.CancelFlag, -1);
  QVERIFY(p.ui.mainWindow()->isVisible());
  p.app.state.Busy = 0;
  QTRY_COMPARE(closed.count(), 1);
}

void MainWindowViewTest::diagnosticButtonsReachTheirHandlers() {
  QtTestProgram p;
  p.app.main.diagnosticLayout = true;
  p.ui.Refresh(vex::View::MainWindow);
  QPushButton* get = nullptr;
  QPushButton* check = nullptr;
  for (QPushButton* b : p.ui.mainWindow()->findChildren<QPushButton*>()) {
    if (b->text() == "Get") get = b;
    if (b->text() == "Check") check = b;
  }
  QVERIFY(get && check);

  // A local target that does not exist: the address check says so, no probe.
  vex::testing::TempDir dir;
  p.app.state.CurrentTarget = dir / "missing.html";
  p.app.state.CancelFlag = -1;
  QTest::mouseClick(check, Qt::LeftButton);
  QCOMPARE(p.ui.boxes.size(), std::size_t(1));
  QCOMPARE(
      p.ui.boxes[0].text,
      QString::fromStdString("Local=" + std::string(vex::texts::MarkNG[p.app.state.CharMode])));
  QCOMPARE(p.app.state.CancelFlag, 0);

  // Page preparation again on the same target: it refuses the address.
  QTest::mouseClick(get, Qt::LeftButton);
  QCOMPARE(p.app.state.SourceLines.size(), std::size_t(1));
  QCOMPARE(p.app.state.SourceLines[0], "addr errer(" + p.app.state.CurrentTarget + ")");
}

QTEST_MAIN(MainWindowViewTest)
#include "main_window_test.moc"
