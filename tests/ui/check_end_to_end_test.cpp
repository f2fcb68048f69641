// The desktop program from the Check! button to the page handed to the
// browser: real windows, the real check over loopback, only the dialogs and
// the desktop scripted.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "context/app.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "control/main_window.h"
#include "control/startup.h"
#include "platform/http/http_client.h"
#include "platform/system/file_system.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "scripted_qt_front_end.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/shiftable_clock.h"
#include "support/temp_dir.h"
#include "ui/main_window_view.h"
#include "ui/progress_view.h"

namespace {

// The program as main() builds it, with the front end's blocking parts
// scripted, a clock that never makes a test wait and a temporary home.
struct LiveProgram {
  explicit LiveProgram(const std::vector<std::string>& args) {
    vex::FormCreate(app, args);
    vex::st1_FormCreate(app);
    ui.Refresh(vex::View::MainWindow);
    ui.Refresh(vex::View::Progress);
    ui.mainWindow()->show();
  }
  ~LiveProgram() { Exit(); }
  // What the program does after its event loop has ended.
  void Exit() {
    if (!exited) vex::FormDestroy(app);
    exited = true;
  }

  vex::testing::TempDir home;
  vex::testing::ScopedEnv homeEnv{"VEXALORN_HOME", (home.path().string() + "/").c_str()};
  vex::testing::ScopedEnv noProxy{"http_proxy", nullptr};
  vex::testing::ShiftableClock clock;
  vex::testing::ScriptedQtFrontEnd ui{clock};
  std::unique_ptr<vex::http::Client> http = vex::http::MakeCurlClient(clock);
  vex::App app{ui, clock, *http};
  bool attached = (ui.Attach(app), true);
  bool exited = false;
};

// The saved page behind the one address the desktop was asked to open.
std::string ShownPage(const vex::testing::ScriptedQtFrontEnd& ui) {
  if (ui.openedUrls.size() != 1) return {};
  const QUrl url(ui.openedUrls.front());
  if (!url.isLocalFile()) return {};
  std::string bytes;
  if (!vex::ReadFileBytes(url.toLocalFile().toStdString(), bytes)) return {};
  return bytes;
}

constexpr int kRunLimitMs = 20000;

}  // namespace

class CheckEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void checkButtonSavesAndShowsTheMarkedPage_data();
  void checkButtonSavesAndShowsTheMarkedPage();
  void severalPagesEndWithTheSummaryShown_data();
  void severalPagesEndWithTheSummaryShown();
  void cancelButtonStopsTheWalk();
  void nextBatchPageShowsItsStartWhileItLoads();
  void modesSwitchedInTheWindowAreWrittenBackAtExit_data();
  void modesSwitchedInTheWindowAreWrittenBackAtExit();
};

void CheckEndToEndTest::checkButtonSavesAndShowsTheMarkedPage_data() {
  QTest::addColumn<int>("charMode");
  QTest::addColumn<bool>("automatic");
  QTest::newRow("Japanese, by the button") << 0 << false;
  QTest::newRow("English, by the button") << 1 << false;
  QTest::newRow("English, automatic") << 1 << true;
}

void CheckEndToEndTest::checkButtonSavesAndShowsTheMarkedPage() {
  QFETCH(int, charMode);
  QFETCH(bool, automatic);
  vex::testing::LoopbackServer server;
  server.server().Get("/good.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body>fine</body></html>", "text/html");
  });
  server.server().Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>Links</title></head><body>"
        "<a href=\"good.html\">good</a> <a href=\"missing.html\">broken</a>"
        "</body></html>",
        "text/html");
  });
  server.Start();
  const std::string page = server.Url("/page.html");

  std::vector<std::string> args{"-s:" + std::to_string(charMode)};
  if (automatic) args.insert(args.end(), {"-a", page});
  LiveProgram p(args);
  vex::ui::MainWindowView* window = p.ui.mainWindow();
  if (automatic) {
    vex::FormShow(p.app);  // posts the start message by itself
  } else {
    QTest::keyClicks(window->edit1(), QString::fromStdString(page));
    QTest::mouseClick(window->checkButton(), Qt::LeftButton);
  }
  QCOMPARE(p.ui.startMessages, 1);
  QTRY_VERIFY_WITH_TIMEOUT(p.app.state.Busy == 0 && !p.ui.openedUrls.isEmpty(), kRunLimitMs);

  const std::string shown = ShownPage(p.ui);
  QVERIFY2(!shown.empty(), qPrintable(p.ui.openedUrls.join(' ')));
  QVERIFY(QUrl(p.ui.openedUrls.front())
              .toLocalFile()
              .startsWith(QString::fromStdString(p.home.path().string())));
  QVERIFY2(vex::Contains(shown, std::string(vex::texts::MarkOK[charMode])), shown.c_str());
  QVERIFY2(vex::Contains(shown, std::string(vex::texts::MarkNG[charMode])), shown.c_str());
  QCOMPARE(p.app.state.PageCounts.LinkCount, 2);
  QCOMPARE(p.app.state.PageCounts.BrokenCount, 1);
  QVERIFY(p.ui.boxes.empty());
  QVERIFY(!p.ui.progressWindow()->isVisible());
  // Automatic mode closes the window at the end; by the button it stays.
  QCOMPARE(window->isVisible(), !automatic);
}

