// The terminal program: its pieces, and the built program run as a child
// process on small sites in a temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/chosen_frame.h"
#include "cli/run_report.h"
#include "cli/terminal_front_end.h"
#include "context/app.h"
#include "context/models.h"
#include "control/check_one.h"
#include "platform/html/html_document.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_app.h"
#include "support/tls_loopback_server.h"

extern char** environ;

namespace vex::cli {
namespace {

// --- Progress lines ----------------------------------------------------------

ProgressModel Progress(std::string label1, std::string label2, int pos, int max) {
  ProgressModel p;
  p.visible = true;
  p.Label1 = std::move(label1);
  p.Label2 = std::move(label2);
  p.st1_ProBar1 = {0, max, pos, true};
  return p;
}

TEST(ProgressLineTest, ShowsBatchPhaseBarAndAddressWithinTheWidth) {
  ProgressModel p =
      Progress("3 / 12On Checking", "http://127.0.0.1/a/very/long/address.html", 6, 12);
  p.Label4Visible = true;
  p.Label4 = "On Batch-Process<2/5>";
  EXPECT_EQ(ProgressLine(p, 200),
            "On Batch-Process<2/5> 3 / 12On Checking [##########..........] "
            "http://127.0.0.1/a/very/long/address.html");
  const std::string narrow = ProgressLine(p, 80);
  EXPECT_LE(narrow.size(), 79u);
  EXPECT_NE(narrow.find("..."), std::string::npos) << "the address is cut in its middle";
  EXPECT_TRUE(narrow.ends_with("address.html")) << narrow;
  EXPECT_NE(narrow.find("http://127"), std::string::npos) << narrow;

  // Wide characters count two columns and are never cut in half.
  p.Label2 = "http://127.0.0.1/" + std::string(40, 'a') + "ページ";
  const std::string wide = ProgressLine(p, 72);
  EXPECT_NE(wide.find("ページ"), std::string::npos);
}

TEST(ProgressLineTest, PlainTextChangesOnlyWithPhaseOrPage) {
  ProgressModel p = Progress("1 / 12On Checking", "http://127.0.0.1/x", 1, 12);
  const std::string first = PlainProgressText(p, "/site/a.html");
  p.Label1 = "2 / 12On Checking";
  p.Label2 = "http://127.0.0.1/y";
  EXPECT_EQ(PlainProgressText(p, "/site/a.html"), first) << "a new link is no new line";
  EXPECT_NE(PlainProgressText(p, "/site/b.html"), first);
  p.Label1 = "On Totalizing";
  EXPECT_NE(PlainProgressText(p, "/site/a.html"), first);
  p.visible = false;
  EXPECT_EQ(PlainProgressText(p, "/site/a.html"), "");
}

// --- Exit status and result pages --------------------------------------------

TEST(TerminalTextTest, ControlCharactersAreWrittenEscaped) {
  struct Case {
    std::string text;
    bool keepLineBreaks;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"a\x1b]0;owned\x07"
       "b.html",
       false, "a\\x1b]0;owned\\x07b.html"},
      {"\x1b[2J\x1b[31mred", false, "\\x1b[2J\\x1b[31mred"},
      {"line\nnext\r\tx\x7f", false, "line\\x0anext\\x0d\\x09x\\x7f"},
      {"line\nnext", true, "line\nnext"},
      {"c1 \xc2\x9b"
       "2J and \xc2\xa0nbsp",
       false,
       "c1 \\xc2\\x9b"
       "2J and \xc2\xa0nbsp"},
      {"\xe6\x97\xa5\xe6\x9c\xac.html", false, "\xe6\x97\xa5\xe6\x9c\xac.html"},
      {"bad \x9b\xff \xe6\x97", false, "bad \\x9b\\xff \\xe6\\x97"},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminalText(c.text, c.keepLineBreaks), c.shown) << c.shown;

