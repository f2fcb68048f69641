// Page preparation end to end: fixture pages loaded over loopback or from
// disk and prepared into WorkLines, compared with expected files; the frame
// choice; and the ways a preparation ends early.
//
// Expected files may hold placeholders: @ORIGIN@ (the loopback server's
// "http://127.0.0.1:port"), @CASEURL@ (the case folder as a file:/// address),
// @CASEDIR@ (the case folder's path) and a line @HEADER@ (the header block).
// Rebaseline: run with VEXALORN_REBASELINE=1 and review the diff of the
// expected.txt files.
#include "preparation/page_preparation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/fake_http_client.h"
#include "context/app.h"
#include "context/browser.h"
#include "context/file_address.h"
#include "context/texts.h"
#include "links/header_block.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "support/loopback_server.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

[[maybe_unused]] ::testing::Environment* const kNoProxy =
    ::testing::AddGlobalTestEnvironment(new testing::LoopbackOnlyEnvironment);

std::string CaseDir(const std::string& name) {
  return std::string(VEXALORN_FIXTURES) + "/prepared/" + name;
}

std::string ReadFixture(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

std::string ProgressText(int charMode, const std::string& step) {
  return (charMode == 0 ? std::string(" 初期処理中 ") : std::string("On pre-Process")) + step;
}

// Every test app shares this: the header block of the default home site beside
// the build, which needs no network.
void SetUpApp(App& app) {
  app.state.DataFolder = std::string(VEXALORN_BUILD_DIR) + "/";
}

// The header block a first preparation inserts: built by a fresh app in the
// same set-up.
LineList FirstHeaderBlock() {
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
  SetUpApp(app);
  BuildHeaderBlock(app);
  return app.HeaderBlock();
}

struct Placeholders {
  std::string origin;
  std::string caseUrl;
  std::string caseDir;
  LineList header;
};

LineList ExpandExpected(const LineList& lines, const Placeholders& p) {
  LineList out;
  for (const std::string& line : lines) {
    if (line == "@HEADER@") {
      out.insert(out.end(), p.header.begin(), p.header.end());
      continue;
    }
    std::string l = ReplaceAll(line, "@ORIGIN@", p.origin);
    l = ReplaceAll(l, "@CASEURL@", p.caseUrl);
    out.push_back(ReplaceAll(l, "@CASEDIR@", p.caseDir));
  }
  return out;
}

// The reverse, for rebaselining.
LineList FoldActual(const LineList& lines, const Placeholders& p) {
  LineList out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!p.header.empty() && i + p.header.size() <= lines.size() &&
        std::equal(p.header.begin(), p.header.end(), lines.begin() + static_cast<long>(i))) {
      out.push_back("@HEADER@");
      i += p.header.size() - 1;
      continue;
    }
    std::string l = lines[i];
    if (!p.origin.empty()) l = ReplaceAll(l, p.origin, "@ORIGIN@");
    l = ReplaceAll(l, p.caseUrl, "@CASEURL@");
    out.push_back(ReplaceAll(l, p.caseDir, "@CASEDIR@"));
  }
  return out;
}

void ExpectPrepared(const std::string& name, const LineList& actual, const Placeholders& p) {
  const std::string expectedPath = CaseDir(name) + "/expected.txt";
  if (std::getenv("VEXALORN_REBASELINE")) {
    ASSERT_TRUE(SaveLines(expectedPath, FoldActual(actual, p)));
  }
  LineList expected;
  ASSERT_TRUE(LoadLines(expectedPath, expected)) << expectedPath;
  EXPECT_EQ(actual, ExpandExpected(expected, p)) << "case " << name;
}

// ---- preparations over loopback and from disk -------------------------------

class PreparationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpApp(app);
    server.server().Get(R"(/(\w+)/input\.html)",
                        [](const httplib::Request& req, httplib::Response& res) {
                          const std::string page = CaseDir(req.matches[1]) + "/input.html";
                          std::string bytes;
                          if (!ReadFileBytes(page, bytes)) {
                            res.status = 404;
                            return;
                          }
                          res.set_content(bytes, "text/html");
                        });
    server.Start();
    // The wait pauses on the manual clock; the transfer needs a few real
    // milliseconds, given on every event of the front end.
    ui.onEvents = [this] { (void)client->Poll(5); };
  }

  Placeholders PlaceholdersFor(const std::string& name) {
    return {server.Url(""), FileAddressForPath(CaseDir(name)), CaseDir(name), FirstHeaderBlock()};
  }

  // The server outlives the client, whose kept-alive connections it would
  // otherwise wait for when it stops.
  testing::LoopbackServer server;
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  std::unique_ptr<http::Client> client = http::MakeCurlClient(clock);
  App app{ui, clock, *client};
};

struct PreparedCase {
  const char* name;
  bool served;        // over loopback, else the local file
  const char* query;  // appended to a served page's address
  const char* markFontTag;
  int noHeaderBlock;  // local pages, and a BODY tag hidden in the HEAD line
};

class PreparedPageTest : public PreparationTest,
                         public ::testing::WithParamInterface<PreparedCase> {};

