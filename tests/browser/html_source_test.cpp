#include "browser/html_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/browser.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

// Preparation never talks to the network; any use of the client is a fault.
class NoHttpClient final : public http::Client {
 public:
  http::TransferId Start(const http::Request&) override {
    ADD_FAILURE() << "unexpected HTTP transfer";
    return 0;
  }
  bool Poll(int) override { return true; }
  bool Done(http::TransferId) const override { return true; }
  http::Response Take(http::TransferId) override { return {}; }
  void Cancel(http::TransferId) override {}
  void CancelAll() override {}
  std::size_t InFlight() const override { return 0; }
  void SetLimits(int, int) override {}
};

std::string Lines(int n, const std::string& line) {
  std::string out;
  for (int i = 0; i < n; ++i) out += line + "\n";
  return out;
}

// ---- IsHtmlFile ----

struct HtmlFileCase {
  const char* name;
  std::string content;
  bool expected;
};

class IsHtmlFileTest : public ::testing::TestWithParam<HtmlFileCase> {};

TEST_P(IsHtmlFileTest, Answers) {
  testing::TempDir dir;
  const std::string path = dir.Write("page.htm", GetParam().content);
  EXPECT_EQ(IsHtmlFile(path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsHtmlFileTest,
    ::testing::Values(
        HtmlFileCase{"WholeDocumentOnOneLowerCaseLine",
                     "<html><head><title>t</title></head><body>x</body></html>", true},
        HtmlFileCase{"LangFirst", "<HTML lang=ja>\n", true},
        HtmlFileCase{"XmlnsFirst", "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n", true},
        HtmlFileCase{"DirFirstMixedCase", "<Html Dir=rtl>\n", true},
        HtmlFileCase{"ClassFirst", "<html class=\"no-js\">\n", true},
        HtmlFileCase{"VersionFirst", "<html version=\"-//W3C//DTD HTML 3.2//EN\">\n", true},
        HtmlFileCase{"DataAttributeFirst", "<html data-theme=dark>\n", true},
        HtmlFileCase{"BlankBeforeClose", "<html >\n", true},
        HtmlFileCase{"Html5DoctypeWithoutHtmlTag", "<!doctype html>\n<title>t</title>\n<p>x\n",
                     true},
        HtmlFileCase{"LegacyDoctype",
                     "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<title>t</title>\n",
                     true},
        HtmlFileCase{"TagContinuedOnNextLine", "<HTML\n   lang=\"en\">\n", true},
        HtmlFileCase{"TagContinuedWithTab", "<html\t\n\tclass=a>\n", true},
        HtmlFileCase{"CarriageReturnLineEnds", "text\r<html lang=en>\r", true},
        HtmlFileCase{"LongerTagNameIsNotHtml", "<htmlfoo>\n<html-ish>\n", false},
        HtmlFileCase{"ContinuationLineEmpty", "<html\n\n<p>x</p>\n", false},
        HtmlFileCase{"PlainText", "hello\nworld\n", false}, HtmlFileCase{"EmptyFile", "", false},
        HtmlFileCase{"TagOnLine50", Lines(49, "text") + "<HTML>\n", true},
        HtmlFileCase{"TagOnLine51", Lines(50, "text") + "<HTML>\n", false},
        HtmlFileCase{"ContinuationBeyondLine50", Lines(49, "text") + "<html\n lang=en>\n", true},
        // The continuation line is not counted, so line 51 is the 50th looked at.
        HtmlFileCase{"ContinuationIsNotCounted", "<html\n\n" + Lines(48, "text") + "<HTML>\n",
                     true},
        HtmlFileCase{"ContinuationIsNotCountedLimit", "<html\n\n" + Lines(49, "text") + "<HTML>\n",
                     false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsHtmlFile, UnreadablePathsAreNotHtml) {
  testing::TempDir dir;
  EXPECT_FALSE(IsHtmlFile(dir / "missing.html"));
  EXPECT_FALSE(IsHtmlFile(dir.path().string()));
  // Neither read for ever nor waited for.
  const std::string fifo = dir / "pipe.html";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), std::string("/dev/urandom"), fifo}) {
    EXPECT_FALSE(IsHtmlFile(path)) << path;
  }
  // One endless line: the search stops at the page limit.
  dir.Write("long.html", "");
  ASSERT_EQ(truncate((dir / "long.html").c_str(), kMaxPageBytes + 100), 0);
  EXPECT_FALSE(IsHtmlFile(dir / "long.html"));
}

// ---- x_HeadPiece ----

struct HeadPieceCase {
  const char* name;
  std::string line;
  std::vector<std::string> pieces;  // up to the first empty one
};

class HeadPieceTest : public ::testing::TestWithParam<HeadPieceCase> {};

const std::string kBase = "<BASE HREF=\"http://h/\">";

TEST_P(HeadPieceTest, Cuts) {
  ManualClock clock;
  testing::ScriptedFrontEnd ui(clock);
  NoHttpClient client;
  App app(ui, clock, client);
  app.main.Edit2 = "http://h/";
  const auto& c = GetParam();
  for (std::size_t k = 0; k < c.pieces.size(); ++k) {
    EXPECT_EQ(x_HeadPiece(app, static_cast<int>(k), c.line), c.pieces[k]) << "piece " << k;
  }
  EXPECT_EQ(x_HeadPiece(app, static_cast<int>(c.pieces.size()), c.line), "");
  EXPECT_EQ(x_HeadPiece(app, 9, c.line), "");
}

const std::string kFarAttribute(120, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, HeadPieceTest,
    ::testing::Values(
        HeadPieceCase{
            "TagStartsLine", "<head><title>t</title>", {"<head>", kBase, "<title>t</title>"}},
        HeadPieceCase{"TagAlone", "<HEAD>", {"<HEAD>", kBase}},
        HeadPieceCase{"TagInsideLine",
                      "<HTML><HEAD><TITLE>x</TITLE>",
                      {"<HTML>", "<HEAD>", kBase, "<TITLE>x</TITLE>"}},
        HeadPieceCase{"TagEndsLine", "<html><head>", {"<html>", "<head>", kBase}},
        HeadPieceCase{"TagWithAttribute",
                      "<head profile=\"p\"><meta x>",
                      {"<head profile=\"p\">", kBase, "<meta x>"}},
        HeadPieceCase{"CloseFartherThan100",
                      "<html><head id=\"" + kFarAttribute + "\">rest",
                      {"<html>", "<head id=\"" + kFarAttribute + "\">", kBase, "rest"}},
        HeadPieceCase{"NoCloseOnLine", "<html><head id=x", {"<html>", "<head id=x", kBase}},
        HeadPieceCase{"NoHeadTag", "<header><p>", {}}, HeadPieceCase{"EmptyLine", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- x_EditHtml ----

class EditHtmlTest : public ::testing::Test {
 protected:
  EditHtmlTest() : ui(clock), app(ui, clock, client) {
    app.state.CurrentTarget = "http://example.test/dir/page.html";
    app.HeaderBlock() = {"HB1", "HB2"};
    app.state.NoHeaderBlock = 7;
  }

  LineList Edit(LineList source, const std::string& base = "") {
    app.state.SourceLines = std::move(source);
    x_EditHtml(app, base);
    return app.state.WorkLines;
  }

  ManualClock clock;
  testing::ScriptedFrontEnd ui;
  NoHttpClient client;
  App app;
};

TEST_F(EditHtmlTest, InsertsBaseAfterHeadAndBlockAfterBody) {
  const LineList out = Edit({"<HTML><HEAD><TITLE>t</TITLE>",
                             "<META http-equiv=Content-Type content=\"text/html; charset=EUC-JP\">",
                             "</HEAD>", "<BODY bgcolor=white>text", "</BODY></HTML>"});
  EXPECT_EQ(out,
            (LineList{"<HTML>", "<HEAD>", "<BASE HREF=\"http://example.test/dir/page.html\">",
                      "<TITLE>t</TITLE>",
                      "<META http-equiv=Content-Type content=\"text/html; charset=utf-8\">",
                      "</HEAD>", "<BODY bgcolor=white>", "HB1", "HB2", "text", "</BODY></HTML>"}));
  EXPECT_EQ(app.main.Edit2, "http://example.test/dir/page.html");
  EXPECT_EQ(app.state.NoHeaderBlock, 0);
  EXPECT_TRUE(app.HeaderBlock().empty());
}

TEST_F(EditHtmlTest, HeadAndBodyOnOneLineGetNoBlock) {
  const LineList out = Edit({"<html><head><title>t</title></head><body>x</body></html>"});
  EXPECT_EQ(out, (LineList{"<html>", "<head>", "<BASE HREF=\"http://example.test/dir/page.html\">",
                           "<title>t</title></head><body>x</body></html>"}));
  // The page carries no block, so its first links are links of the page.
  EXPECT_EQ(app.state.NoHeaderBlock, 1);
  EXPECT_TRUE(app.HeaderBlock().empty());
}

TEST_F(EditHtmlTest, BodyTagOverThreeLines) {
  const LineList out =
      Edit({"<head>", "</head><body", "  bgcolor=red", "  text=blue>hello", "</body>"});
  EXPECT_EQ(out,
            (LineList{"<head>", "<BASE HREF=\"http://example.test/dir/page.html\">", "</head>",
                      "<body", "  bgcolor=red", "  text=blue>", "HB1", "HB2", "hello", "</body>"}));
  EXPECT_EQ(app.state.NoHeaderBlock, 0);
}

TEST_F(EditHtmlTest, BlockFollowsTheRealBodyTagOnly) {
  const std::string base = "<BASE HREF=\"http://example.test/dir/page.html\">";
  struct Case {
    const char* name;
    LineList source;
    LineList expected;
    int noHeaderBlock = 0;
  };
  const Case cases[] = {
      {"conditional_comment_in_head",
       {"<head>", "<!--[if IE]><body class=\"ie\"><![endif]-->", "</head>", "<body>x</body>"},
       {"<head>", base, "<!--[if IE]><body class=\"ie\"><![endif]-->", "</head>", "<body>", "HB1",
        "HB2", "x</body>"}},
      {"script_writing_a_body",
       {"<head>", "<script>document.write('<body>');</script>", "</head>", "<body>x</body>"},
       {"<head>", base, "<script>document.write('<body>');</script>", "</head>", "<body>", "HB1",
        "HB2", "x</body>"}},
      {"angle_bracket_in_an_attribute",
       {"<head>", "</head>", "<body onload=\"if(1>0){go()}\">x</body>"},
       {"<head>", base, "</head>", "<body onload=\"if(1>0){go()}\">", "HB1", "HB2", "x</body>"}},
      {"frameset_with_body_in_noframes",
       {"<head>", "</head><frameset><frame src=\"a.html\">",
        "<noframes><body><a href=\"a.html\">a</a></body></noframes></frameset>"},
       {"<head>", base, "</head><frameset><frame src=\"a.html\">",
        "<noframes><body><a href=\"a.html\">a</a></body></noframes></frameset>"},
       1},
  };
  for (const Case& c : cases) {
    app.HeaderBlock() = {"HB1", "HB2"};
    EXPECT_EQ(Edit(c.source), c.expected) << c.name;
    EXPECT_EQ(app.state.NoHeaderBlock, c.noHeaderBlock) << c.name;
  }
}

TEST_F(EditHtmlTest, BaseAddressRules) {
  struct Case {
    const char* name;
    std::string target;
    std::string base;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"query cut", "http://h/p.cgi?a=1&b=2", "", "http://h/p.cgi"},
      {"own base wins", "http://h/p.html", "http://other/x/", "http://other/x/"},
      {"query in own base cut", "http://h/p.html", "http://other/x?y", "http://other/x"},
      {"leading question mark stays", "http://h/p.html", "?q", "?q"},
      {"file address as typed", "file:///srv/a%20b.html", "", "file:///srv/a%20b.html"},
      {"local path encoded", "/tmp/my dir/a#b%c?d&e\".html", "",
       "file:///tmp/my%20dir/a%23b%25c%3Fd%26e%22.html"},
      {"non-ascii encoded", "/tmp/日本.html", "", "file:///tmp/%E6%97%A5%E6%9C%AC.html"},
      {"dot segments removed", "/tmp/a/../b/./c.html", "", "file:///tmp/b/c.html"},
  };
  for (const auto& c : cases) {
    app.state.CurrentTarget = c.target;
    Edit({"<head>"}, c.base);
    EXPECT_EQ(app.main.Edit2, c.expected) << c.name;
  }
}

// The page's own base and the typed target come from strangers; written into
// the BASE element they stay one attribute value.
TEST_F(EditHtmlTest, BaseElementHoldsAnyAddressAsOneValue) {
  struct Case {
    std::string target;
    std::string base;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"http://h/p.html", "http://127.0.0.1:9/x\"><script>alert(1)</script>",
       "<BASE HREF=\"http://127.0.0.1:9/x%22%3E%3Cscript%3Ealert(1)%3C/script%3E\">"},
      {"http://127.0.0.1:8/a\"><script>alert(1)</script>/page.html", "",
       "<BASE HREF=\"http://127.0.0.1:8/a%22%3E%3Cscript%3Ealert(1)%3C/script%3E/page.html\">"},
      {"http://h/a&copy/b c\t.html", "", "<BASE HREF=\"http://h/a&amp;copy/b%20c%09.html\">"},
  };
  for (const auto& c : cases) {
    app.state.CurrentTarget = c.target;
    const LineList out = Edit({"<head>"}, c.base);
    ASSERT_EQ(out.size(), 2u) << c.target;
    EXPECT_EQ(out[1], c.expected);
  }
}

TEST_F(EditHtmlTest, RelativeLocalTargetBecomesAbsoluteFileAddress) {
  app.state.CurrentTarget = "sub/page.html";
  Edit({"<head>"});
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(app.main.Edit2, "file://" + cwd + "/sub/page.html");
}

TEST_F(EditHtmlTest, TargetsWithoutPlainHttpGetNoBlock) {
  for (const std::string target : {"https://example.test/", "/srv/site/index.html"}) {
    app.state.CurrentTarget = target;
    app.HeaderBlock() = {"HB1"};
    const LineList out = Edit({"<head>", "</head>", "<body>", "x"});
    EXPECT_EQ(out.size(), 5u) << target;
    EXPECT_EQ(out[3], "<body>") << target;
    EXPECT_EQ(out[4], "x") << target;
    EXPECT_EQ(app.state.NoHeaderBlock, 1) << target;
    EXPECT_TRUE(app.HeaderBlock().empty()) << target;
  }
}

TEST_F(EditHtmlTest, SourceWithoutHeadIsCopiedWithItsDeclarationsOnly) {
  const LineList source = {"<html>", "<meta charset=euc-jp>", "<body>", "x", "</html>"};
  EXPECT_EQ(Edit(source), (LineList{"<html>", "<meta charset=utf-8>", "<body>", "x", "</html>"}));
  EXPECT_EQ(app.state.NoHeaderBlock, 1);
  EXPECT_TRUE(app.HeaderBlock().empty());
}

TEST_F(EditHtmlTest, SourceWithoutBodyGetsBaseAndReplacementsOnly) {
  const LineList out = Edit({"<head>", "<meta charset=x-euc-jp>", "<frameset>",
                             "<frame src=a.html charset=UTF-8>", "</frameset>"});
  EXPECT_EQ(out, (LineList{"<head>", "<BASE HREF=\"http://example.test/dir/page.html\">",
                           "<meta charset=utf-8>", "<frameset>", "<frame src=a.html charset=utf-8>",
                           "</frameset>"}));
  EXPECT_EQ(app.state.NoHeaderBlock, 1);
}

TEST_F(EditHtmlTest, CharsetDeclarationsNameUtf8) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"content=\"text/html; charset=euc-jp\"", "content=\"text/html; charset=utf-8\""},
      {"charset=UTF-8", "charset=utf-8"},
      {"CHARSET=X-EUC-JP", "charset=utf-8"},
      {"charset=iso-2022-jp", "charset=utf-8"},
      {"charset=csISO2022JP", "charset=utf-8"},
      // Only the listed text is replaced: the part number stays.
      {"charset=ISO-8859-1", "charset=utf-8-1"},
      {"charset=csEUCPkdFmtJapanese", "charset=utf-8"},
      {"charset=Extended_UNIX_Code_Packed_Format_for_Japanese", "charset=utf-8"},
      {"charset=Shift_JIS", "charset=utf-8"},
      {"charset=x-sjis", "charset=utf-8"},
      {"charset=SJIS", "charset=utf-8"},
      {"charset=Windows-31J", "charset=utf-8"},
      {"charset=CP932", "charset=utf-8"},
      {"charset=MS_Kanji", "charset=utf-8"},
      {"charset=csShiftJIS", "charset=utf-8"},
      {"a charset=sjis b charset=euc-jp", "a charset=utf-8 b charset=utf-8"},
      {"<META content=ReadmeVB name=MS-HAID><title>", "<title>"},
      {"<meta content=readmevb name=ms-haid>", ""},
      {"charset=windows-1252", "charset=windows-1252"},
      {"charset=\"euc-jp\"", "charset=\"euc-jp\""},
  };
  for (const auto& c : cases) {
    const LineList out = Edit({"<head>", c.in});
    ASSERT_EQ(out.size(), 3u) << c.in;
    EXPECT_EQ(out[2], c.out) << c.in;
  }
}