  // The progress lines go through it too.
  const ProgressModel p = Progress("On Checking", "http://h/\x1b[2Jx", 1, 2);
  EXPECT_EQ(ProgressLine(p, 200).find('\x1b'), std::string::npos);
  EXPECT_EQ(PlainProgressText(p, "/tmp/\x1b[2J.html").find('\x1b'), std::string::npos);
}

TEST(RunReportTest, RatingsDecideTheExitStatus) {
  struct Case {
    const char* name;
    LineList results;
    RunEnd end;
    int status;
  };
  RunEnd fine;
  fine.closeRequested = true;
  RunEnd aborted = fine;
  aborted.outcome.aborted = true;
  RunEnd interrupted = fine;
  interrupted.interrupted = true;
  RunEnd told = fine;
  told.messagesShown = 1;
  RunEnd stayedOpen;
  RunEnd failed = fine;
  failed.outcome.result = -9;
  const std::vector<Case> cases = {
      {"AllGood", {"Very good!<3>,/r/1.htm,a", "<4>good!(--)1,/r/2.htm,b"}, fine, 0},
      {"NotHtmlWasNotChecked",
       {"Very good!<3>,/r/1.htm,a", "This file is not a HTML file., ,t"},
       fine,
       1},
      {"BatchWithoutEntries", {}, fine, 2},
      {"OneNeedsACheck", {"Very good!<3>,/r/1.htm,a", "<4>(NG)2,/r/2.htm,b"}, fine, 1},
      {"Aborted", {"Very good!<3>,/r/1.htm,a"}, aborted, 2},
      {"Interrupted", {"Very good!<3>,/r/1.htm,a"}, interrupted, 2},
      {"MessageShown", {"Very good!<3>,/r/1.htm,a"}, told, 2},
      {"WindowStayedOpen", {"Very good!<3>,/r/1.htm,a"}, stayedOpen, 2},
      {"CheckFailed", {}, failed, 2},
      {"PageNotLoaded", {"Very good!<3>,/r/1.htm,a", "(NG)Not loaded(HTTP 404), ,b"}, fine, 2},
  };
  ManualClock clock;
  TerminalFrontEnd ui(clock, {});
  testing::OfflineHttpClient http;
  App app(ui, clock, http);
  app.state.CharMode = 1;
  for (const Case& c : cases) {
    app.state.TargetList = {"[vexalorn batch file]", "a", "b"};
    app.state.ResultLines = c.results;
    EXPECT_EQ(ExitStatus(app, c.end), c.status) << c.name;
  }
  // A single target: its counts, as its rating would say.
  app.state.TargetList.clear();
  app.state.ResultLines.clear();
  app.state.PageCounts = CountRecord{};
  app.state.PageCounts.AuthCount = 2;
  EXPECT_EQ(ExitStatus(app, fine), 0) << "good!(--)2";
  app.state.PageCounts.RedirectedCount = 1;
  EXPECT_EQ(ExitStatus(app, fine), 1);

  app.state.ResultLines = {"Very good!<3>,/r/1.htm,a", "This file is not a HTML file., ,t",
                           "<4>(NG)2,/r/2.htm,b"};
  EXPECT_EQ(ResultPages(app, {"/r/2.htm", "/r/9.htm", "/r/sum.htm"}, "/r/sum.htm"),
            (std::vector<std::string>{"/r/1.htm", "/r/2.htm", "/r/9.htm"}));
  // A page whose walk was cancelled has no result line but is saved.
  PageResult cancelled;
  cancelled.resultPath = "/r/3.htm";
  cancelled.cancelled = true;
  app.results.pages = {cancelled};
  EXPECT_EQ(ResultPages(app, {}, ""),
            (std::vector<std::string>{"/r/3.htm", "/r/1.htm", "/r/2.htm"}));
}

// --- The frame picked in the terminal ------------------------------------------

TEST(ChosenFrameTest, PickedFrameIsCheckedAtOnce) {
  const std::string frames = "http://127.0.0.1:9/frames.html";
  const std::string menu = "http://127.0.0.1:9/menu.html";
  for (const bool nestedWithoutEnd : {false, true}) {
    ManualClock clock;
    TerminalFrontEnd ui(clock, {});
    testing::OfflineHttpClient http;
    App app(ui, clock, http);
    app.state.CharMode = 1;
    app.main.Edit1 = frames;
    std::vector<std::string> checked;
    // Every check of a frame set picks its menu frame, which is a page, or
    // (nested without end) a frame set again.
    app.steps.CheckOne = [&](App& a, std::string&) {
      checked.push_back(a.main.Edit1);
      if (a.main.Edit1 != frames && !nestedWithoutEnd) return 0;
      a.main.Edit1 = menu;
      return static_cast<int>(kCheckFramePicked);
    };
    const RunOutcome first = RunCheck(app);
    ASSERT_EQ(first.result, kCheckFramePicked);

    std::unique_ptr<FILE, int (*)(FILE*)> err(std::tmpfile(), std::fclose);
    const RunOutcome out = CheckChosenFrames(app, first, err.get());
    std::string said(4096, '\0');
    std::rewind(err.get());
    said.resize(std::fread(said.data(), 1, said.size(), err.get()));

    const std::string note = "Checking the chosen frame: " + menu + "\n";
    if (nestedWithoutEnd) {
      EXPECT_EQ(out.result, kCheckFramePicked);
      EXPECT_EQ(checked.size(), 1u + kMaxFrameLevels);
    } else {
      EXPECT_EQ(out.result, 0);
      EXPECT_EQ(checked, (std::vector<std::string>{frames, menu}));
      EXPECT_EQ(said, note);
    }
  }
}

// --- The program -------------------------------------------------------------

struct Child {
  int status = -1;
  std::string out;
  std::string err;
};

class CliProgramTest : public ::testing::Test {
 protected:
  // Starts the program in `cwd` with VEXALORN_HOME at the home folder;
  // stdin is /dev/null, so the questions take their defaults.
  pid_t Spawn(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> argv{std::string(VEXALORN_BUILD_DIR) + "/vexalorn-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);

    std::vector<std::string> env{"VEXALORN_HOME=" + home.path().string(), "LANG=C.UTF-8", "TZ=UTC"};
    for (char** e = environ; *e; ++e) {
      const std::string s(*e);
      if (s.rfind("VEXALORN_HOME=", 0) != 0 && s.rfind("http_proxy=", 0) != 0 &&
          s.rfind("HTTP_PROXY=", 0) != 0) {
        env.push_back(s);
      }
    }
    std::vector<char*> cenv;
    for (std::string& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0);
    return pid;
  }
  Child Wait(pid_t pid) {
    Child c;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) c.status = WEXITSTATUS(status);
    (void)ReadFileBytes(outPath, c.out);
    (void)ReadFileBytes(errPath, c.err);
    return c;
  }
  Child Run(const std::vector<std::string>& args) { return Wait(Spawn(args, site.path())); }