TEST_P(PreparedPageTest, BuildsTheExpectedWorkLines) {
  const PreparedCase& c = GetParam();
  const std::string target = c.served
                                 ? server.Url(std::string("/") + c.name + "/input.html") + c.query
                                 : CaseDir(c.name) + "/input.html";
  app.state.CurrentTarget = target;
  app.state.MarkFontTag = "<FONT color=#123456>";  // left from an earlier page

  ASSERT_EQ(x_GetHtml(app, target), kGetHtmlPrepared) << app.PageBrowser.get();
  ExpectPrepared(c.name, app.state.WorkLines, PlaceholdersFor(c.name));
  EXPECT_EQ(app.state.MarkFontTag, c.markFontTag);
  EXPECT_EQ(app.state.NoHeaderBlock, c.noHeaderBlock);
  EXPECT_TRUE(app.HeaderBlock().empty());
  EXPECT_EQ(app.PageBrowser, nullptr);
  EXPECT_EQ(app.main.Edit3, target);
  EXPECT_EQ(app.progress.st1_ProBar1.position, 25);
  EXPECT_EQ(app.progress.Label1, ProgressText(0, "(write Html)."));
  EXPECT_TRUE(ui.frameChoices.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PreparedPageTest,
    ::testing::Values(PreparedCase{"web_base_query", true, "?q=1&r=2", "", 0},
                      PreparedCase{"local_file", false, "", "<FONT color=#909090>", 1},
                      PreparedCase{"euc_jp_meta", true, "", "", 0},
                      PreparedCase{"head_body_one_line", true, "", "<FONT color=#909090>", 1},
                      PreparedCase{"body_three_lines", true, "", "<FONT color=#000000>", 0}),
    [](const ::testing::TestParamInfo<PreparedCase>& info) { return info.param.name; });

TEST_F(PreparationTest, PageBaseAndQueryDecideTheBaseAddress) {
  // The page's own BASE wins over the target; without one the target is
  // used, cut before its query.
  const std::string withBase = server.Url("/web_base_query/input.html?q=1");
  app.state.CurrentTarget = withBase;
  ASSERT_EQ(x_GetHtml(app, withBase), kGetHtmlPrepared);
  EXPECT_EQ(app.main.Edit2, "http://127.0.0.1/docs/");

  const std::string without = server.Url("/euc_jp_meta/input.html?lang=ja");
  app.state.CurrentTarget = without;
  ASSERT_EQ(x_GetHtml(app, without), kGetHtmlPrepared);
  EXPECT_EQ(app.main.Edit2, server.Url("/euc_jp_meta/input.html"));
}

TEST_F(PreparationTest, LocalPageGetsTheFileAddressOfItsPathAsBase) {
  // Blanks and "#" in a folder name would otherwise cut the saved copy's
  // base, and its relative links would resolve elsewhere.
  testing::TempDir dir;
  const std::string page =
      dir.Write("a b#c/page.html", ReadFixture(CaseDir("local_file") + "/input.html"));
  app.state.CurrentTarget = page;
  ASSERT_EQ(x_GetHtml(app, page), kGetHtmlPrepared);
  const std::string expected = "file://" + dir.path().string() + "/a%20b%23c/page.html";
  EXPECT_EQ(app.main.Edit2, expected);
  EXPECT_NE(std::find(app.state.WorkLines.begin(), app.state.WorkLines.end(),
                      "<BASE HREF=\"" + expected + "\">"),
            app.state.WorkLines.end());

  // Typed as a file address, the target becomes its path and the BASE the
  // same address again.
  const std::string spaced =
      dir.Write("x y/page.html", ReadFixture(CaseDir("local_file") + "/input.html"));
  app.state.CurrentTarget = "file://" + ReplaceAll(spaced, " ", "%20");
  ASSERT_EQ(x_GetHtml(app, ""), kGetHtmlPrepared);
  EXPECT_EQ(app.state.CurrentTarget, spaced);
  EXPECT_EQ(app.main.Edit2, "file://" + dir.path().string() + "/x%20y/page.html");
}

TEST_F(PreparationTest, PageThatDoesNotComeIsNoPageToRate) {
  httplib::Server& h = server.server();
  h.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  h.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content("<html><body><a href=\"/x\">x</a></body></html>", "text/html");
  });
  h.Get("/loop",
        [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
  const struct {
    std::string target;
    std::string failure;  // how TargetLoadFailure begins
  } rows[] = {
      {server.Url("/missing"), "HTTP 404"},
      {server.Url("/broken"), "HTTP 500"},
      {server.Url("/loop"), "OpenUrl Error:12156"},
      {"http://127.0.0.1:1/", "OpenUrl Error:12029"},
  };
  for (const auto& row : rows) {
    app.state.CurrentTarget = row.target;
    EXPECT_EQ(x_GetHtml(app, row.target), kGetHtmlLoadFailed) << row.target;
    EXPECT_TRUE(StartsWith(app.state.TargetLoadFailure, row.failure))
        << row.target << ": " << app.state.TargetLoadFailure;
    EXPECT_TRUE(app.state.WorkLines.empty());
    EXPECT_EQ(app.PageBrowser, nullptr);
  }
  // The next page that comes is prepared, with nothing left of the failure.
  const std::string good = server.Url("/euc_jp_meta/input.html");
  app.state.CurrentTarget = good;
  EXPECT_EQ(x_GetHtml(app, good), kGetHtmlPrepared);
  EXPECT_EQ(app.state.TargetLoadFailure, "");
}

TEST_F(PreparationTest, RedirectedPageTakesTheAddressReachedAsBase) {
  httplib::Server& h = server.server();
  h.Get("/dir",
        [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/dir/", 301); });
  h.Get("/dir/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><head></head><body><a href=\"a.html\">a</a></body></html>", "text/html");
  });
  const std::string target = server.Url("/dir");
  app.state.CurrentTarget = target;
  ASSERT_EQ(x_GetHtml(app, target), kGetHtmlPrepared);
  EXPECT_EQ(app.main.Edit2, server.Url("/dir/"));
}

TEST_F(PreparationTest, KeepsTheDoctypeAndDropsTheHelpViewerMeta) {
  server.server().Get("/old", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
        "\"http://www.w3.org/TR/html4/loose.dtd\">\n<html><head>\n"
        "<META content=ReadmeVB name=MS-HAID>\n<meta name='ms-haid' content='readmevb'>\n"
        "<meta name=\"MS-HAID\" content=\"other\">\n</head><body>x</body></html>",
        "text/html");
  });
  const std::string target = server.Url("/old");
  app.state.CurrentTarget = target;
  ASSERT_EQ(x_GetHtml(app, target), kGetHtmlPrepared);
  ASSERT_FALSE(app.state.WorkLines.empty());
  EXPECT_EQ(app.state.WorkLines.front(),
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
            "\"http://www.w3.org/TR/html4/loose.dtd\">");
  const std::string page = JoinLines(app.state.WorkLines);
  EXPECT_FALSE(Contains(UpperAscii(page), "READMEVB")) << page;
  EXPECT_TRUE(Contains(page, "content=\"other\"")) << page;
}