void CheckEndToEndTest::severalPagesEndWithTheSummaryShown_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<int>("subfolderAnswer");  // the answer to the subfolder question, if asked
  QTest::addColumn<int>("pages");
  QTest::addColumn<int>("broken");
  QTest::newRow("wildcard with its subfolders") << "wildcard" << int(QMessageBox::Yes) << 3 << 3;
  QTest::newRow("wildcard, start folder only") << "wildcard" << int(QMessageBox::No) << 2 << 2;
  QTest::newRow("batch of loopback pages") << "batch" << 0 << 2 << 2;
  // The start page, the two pages it links to and the good page they link to.
  QTest::newRow("site crawl") << "crawl" << 0 << 4 << 2;
}

void CheckEndToEndTest::severalPagesEndWithTheSummaryShown() {
  QFETCH(QString, kind);
  QFETCH(int, subfolderAnswer);
  QFETCH(int, pages);
  QFETCH(int, broken);
  vex::testing::LoopbackServer server;
  const std::string linkPage =
      "<html><head><title>P</title></head><body><a href=\"/good.html\">good</a>"
      " <a href=\"/missing.html\">broken</a></body></html>";
  server.server().Get("/good.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body>fine</body></html>", "text/html");
  });
  for (const char* path : {"/one.html", "/two.html"}) {
    server.server().Get(path, [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(linkPage, "text/html");
    });
  }
  server.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><body><a href=\"one.html\">1</a> <a href=\"two.html\">2</a></body></html>",
        "text/html");
  });
  server.Start();
  vex::testing::TempDir site;
  std::string target;
  if (kind == "crawl") {
    target = server.Url("/*");
  } else if (kind == "wildcard") {
    // Local pages whose links go to the loopback server.
    const std::string local = "<html><body><a href=\"" + server.Url("/good.html") +
                              "\">good</a> <a href=\"" + server.Url("/missing.html") +
                              "\">broken</a></body></html>";
    site.Write("a.html", local);
    site.Write("b.html", local);
    site.Write("sub/c.html", local);
    target = site / "*.html";
  } else {
    target = site.Write("list.bchk", "[vexalorn batch file]\n" + server.Url("/one.html") + "\n" +
                                         server.Url("/two.html") + "\n");
  }

  LiveProgram p({"-a", "-s:1", target});
  if (subfolderAnswer) p.ui.boxAnswers.push_back(subfolderAnswer);
  vex::FormShow(p.app);
  QTRY_VERIFY_WITH_TIMEOUT(p.app.state.Busy == 0 && !p.ui.openedUrls.isEmpty(), kRunLimitMs);

  // Only the question, when there are subfolders to ask about.
  QCOMPARE(p.ui.boxes.size(), std::size_t(subfolderAnswer ? 1 : 0));
  const std::string summary = ShownPage(p.ui);
  QVERIFY2(!summary.empty(), qPrintable(p.ui.openedUrls.join(' ')));
  QCOMPARE(p.app.state.RunTotals.PagesCounted, pages);
  QCOMPARE(p.app.state.RunTotals.BrokenCount, broken);
  QVERIFY2(vex::Contains(summary, "(NG)1"), summary.c_str());
  QVERIFY(!p.ui.mainWindow()->isVisible());  // automatic mode ends with the run
}