  testing::TempDir site;
  testing::TempDir home;
  testing::TempDir io;
  std::string outPath = io / "out.txt";
  std::string errPath = io / "err.txt";
};

struct EndCase {
  const char* name;
  std::vector<std::string> files;  // written with a small page each
  const char* batch;               // content of list.bchk, "" for none
  std::vector<std::string> args;
  int status;
  const char* err;  // expected within stderr, "" for nothing particular
};

class CliEndingTest : public CliProgramTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(CliEndingTest, ExitStatus) {
  const EndCase& c = GetParam();
  for (const std::string& f : c.files) {
    site.Write(
        f, f.ends_with(".txt") ? "plain text\n" : "<html><body><p>no links</p></body></html>\n");
  }
  if (*c.batch) site.Write("list.bchk", c.batch);
  const Child r = Run(c.args);
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliEndingTest,
    ::testing::Values(
        EndCase{"MissingFile", {}, "", {"-s:1", "gone.html"}, 2, "This file is not exist."},
        EndCase{"NoTarget", {}, "", {"-s:1"}, 2, "This file is not exist."},
        EndCase{"NotHtml",
                {"notes.txt"},
                "",
                {"-s:1", "notes.txt"},
                2,
                "This file is not a HTML file."},
        EndCase{"WildcardMatchingNothing",
                {"a.html"},
                "",
                {"-s:1", "*.xyz"},
                2,
                "This file is not exist."},
        // A target whose page does not come is no success, alone or in a batch.
        EndCase{"DeadWebTarget",
                {},
                "",
                {"-s:1", "http://127.0.0.1:1/"},
                2,
                "The page could not be loaded."},
        EndCase{"MissingFileAddress",
                {},
                "",
                {"-s:1", "file:///nowhere/page.html"},
                2,
                "The page could not be loaded."},
        EndCase{"BatchWithADeadEntry",
                {"a.html"},
                "[vexalorn batch file]\na.html\nhttp://127.0.0.1:1/\n",
                {"-s:1", "list.bchk"},
                2,
                ""},
        EndCase{"BatchWithoutHeader",
                {"a.html"},
                "a.html\n",
                {"-s:1", "list.bchk"},
                2,
                "list.bchk: not a batch file"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RatingCase {
  const char* name;
  const char* page;  // index.html; about.html exists beside it
  int status;
};

class CliRatingTest : public CliProgramTest, public ::testing::WithParamInterface<RatingCase> {};

TEST_P(CliRatingTest, SingleFileAndItsAnnotatedPage) {
  site.Write("about.html", "<html><body><p id=\"x\">about</p></body></html>\n");
  site.Write("index.html", GetParam().page);
  const Child r = Run({"-s:1", "index.html"});
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  const std::string label = "Result page: ";
  const std::size_t at = r.out.find(label);
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::string path =
      r.out.substr(at + label.size(), r.out.find('\n', at) - at - label.size());
  std::string annotated;
  EXPECT_TRUE(ReadFileBytes(path, annotated)) << path;
  EXPECT_NE(annotated.find("VEXALORN"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CliRatingTest,
    ::testing::Values(
        RatingCase{"GoodLink", "<html><body><a href=\"about.html\">a</a></body></html>\n", 0},
        RatingCase{"BrokenLink",
                   "<html><body><a href=\"about.html\">a</a> <a href=\"gone.html\">b</a>"
                   "</body></html>\n",
                   1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliProgramTest, BatchWithRelativeLinesWritesTheSummary) {
  site.Write("a.html", "<html><body><a href=\"b/b.html\">b</a></body></html>\n");
  site.Write("b/b.html", "<html><body><a href=\"../a.html\">a</a></body></html>\n");
  site.Write("notes.txt", "plain text\n");
  site.Write("list.bchk", "[vexalorn batch file]\r\na.html\r\n\r\nnotes.txt\r\nb/b.html\r\n");
  const Child r = Run({"-s:1", "list.bchk"});
  EXPECT_EQ(r.status, 1) << "the text file was not checked\n" << r.err << r.out;
  const std::string label = "Summary report: ";
  const std::size_t at = r.out.find(label);
  ASSERT_NE(at, std::string::npos) << r.out;
  std::string summary;
  ASSERT_TRUE(ReadFileBytes(Trim(r.out.substr(at + label.size())), summary));
  EXPECT_NE(summary.find(site / "b/b.html"), std::string::npos) << "absolute entries";
  EXPECT_NE(summary.find("Very good!"), std::string::npos) << summary;
}

// A batch of web pages that all link to the same pages: within the run each
// address is asked for once, whichever page it is met on.
TEST_F(CliProgramTest, BatchAsksForEachAddressOnce) {
  testing::LoopbackServer server;
  for (int i = 1; i <= 3; ++i) {
    server.server().Get("/p" + std::to_string(i) + ".html",
                        [](const httplib::Request&, httplib::Response& res) {
                          res.set_content(
                              "<html><body><a href=\"shared.html\">s</a> "
                              "<a href=\"shared.html#here\">h</a> <a href=\"p3.html\">3</a>"
                              "</body></html>",
                              "text/html");
                        });
  }
  server.server().Get("/shared.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body><p id=\"here\">x</p></body></html>", "text/html");
  });
  server.Start();
  site.Write("list.bchk", "[vexalorn batch file]\n" + server.Url("/p1.html") + "\n" +
                              server.Url("/p2.html") + "\n" + server.Url("/p3.html") + "\n");
  const Child r = Run({"-s:1", "list.bchk"});
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  // The probe, and the page for its anchor.
  EXPECT_EQ(server.Hits("/shared.html"), 2);
  // p3: the page read ahead, whose answer serves the probe of the link to it
  // and its own check; p2 is only read ahead.
  EXPECT_EQ(server.Hits("/p3.html"), 1);
  EXPECT_EQ(server.Hits("/p2.html"), 1);
}

// https links: left unrequested with a hint at the end, or requested with
// --https (the certificate trusted through SSL_CERT_FILE).
TEST_F(CliProgramTest, HttpsLinksOnRequest) {
  testing::TlsLoopbackServer server;
  server.server().Get("/gone",
                      [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  server.Start();
  ASSERT_TRUE(server.WriteCertificate(io / "cert.pem"));
  const testing::ScopedEnv certs("SSL_CERT_FILE", (io / "cert.pem").c_str());
  site.Write("index.html",
             "<html><body><a href=\"" + server.Url("/gone") + "\">x</a></body></html>\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    bool hint;
    int requests;
  };
  const std::vector<Case> cases = {
      {{"-s:1", "index.html"}, 0, true, 0},
      {{"-s:1", "--https", "index.html"}, 1, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const int before = server.Requests();
    const Child r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err.find("https links not requested: 1 (marked (Auth)). To check them, run with "
                         "--https") != std::string::npos,
              c.hint)
        << r.err;
    EXPECT_EQ(server.Requests() - before, c.requests);
  }
}

// A small site for crawls: a cycle of links, a page only a frame leads to, a
// page first read for an anchor, a page robots.txt keeps out, a page outside
// the start's folder, a text file, a missing page and a sitemap.
class CliSiteTest : public CliProgramTest {
 protected:
  void SetUp() override {
    const auto page = [this](const std::string& path, const std::string& body) {
      server.server().Get(path, [body](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body>" + body + "</body></html>", "text/html");
      });
    };
    server.server().Get("/robots.txt", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("User-agent: *\nDisallow: /docs/private.html\n", "text/plain");
    });
    page("/docs/",
         "<a href=\"a.html\">a</a> <a href=\"b.html\">b</a> <a href=\"../outside.html\">o</a> "
         "<a href=\"private.html\">p</a> <a href=\"frames.html\">f</a> "
         "<a href=\"notes.txt\">t</a> <a href=\"gone.html\">g</a> <a href=\"c.html#s\">c</a>");
    page("/docs/c.html", "<p id=\"s\">section</p>");
    page("/docs/a.html", "<a href=\"b.html\">b</a> <a href=\"./\">home</a> <a href=\"#x\">x</a>");
    page("/docs/b.html", "<a href=\"a.html#x\">a</a>");
    page("/docs/inframe.html", "<p>only a frame leads here</p>");
    page("/docs/private.html", "<p>kept out</p>");
    page("/outside.html", "<a href=\"docs/private.html\">p</a>");
    server.server().Get("/docs/frames.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><frameset cols=\"50%,50%\"><frame src=\"inframe.html\"><frame src=\"b.html\">"
          "</frameset></html>",
          "text/html");
    });
    server.server().Get("/docs/notes.txt", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("plain", "text/plain");
    });
    server.server().Get("/docs/gone.html",
                        [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    server.server().Get("/sitemap.xml", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<?xml version=\"1.0\"?><urlset "
          "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>" +
              server.Url("/docs/b.html") + "</loc></url><url><loc>" + server.Url("/outside.html") +
              "</loc></url></urlset>",
          "application/xml");
    });
    server.Start();
  }

  // The entries of the run's summary report, in order.
  std::vector<std::string> SummaryEntries(const Child& r) {
    std::vector<std::string> entries;
    const std::string label = "Summary report: ";
    const std::size_t at = r.out.find(label);
    if (at == std::string::npos) return entries;
    std::string summary;
    if (!ReadFileBytes(Trim(r.out.substr(at + label.size())), summary)) return entries;
    const std::string site = server.Url("");
    for (std::size_t p = summary.find(">" + site); p != std::string::npos;
         p = summary.find(">" + site, p + 1)) {
      const std::size_t end = summary.find("</A>", p);
      if (end != std::string::npos)
        entries.push_back(summary.substr(p + 1 + site.size(), end - p - 1 - site.size()));
    }
    return entries;
  }

  testing::LoopbackServer server;
};

TEST_F(CliSiteTest, CrawlChecksEveryPageBelowTheStartOnce) {
  struct Case {
    const char* name;
    const char* settings;  // [OPT] lines added
    std::vector<std::string> pages;
  };
  const std::vector<Case> cases = {
      {"NoLimit",
       "",
       {"/docs/", "/docs/a.html", "/docs/b.html", "/docs/frames.html", "/docs/c.html",
        "/docs/inframe.html"}},
      {"OneLevel",
       "DEPTH=1\r\n",
       {"/docs/", "/docs/a.html", "/docs/b.html", "/docs/frames.html", "/docs/c.html"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    home.Write("vexalorn.ini", std::string("[OPT]\r\nVER=2.6\r\n") + c.settings);
    const int anchorPageHits = server.Hits("/docs/c.html");
    const Child r = Run({"-s:1", server.Url("/docs/*")});
    EXPECT_EQ(r.status, 1) << r.err << r.out;  // the missing page is a broken link
    EXPECT_EQ(SummaryEntries(r), c.pages) << r.out;
    // The probe and the page read for its anchor, which its own check takes.
    EXPECT_EQ(server.Hits("/docs/c.html") - anchorPageHits, 2);
  }
  // Links out of the folder and kept out by robots.txt are probed, never crawled.
  EXPECT_GE(server.Hits("/outside.html"), 1);
  EXPECT_GE(server.Hits("/docs/private.html"), 1);
}

TEST_F(CliSiteTest, SitemapChecksItsPages) {
  const Child r = Run({"-s:1", server.Url("/sitemap.xml")});
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(SummaryEntries(r), (std::vector<std::string>{"/docs/b.html", "/outside.html"}));
}

// --- Findings and the JSON report ---------------------------------------------

// A page with one link of every kind of finding, and a good one.
class FindingsTest : public CliProgramTest {
 protected:
  void SetUp() override {
    server.server().Get("/index.html", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body><a href=\"good.html\">g</a> <a href=\"gone.html\">n</a> "
          "<a href=\"err.html\">e</a> <a href=\"" +
              Refused() +
              "\">r</a> "
              "<a href=\"good.html#nowhere\">a</a> <a href=\"old.html\">o</a>"
              "</body></html>",
          "text/html");
    });
    server.server().Get("/good.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body><p id=\"here\">x</p></body></html>", "text/html");
    });
    server.server().Get("/err.html", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content("oops", "text/plain");
    });
    server.server().Get("/old.html", [this](const httplib::Request&, httplib::Response& res) {
      res.set_redirect(server.Url("/good.html"));
    });
    server.Start();
  }
  // Port 1 of the loopback: nobody listens there.
  static std::string Refused() { return "http://127.0.0.1:1/"; }