TEST_F(PreparationTest, ShowsEveryStepInTheProgressWindow) {
  // What the progress window shows whenever events run, without repeats.
  std::vector<std::pair<int, std::string>> shown;
  ui.onEvents = [this, &shown] {
    (void)client->Poll(5);
    std::pair<int, std::string> now{app.progress.st1_ProBar1.position, app.progress.Label1};
    if (shown.empty() || shown.back() != now) shown.push_back(now);
  };
  const std::string page = CaseDir("local_file") + "/input.html";
  app.state.CurrentTarget = page;
  ASSERT_EQ(x_GetHtml(app, page), kGetHtmlPrepared);
  ASSERT_GE(shown.size(), 2u);
  const std::vector<std::pair<int, std::string>> lastTwo(shown.end() - 2, shown.end());
  EXPECT_EQ(lastTwo,
            (std::vector<std::pair<int, std::string>>{{4, ProgressText(0, "(read Html).")},
                                                      {15, ProgressText(0, "(select tag).")}}));
  EXPECT_EQ(app.progress.st1_ProBar1.position, 25);
}

struct LostCase {
  const char* name;
  int losses;  // times the browser is lost during a wait
  int result;
};

class LostBrowserTest : public PreparationTest, public ::testing::WithParamInterface<LostCase> {};

TEST_P(LostBrowserTest, OneLossIsLoadedAgain) {
  const LostCase& c = GetParam();
  int losses = 0;
  ui.onEvents = [this, &losses, &c] {
    (void)client->Poll(5);
    if (losses < c.losses && app.PageBrowser &&
        app.progress.Label1 == ProgressText(0, "(read Html).")) {
      ++losses;
      app.PageBrowser->Quit();
    }
  };
  const std::string page = CaseDir("local_file") + "/input.html";
  app.state.CurrentTarget = page;
  const std::int64_t start = clock.NowMs();
  EXPECT_EQ(x_GetHtml(app, page), c.result);
  EXPECT_EQ(losses, c.losses);
  EXPECT_GE(clock.NowMs() - start, 1000 * c.losses);  // the wait's pause after each loss
  EXPECT_EQ(app.PageBrowser, nullptr);
  EXPECT_EQ(app.state.SourceLines.empty(), c.result != kGetHtmlPrepared);
}

INSTANTIATE_TEST_SUITE_P(Losses, LostBrowserTest,
                         ::testing::Values(LostCase{"once", 1, kGetHtmlPrepared},
                                           LostCase{"twice", 2, kGetHtmlNotLoaded}),
                         [](const ::testing::TestParamInfo<LostCase>& info) {
                           return info.param.name;
                         });

// ---- frame sets -------------------------------------------------------------

class FramesetTest : public PreparationTest {
 protected:
  void SetUp() override {
    PreparationTest::SetUp();
    app.state.CurrentTarget = page;
    app.main.Edit1 = page;
    app.progress.visible = true;
  }
  const std::string page = CaseDir("frameset") + "/input.html";
  const LineList entries{CaseDir("frameset") + "/menu.html",
                         CaseDir("frameset") + "/sub/main.html?x=1",
                         CaseDir("frameset") + "/inline.html"};
};