// The listed texts are replaced in the head only; META declarations on
// every line, the HEAD and BODY lines too; prose that names a set stays.
TEST_F(EditHtmlTest, MetaDeclarationsOnEveryLineNameUtf8) {
  const LineList source = {"<head><meta charset=euc-jp>", "</head>",
                           "<body><meta charset=\"shift_jis\">", "<p>charset=euc-jp</p>"};
  const LineList out = Edit(source);
  EXPECT_EQ(out, (LineList{"<head>", "<BASE HREF=\"http://example.test/dir/page.html\">",
                           "<meta charset=utf-8>", "</head>", "<body>", "HB1", "HB2",
                           "<meta charset=\"utf-8\">", "<p>charset=euc-jp</p>"}));
}

TEST_F(EditHtmlTest, EveryFormOfMetaDeclarationNamesUtf8) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"<meta charset=\"shift_jis\">", "<meta charset=\"utf-8\">"},
      {"<META CHARSET='windows-1252'/>", "<META CHARSET='utf-8'/>"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"},
      {"<meta content=\"text/html;charset='x-sjis'\" http-equiv=content-type>",
       "<meta content=\"text/html;charset='utf-8'\" http-equiv=content-type>"},
      {"<meta\tname=x content=y><meta charset=euc-jp>",
       "<meta\tname=x content=y><meta charset=utf-8>"},
      {"<title>charset=big5</title><meta charset=big5>",
       "<title>charset=big5</title><meta charset=utf-8>"},
      {"<metadata charset=big5>", "<metadata charset=big5>"},
      {"<meta charset=\"euc-jp", "<meta charset=\"utf-8"},
  };
  for (const auto& c : cases) {
    const LineList out = Edit({"<head>", c.in});
    ASSERT_EQ(out.size(), 3u) << c.in;
    EXPECT_EQ(out[2], c.out) << c.in;
  }
}

TEST_F(EditHtmlTest, OwnBaseElementFollowsOurs) {
  const LineList out = Edit({"<head><base href=\"http://x/\">"}, "http://x/");
  EXPECT_EQ(out, (LineList{"<head>", "<BASE HREF=\"http://x/\">", "<base href=\"http://x/\">"}));
}

TEST_F(EditHtmlTest, ResetsWorkLinesAndFlagForEachPage) {
  Edit({"<head>", "<body>", "a"});
  EXPECT_EQ(app.state.NoHeaderBlock, 0);
  app.HeaderBlock() = {"HB1"};
  const LineList out = Edit({"<head>", "<body>", "b"});
  EXPECT_EQ(out.back(), "b");
  EXPECT_EQ(out.size(), 5u);
}

}  // namespace
}  // namespace vex