  testing::LoopbackServer server;
};

TEST_F(FindingsTest, ListsEveryProblemLinkWithItsReasonInBothLanguages) {
  struct Case {
    const char* language;
    std::vector<std::string> lines;
  };
  const std::string good = server.Url("/good.html");
  const std::vector<Case> cases = {
      {"-s:1",
       {"Page: " + server.Url("/index.html") + " (<6>(NG)3R1)",
        "  (NG)  " + server.Url("/gone.html") + "  [404 Not Found]",
        "  (NG)  " + server.Url("/err.html") + "  [500 Internal Server Error]",
        "  (XOpenUrl Error:12029X)  " + Refused() + "  [connection refused]",
        "  #NG#  " + good + "#nowhere  [no anchor \"nowhere\"]",
        "  R-(OK)  " + server.Url("/old.html") + "  [redirected to " + good + "]",
        "Result page: "}},
      {"-s:0",
       {"ページ: " + server.Url("/index.html") + " (<6>×3R1)",
        "  ×  " + server.Url("/gone.html") + "  [404 Not Found]",
        "  ×  " + server.Url("/err.html") + "  [500 Internal Server Error]",
        "  (XOpenUrl Error:12029X)  " + Refused() + "  [接続を拒否されました]",
        "  #×  " + good + "#nowhere  [アンカー「nowhere」がありません]",
        "  R-◎  " + server.Url("/old.html") + "  [転送先 " + good + "]", "結果ページ: "}},
  };
  for (const Case& c : cases) {
    const Child r = Run({c.language, server.Url("/index.html")});
    EXPECT_EQ(r.status, 1) << r.err;
    // The lines stand in this order, one after the other.
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
      const std::size_t found = r.out.find(line + (line.ends_with(": ") ? "" : "\n"), at);
      EXPECT_NE(found, std::string::npos) << c.language << " lacks: " << line << "\n" << r.out;
      if (found != std::string::npos) at = found;
    }
    EXPECT_EQ(r.out.find(good + "  "), std::string::npos) << "good links are not listed";
  }
}