TEST_F(FramesetTest, ExplicitTargetNeverShowsTheChooser) {
  ui.frameResults.push_back(0);
  ASSERT_EQ(x_GetHtml(app, page), kGetHtmlPrepared);
  EXPECT_TRUE(ui.frameChoices.empty());
  EXPECT_EQ(app.state.FrameUrls, entries);
  ExpectPrepared("frameset", app.state.WorkLines, PlaceholdersFor("frameset"));
}

TEST_F(FramesetTest, ChosenFrameBecomesTheTarget) {
  ui.frameResults.push_back(1);
  EXPECT_EQ(x_GetHtml(app, ""), kGetHtmlFrameChosen);
  ASSERT_EQ(ui.frameChoices.size(), 1u);
  EXPECT_EQ(ui.frameChoices[0], entries);
  EXPECT_EQ(app.state.CurrentTarget, entries[1]);
  EXPECT_EQ(app.main.Edit1, entries[1]);
  EXPECT_FALSE(app.progress.visible);
  EXPECT_TRUE(app.state.WorkLines.empty());
  EXPECT_EQ(app.PageBrowser, nullptr);
}

TEST_F(FramesetTest, ClosedChooserPreparesTheFrameset) {
  app.progress.Label2 = "old";
  EXPECT_EQ(x_GetHtml(app, ""), kGetHtmlPrepared);
  EXPECT_EQ(ui.frameChoices.size(), 1u);
  EXPECT_EQ(app.state.CurrentTarget, page);
  EXPECT_EQ(app.main.Edit1, page);
  EXPECT_TRUE(app.progress.visible);
  EXPECT_TRUE(app.progress.Label2.empty());
  ExpectPrepared("frameset", app.state.WorkLines, PlaceholdersFor("frameset"));
}

TEST_F(FramesetTest, FrameWithoutAddressIsNamedByItsNumber) {
  testing::TempDir dir;
  const std::string local =
      dir.Write("f.html",
                "<html><head><title>f</title></head><frameset><frame name=a><frame src=\"b.html\">"
                "</frameset></html>");
  app.state.CurrentTarget = local;
  ASSERT_EQ(x_GetHtml(app, local), kGetHtmlPrepared);
  EXPECT_EQ(app.state.FrameUrls, (LineList{"Frame1 VarEmpty", dir / "b.html"}));
}

TEST_F(PreparationTest, InlineFramesAloneNeverShowTheChooser) {
  testing::TempDir dir;
  const std::string local = dir.Write("i.html",
                                      "<html><head><title>i</title></head><body><iframe></iframe>"
                                      "<iframe src=\"x.html\"></iframe></body></html>");
  app.state.CurrentTarget = local;
  ASSERT_EQ(x_GetHtml(app, ""), kGetHtmlPrepared);
  EXPECT_TRUE(ui.frameChoices.empty());
  EXPECT_EQ(app.state.FrameUrls, (LineList{"IFrame1 VarEmpty", dir / "x.html"}));
}

// ---- early endings ----------------------------------------------------------

class EarlyEndTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUpApp(app); }
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  testing::FakeHttpClient http;
  App app{ui, clock, http};
};

TEST_F(EarlyEndTest, InvalidTargetEndsBeforeAnyBrowser) {
  app.state.FrameUrls = {"stale"};
  app.state.WorkLines = {"stale"};
  for (const std::string& target : {std::string(""), std::string("/no/such/page.html"),
                                    std::string("ftp://127.0.0.1/a.html")}) {
    app.state.CurrentTarget = target;
    EXPECT_EQ(x_GetHtml(app, target), kGetHtmlBadTarget) << target;
    EXPECT_EQ(app.state.SourceLines, (LineList{"addr errer(" + target + ")"}));
    EXPECT_TRUE(app.state.FrameUrls.empty());
    EXPECT_TRUE(app.state.WorkLines.empty());
    EXPECT_EQ(app.PageBrowser, nullptr);
    EXPECT_TRUE(app.main.Edit3.empty());
  }
}