void CheckEndToEndTest::cancelButtonStopsTheWalk() {
  vex::testing::LoopbackServer server;
  std::atomic<bool> asked{false};
  std::atomic<bool> pressed{false};
  // The first link answers only once Cancel was pressed, so the press falls
  // in the walk; the link after it (asked for ahead) must then get no mark.
  server.server().Get("/slow.html", [&](const httplib::Request&, httplib::Response& res) {
    asked = true;
    for (int i = 0; i < 2000 && !pressed; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    res.set_content("<html></html>", "text/html");
  });
  server.server().Get("/after.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html></html>", "text/html");
  });
  server.server().Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><body><a href=\"slow.html\">slow</a> <a href=\"after.html\">after</a>"
        "</body></html>",
        "text/html");
  });
  server.Start();

  LiveProgram p({"-s:1"});
  // The user's press, once the slow link is being read and shown.
  QTimer press;
  QObject::connect(&press, &QTimer::timeout, [&] {
    if (pressed || !asked || !p.ui.progressWindow()->isVisible()) return;
    QTest::mouseClick(p.ui.progressWindow()->cancelButton(), Qt::LeftButton);
    pressed = true;
  });
  press.start(10);

  QTest::keyClicks(p.ui.mainWindow()->edit1(), QString::fromStdString(server.Url("/page.html")));
  QTest::mouseClick(p.ui.mainWindow()->checkButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(pressed && p.app.state.Busy == 0, kRunLimitMs);
  press.stop();

  QVERIFY(!p.ui.progressWindow()->isVisible());
  const std::string shown = ShownPage(p.ui);
  QVERIFY2(vex::Contains(shown, "Check Canceled"), shown.c_str());
  QVERIFY2(!vex::Contains(shown, "A:" + server.Url("/after.html")), shown.c_str());
  QVERIFY(p.ui.mainWindow()->isVisible());
}

void CheckEndToEndTest::nextBatchPageShowsItsStartWhileItLoads() {
  vex::testing::LoopbackServer server;
  std::atomic<bool> secondAsked{false};
  std::atomic<bool> released{false};
  server.server().Get("/one.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body><a href=\"/a.html\">a</a> <a href=\"/b.html\">b</a></body></html>",
                    "text/html");
  });
  for (const char* path : {"/a.html", "/b.html"}) {
    server.server().Get(path, [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html></html>", "text/html");
    });
  }
  // The second page, read ahead, comes only once the window has been looked
  // at after the first page was finished.
  server.server().Get("/two.html", [&](const httplib::Request&, httplib::Response& res) {
    secondAsked = true;
    for (int i = 0; i < 2000 && !released; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    res.set_content("<html><body>two</body></html>", "text/html");
  });
  server.Start();
  vex::testing::TempDir dir;
  const std::string two = server.Url("/two.html");
  const std::string batch = dir.Write(
      "list.bchk", "[vexalorn batch file]\n" + server.Url("/one.html") + "\n" + two + "\n");

  LiveProgram p({"-a", "-s:0", batch});
  struct Seen {
    QString label1, label2, label3;
    int bar = -1;
  } seen;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (released || !secondAsked || p.app.state.ResultLines.size() != 1) return;
    vex::ui::ProgressView* view = p.ui.progressWindow();
    seen = {view->label1()->text(), view->label2()->text(), view->label3()->text(),
            view->pageBar()->value()};
    released = true;
  });
  look.start(5);
  vex::FormShow(p.app);
  QTRY_VERIFY_WITH_TIMEOUT(p.app.state.Busy == 0 && !p.ui.openedUrls.isEmpty(), kRunLimitMs);
  look.stop();

  QVERIFY(released);
  // Not the first page's "2 / 2", its last link and its full bar: the second
  // entry's start.
  QCOMPARE(seen.label1, QString::fromStdString(std::string(vex::texts::TxtPreProcess[0])));
  QCOMPARE(seen.label2, QString());
  QCOMPARE(seen.bar, 0);
  QCOMPARE(seen.label3, QString::fromStdString(two));
  QCOMPARE(p.app.state.ResultLines.size(), std::size_t(2));
}

void CheckEndToEndTest::modesSwitchedInTheWindowAreWrittenBackAtExit_data() {
  QTest::addColumn<bool>("automatic");
  QTest::newRow("interactive") << false;
  QTest::newRow("automatic writes nothing") << true;
}

void CheckEndToEndTest::modesSwitchedInTheWindowAreWrittenBackAtExit() {
  QFETCH(bool, automatic);
  std::vector<std::string> args{"-s:0", "-m:0"};
  if (automatic) args.push_back("-a");
  LiveProgram p(args);
  const std::string ini = p.home / "vexalorn.ini";
  QTest::mouseClick(p.ui.mainWindow()->markButton(), Qt::LeftButton);      // English
  QTest::mouseClick(p.ui.mainWindow()->pageTypeButton(), Qt::LeftButton);  // L-Page
  QCOMPARE(p.app.state.CharMode, 1);
  QCOMPARE(p.app.state.JumpMode, 1);
  p.ui.CloseMainWindow();
  p.Exit();
  vex::LineList lines;
  QVERIFY(vex::LoadLines(ini, lines));
  auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  QCOMPARE(has("CHAR=1"), !automatic);
  QCOMPARE(has("JUMP=1"), !automatic);
  QVERIFY(p.ui.boxes.empty());
}

QTEST_MAIN(CheckEndToEndTest)
#include "check_end_to_end_test.moc"