TEST_F(FindingsTest, JsonReportHoldsEveryJudgedLink) {
  const Child r = Run({"-s:1", "--format", "json", server.Url("/index.html")});
  EXPECT_EQ(r.status, 1) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_FALSE(doc.is_discarded()) << r.out;
  EXPECT_EQ(doc["version"], 1);
  EXPECT_EQ(doc["run"]["target"], server.Url("/index.html"));
  EXPECT_EQ(doc["run"]["exitStatus"], 1);
  EXPECT_EQ(doc["run"]["language"], "en");
  EXPECT_EQ(doc["run"]["pageType"], "S-Page");
  EXPECT_TRUE(doc["run"]["summaryReport"].is_null());
  ASSERT_EQ(doc["pages"].size(), 1u);
  const nlohmann::json& page = doc["pages"][0];
  EXPECT_EQ(page["rating"], "<6>(NG)3R1");
  EXPECT_EQ(page["title"], " 6links X:3 R:1 )) ");
  EXPECT_EQ(page["counts"]["broken"], 3);
  std::string annotated;
  EXPECT_TRUE(ReadFileBytes(page["resultPage"].get<std::string>(), annotated));

  struct Expect {
    std::string address;
    const char* mark;
    nlohmann::json status;
    nlohmann::json flags;
    nlohmann::json error;
    nlohmann::json reached;
  };
  const std::string good = server.Url("/good.html");
  const std::vector<Expect> expected = {
      {good, "(OK)", 200, nlohmann::json::array(), nullptr, nullptr},
      {server.Url("/gone.html"), "(NG)", 404, {"broken"}, nullptr, nullptr},
      {server.Url("/err.html"), "(NG)", 500, {"broken"}, nullptr, nullptr},
      {Refused(), "(XOpenUrl Error:12029X)", nullptr, {"broken"}, "connection refused", nullptr},
      {good + "#nowhere", "#NG#", 200, nlohmann::json::array(), nullptr, nullptr},
      {server.Url("/old.html"), "R-(OK)", 200, {"redirected"}, nullptr, good},
  };
  const nlohmann::json& links = page["links"];
  ASSERT_EQ(links.size(), expected.size()) << links.dump(1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Expect& e = expected[i];
    const nlohmann::json& link = links[i];
    EXPECT_EQ(link["address"], e.address);
    EXPECT_EQ(link["mark"], e.mark) << e.address;
    EXPECT_EQ(link["status"], e.status) << e.address;
    EXPECT_EQ(link["flags"], e.flags) << e.address;
    EXPECT_EQ(link["error"], e.error) << e.address;
    EXPECT_EQ(link["reached"], e.reached) << e.address;
    EXPECT_EQ(link["problem"], i != 0) << e.address;
    EXPECT_TRUE(link["ms"].is_number()) << e.address;
  }
  EXPECT_EQ(links[4]["anchor"], "nowhere");
}