// A target that is a device or a FIFO is refused with a message, not checked
// as an empty page.
TEST_F(EarlyEndTest, UnreadableLocalTargetIsReported) {
  testing::TempDir dir;
  const std::string fifo = dir / "pipe.html";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& target : {std::string("file:///dev/zero"), fifo}) {
    ui.messages.clear();
    app.state.CurrentTarget = target;
    EXPECT_EQ(x_GetHtml(app, target), kGetHtmlBadTarget) << target;
    EXPECT_EQ(ui.messages, (std::vector<std::string>{std::string(texts::TxtCannotRead[0]) + "(" +
                                                     target + ")"}));
    EXPECT_TRUE(app.state.WorkLines.empty());
    EXPECT_EQ(app.PageBrowser, nullptr);
  }
}

TEST_F(EarlyEndTest, CancelDuringTheWait) {
  const std::string url = "http://127.0.0.1:1/slow.html";
  http::Response slow;
  slow.status = 200;
  slow.body = "<html><head></head><body></body></html>";
  http.Serve(url, slow, 1000000);
  int events = 0;
  ui.onEvents = [&] {
    if (app.progress.Label1 == ProgressText(1, "(read Html).") && ++events == 3) {
      app.state.CancelFlag = -1;
    }
  };
  app.state.CharMode = 1;
  app.state.CurrentTarget = url;
  EXPECT_EQ(x_GetHtml(app, url), kGetHtmlCancelled);
  EXPECT_EQ(app.PageBrowser, nullptr);
  EXPECT_EQ(app.progress.st1_ProBar1.position, 4);
  EXPECT_TRUE(app.state.WorkLines.empty());
}

TEST_F(EarlyEndTest, PageThatNeverLoads) {
  const std::string url = "http://127.0.0.1:1/never.html";
  http.Serve(url, http::Response{}, 1000000);
  app.state.CurrentTarget = url;
  const std::int64_t start = clock.NowMs();
  EXPECT_EQ(x_GetHtml(app, url), kGetHtmlNotLoaded);
  EXPECT_GE(clock.NowMs() - start, 30000);  // 300 polls of 100 ms
  EXPECT_EQ(app.PageBrowser, nullptr);
  EXPECT_EQ(app.progress.Label1, ProgressText(0, "(read Html)."));
}

// ---- rules ------------------------------------------------------------------

struct ColourCase {
  const char* name;
  const char* text;
  const char* bg;
  const char* tag;
};

class MarkFontTagTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(MarkFontTagTest, FollowsTheBodyColours) {
  const ColourCase& c = GetParam();
  EXPECT_EQ(MarkFontTagFor(c.text, c.bg), c.tag);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, MarkFontTagTest,
    ::testing::Values(
        ColourCase{"black_background", "", "#000000", "<FONT color=#909090>"},
        ColourCase{"white_text_any_case", "#ffFFff", "", "<FONT color=#909090>"},
        ColourCase{"black_on_black", "#000000", "#000000", "<FONT color=#FFFFFF>"},
        ColourCase{"same_colour", "#336699", "#336699", "<FONT color=#000000>"},
        ColourCase{"same_colour_other_case", "#abcdef", "#ABCDEF", "<FONT color=#000000>"},
        ColourCase{"white_on_black", "#ffffff", "#000000", ""},
        ColourCase{"white_text_on_white", "#ffffff", "#ffffff", "<FONT color=#000000>"},
        ColourCase{"none", "", "", ""}, ColourCase{"different", "#000000", "#ffffff", ""}),
    [](const ::testing::TestParamInfo<ColourCase>& info) { return info.param.name; });

TEST(WithCrLfBreaksTest, WritesEveryBreakAsCrLf) {
  EXPECT_EQ(WithCrLfBreaks("a\r\nb\rc\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(WithCrLfBreaks(""), "");
  EXPECT_EQ(WithCrLfBreaks("\r\r\n"), "\r\n\r\n");
}

}  // namespace
}  // namespace vex