// Ctrl-C while a batch entry's links are walked: the page is saved with the
// cancel title and listed with the pages before it.
TEST_F(CliProgramTest, InterruptWhileWalkingListsTheCancelledPage) {
  testing::LoopbackServer server;
  std::atomic<bool> asked{false};
  server.server().Get("/slow.html", [&](const httplib::Request&, httplib::Response& res) {
    asked = true;
    server.HangUntilStopped(20000);
    res.set_content("late", "text/plain");
  });
  server.Start();
  site.Write("a.html", "<html><body><p>first</p></body></html>\n");
  site.Write("b.html",
             "<html><body><a href=\"" + server.Url("/slow.html") + "\">s</a></body></html>\n");
  site.Write("list.bchk", "[vexalorn batch file]\na.html\nb.html\n");
  const pid_t pid = Spawn({"-s:1", "list.bchk"}, site.path());
  for (int i = 0; i < 1000 && !asked; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(asked) << "the slow link was never asked for";
  kill(pid, SIGINT);
  const Child r = Wait(pid);
  server.Stop();
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.out.find("Page: " + (site / "b.html") + " (cancelled)"), std::string::npos) << r.out;
  std::vector<std::string> pages;
  const std::string label = "Result page: ";
  for (std::size_t at = r.out.find(label); at != std::string::npos;
       at = r.out.find(label, at + 1)) {
    pages.push_back(r.out.substr(at + label.size(), r.out.find('\n', at) - at - label.size()));
  }
  ASSERT_EQ(pages.size(), 2u) << r.out;
  std::string cancelled;
  ASSERT_TRUE(ReadFileBytes(pages[1], cancelled));
  EXPECT_NE(cancelled.find("Check Canceled !!!"), std::string::npos);
}

// Without a terminal, each entry of a batch is announced with its own phase.
TEST_F(CliProgramTest, PlainProgressLinesNameEachEntrysOwnPhase) {
  site.Write("a.html", "<html><body><a href=\"b.html\">b</a></body></html>\n");
  site.Write("b.html", "<html><body><p>b</p></body></html>\n");
  site.Write("list.bchk", "[vexalorn batch file]\na.html\nb.html\n");
  const Child r = Run({"-s:1", "list.bchk"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string b = site / "b.html";
  std::vector<std::string> aboutB;
  for (const std::string& line : SplitLines(r.err)) {
    if (line.ends_with(b)) aboutB.push_back(line);
  }
  ASSERT_GE(aboutB.size(), 2u) << r.err;
  // Not "On Checking", the phase where the first entry ended.
  EXPECT_EQ(aboutB[0], "On Batch-Process<2/2> " + b) << r.err;
  EXPECT_TRUE(aboutB[1].starts_with("On Batch-Process<2/2> On pre-Process")) << r.err;
}

// Ctrl-C while the second entry's page is loading: the batch ends with the
// summary of the first entry and the cancelled end time. A stop from the
// session (SIGTERM) or a closed terminal (SIGHUP) is a Ctrl-C too.
TEST_F(CliProgramTest, InterruptWhileLoadingEndsTheBatchWithASummary) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    testing::LoopbackServer server;
    std::atomic<bool> asked{false};
    server.server().Get("/slow.html", [&](const httplib::Request&, httplib::Response& res) {
      asked = true;
      server.HangUntilStopped(20000);
      res.set_content("<html><body></body></html>", "text/html");
    });
    server.Start();
    site.Write("a.html", "<html><body><p>first</p></body></html>\n");
    site.Write("list.bchk", "[vexalorn batch file]\na.html\n" + server.Url("/slow.html") + "\n");
    const pid_t pid = Spawn({"-s:1", "list.bchk"}, site.path());
    // The page is asked for ahead, perhaps while the first entry is still
    // read: the signal comes once the second entry's load has begun.
    const auto loadingSecond = [&] {
      std::string err;
      return asked && ReadFileBytes(errPath, err) && err.find("<2/2>") != std::string::npos;
    };
    for (int i = 0; i < 1000 && !loadingSecond(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(loadingSecond()) << "the slow page was never loaded";
    kill(pid, sig);
    const Child r = Wait(pid);
    server.Stop();
    EXPECT_EQ(r.status, 2) << r.err << " signal " << sig;
    const std::string label = "Summary report: ";
    const std::size_t at = r.out.find(label);
    ASSERT_NE(at, std::string::npos) << r.out << r.err << " signal " << sig;
    std::string summary;
    ASSERT_TRUE(ReadFileBytes(Trim(r.out.substr(at + label.size())), summary));
    EXPECT_NE(summary.find("Canceled"), std::string::npos);
    EXPECT_NE(summary.find(site / "a.html"), std::string::npos);
    EXPECT_EQ(summary.find("slow.html\""), std::string::npos) << "the cancelled entry has no row";
  }
}

// The next page of a batch, read ahead, hangs: the links of the page being
// walked on the same host are still asked for meanwhile, not after it.
TEST_F(CliProgramTest, PageReadAheadThatHangsDoesNotHoldTheWalkBack) {
  testing::LoopbackServer server;
  std::atomic<int> linksAsked{0};
  std::atomic<bool> walkedMeanwhile{false};
  server.server().Get("/one.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body><a href=\"/a.html\">a</a> <a href=\"/b.html\">b</a></body></html>",
                    "text/html");
  });
  server.server().Get(R"(/[ab]\.html)", [&](const httplib::Request&, httplib::Response& res) {
    ++linksAsked;
    res.set_content("<html></html>", "text/html");
  });
  server.server().Get("/two.html", [&](const httplib::Request&, httplib::Response& res) {
    for (int i = 0; i < 1000 && linksAsked < 2; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    walkedMeanwhile = linksAsked >= 2;
    res.set_content("<html><body>two</body></html>", "text/html");
  });
  server.Start();
  site.Write("list.bchk", "[vexalorn batch file]\n" + server.Url("/one.html") + "\n" +
                              server.Url("/two.html") + "\n");
  const Child r = Run({"-s:1", "list.bchk"});
  server.Stop();
  EXPECT_TRUE(walkedMeanwhile) << r.out << r.err;
  EXPECT_EQ(server.Hits("/two.html"), 1) << "the page read ahead is the one loaded";
}

// Copies started at once on a fresh settings folder: one makes the file,
// the others migrate it, and none sees it half-written (which lost the
// lists of the defaults for good).
TEST_F(CliProgramTest, CopiesStartedAtOnceKeepTheSettingsWhole) {
  const std::string ini = home / "vexalorn.ini";
  (void)Wait(Spawn({"--help"}, site.path()));
  (void)Wait(Spawn({"--help"}, site.path()));
  std::string expected;
  ASSERT_TRUE(ReadFileBytes(ini, expected));
  ASSERT_NE(expected.find("VER=2.6"), std::string::npos) << expected;
  for (int round = 0; round < 8; ++round) {
    std::filesystem::remove(ini);
    std::vector<pid_t> copies;
    for (int i = 0; i < 8; ++i) copies.push_back(Spawn({"--help"}, site.path()));
    for (pid_t pid : copies) (void)Wait(pid);
    (void)Wait(Spawn({"--help"}, site.path()));
    std::string settings;
    ASSERT_TRUE(ReadFileBytes(ini, settings));
    EXPECT_EQ(settings, expected) << "round " << round;
  }
}

// --- Hostile pages ------------------------------------------------------------

// Scripts and event handlers of a page's parse, each counted.
std::multiset<std::string> ScriptsAndHandlers(const std::string& markup) {
  std::multiset<std::string> found;
  auto doc = html::Document::Parse(markup, "");
  const html::Collection all = doc->getElementsByTagName("*");
  for (std::size_t i = 0; i < all.length(); ++i) {
    const html::Node* n = all.item(i).node();
    if (n->IsHtml("script")) found.insert("<script>" + all.item(i).text());
    for (const html::Attribute& a : n->attributes) {
      if (a.name.starts_with("on")) found.insert(a.name + "=" + a.value);
    }
  }
  return found;
}

struct HostileCase {
  const char* name;
  const char* page;
  // Where the page lies: a served path ("/..."), else a local file name.
  const char* where;
};

class CliHostilePageTest : public CliProgramTest,
                           public ::testing::WithParamInterface<HostileCase> {};

// The result page, read by an HTML parser, runs nothing the page did not.
TEST_P(CliHostilePageTest, ResultPageRunsNothingNew) {
  const HostileCase& c = GetParam();
  testing::LoopbackServer server;
  server.server().Get(".*", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(c.page, "text/html");
  });
  std::string target = c.where;
  if (target.starts_with("/")) {
    server.Start();
    target = server.Url(target);
  } else {
    site.Write(target, c.page);
  }
  const Child r = Run({"-s:1", target});
  server.Stop();
  const std::string label = "Result page: ";
  const std::size_t at = r.out.find(label);
  ASSERT_NE(at, std::string::npos) << r.out << r.err;
  std::string result;
  ASSERT_TRUE(ReadFileBytes(
      Trim(r.out.substr(at + label.size(), r.out.find('\n', at) - at - label.size())), result));
  const auto before = ScriptsAndHandlers(c.page);
  const auto after = ScriptsAndHandlers(result);
  EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end())) << result;
}

constexpr const char* kBogusEndTag =
    "<html><body><p></><x title=\"><img src=x onerror=alert(73)>\" a=></p>"
    "<a href=\"b.html\">b</a></body></html>";
constexpr const char* kHostileBase =
    "<html><head><base href=\"http://127.0.0.1:9/"
    "x&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\"></head><body><a href=\"b.html\">b</a>"
    "</body></html>";
constexpr const char* kPlainPage = "<html><body><a href=\"b.html\">b</a></body></html>";

INSTANTIATE_TEST_SUITE_P(Pages, CliHostilePageTest,
                         ::testing::Values(HostileCase{"ServedBogusEndTag", kBogusEndTag,
                                                       "/p.html"},
                                           HostileCase{"LocalBogusEndTag", kBogusEndTag, "p.html"},
                                           HostileCase{"ServedBase", kHostileBase, "/p.html"},
                                           HostileCase{"LocalBase", kHostileBase, "p.html"},
                                           HostileCase{"ServedAddress", kPlainPage,
                                                       "/a\"><script>alert(1)</script>/page.html"},
                                           HostileCase{"LocalName", kPlainPage,
                                                       "x\"><img src=x onerror=alert(1)>.html"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vex::cli
