#include "report/summary_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/file_address.h"
#include "context/texts.h"
#include "platform/text/text.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"
#include "support/test_app.h"

namespace vex {
namespace {

class SummaryReportTest : public ::testing::Test {
 protected:
  SummaryReportTest() : ui(clock), app(ui, clock, client) {
    app.state.CharMode = 1;
    app.state.RunStartTime = "2024/05/01 10:00:00";
    app.state.RunEndTime = "2024/05/01 10:05:00";
    app.main.Edit1 = "/srv/site/*.htm";
    app.main.Button7.caption = "S-Page";
    report = dir / "005.htm";
  }

  LineList Build(LineList results) {
    app.state.ResultLines = std::move(results);
    app.state.RunTotals.PagesCounted = static_cast<int>(app.state.ResultLines.size());
    return BuildSummaryReport(app, report);
  }

  // Index of the "<TR>" of page row k (1-based), 0 when there is none. Page
  // rows follow the heading cell "URL"; each is eleven lines long.
  static std::size_t RowStart(const LineList& page, int k) {
    const auto heading = std::find(page.begin(), page.end(), "URL");
    const std::string number = std::to_string(k);
    for (auto i = static_cast<std::size_t>(heading - page.begin()); i + 3 < page.size(); ++i) {
      if (page[i] == "<TR>" && page[i + 2] == number && page[i + 3] == "</TD>") return i;
    }
    return 0;
  }
  static LineList Row(const LineList& page, int k) {
    const std::size_t i = RowStart(page, k);
    if (i == 0 || i + 11 > page.size()) return {};
    return LineList(page.begin() + static_cast<std::ptrdiff_t>(i),
                    page.begin() + static_cast<std::ptrdiff_t>(i + 11));
  }

  static int CountOf(const LineList& page, const std::string& line) {
    return static_cast<int>(std::count(page.begin(), page.end(), line));
  }

  ManualClock clock;
  testing::ScriptedFrontEnd ui;
  testing::OfflineHttpClient client;
  App app;
  testing::TempDir dir;
  std::string report;
};

TEST_F(SummaryReportTest, OneLineGivesTheWholePage) {
  const std::string page = dir / "001.htm";
  const LineList out = Build({"Very good!<12>," + page + ",http://example.test/"});
  const LineList expected = {
      "<HTML><HEAD>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=us-ascii\">",
      "<TITLE>",
      "((VEXALORN:S-Page))",
      "</TITLE>",
      "</HEAD>",
      "<BODY bgcolor=\"#E0E5E5\">",
      "<font size=\"5\">",
      "Result of VEXALORN checking",
      "</font>",
      "<TABLE border=\"1\">",
      "<TBODY>",
      "<TR>",
      "<TD width=\"15%\">",
      "Start",
      "</TD>",
      "<TD width=\"15%\">",
      "End",
      "</TD>",
      "<TD>",
      "Target",
      "</TD>",
      "</TR>",
      "<TR>",
      "<TD width=\"15%\">",
      "2024/05/01 10:00:00",
      "</TD>",
      "<TD width=\"15%\">",
      "2024/05/01 10:05:00",
      "</TD>",
      "<TD>",
      "/srv/site/*.htm",
      "</TD>",
      "</TR>",
      "</TBODY>",
      "</TABLE>",
      "<TABLE border=\"1\">",
      "<TBODY>",
      "<TR>",
      "<TD width=\"25%\">",
      "Files",
      "</TD>",
      "<TD width=\"25%\">",
      "Very Good",
      "</TD>",
      "<TD bgcolor=\"#FFFF99\" width=\"25%\">",
      "Good",
      "</TD>",
      "<TD bgcolor=\"#FF99CC\" width=\"25%\">",
      "Checked",
      "</TD>",
      "</TR>",
      "<TR>",
      "<TD width=\"25%\">",
      "1",
      "</TD>",
      "<TD width=\"25%\">",
      "1",
      "</TD>",
      "<TD width=\"25%\">",
      "0",
      "</TD>",
      "<TD width=\"25%\">",
      "0",
      "</TD>",
      "</TR>",
      "</TBODY>",
      "</TABLE>",
      "<TABLE border=\"1\">",
      "<TBODY>",
      "<TR>",
      "<TD>",
      "No",
      "</TD>",
      "<TD>",
      "Result",
      "</TD>",
      "<TD>",
      "URL",
      "</TD>",
      "</TR>",
      "<TR>",
      "<TD>",
      "1",
      "</TD>",
      "<TD>",
      "<A href=\"001.htm\">Very good!&lt;12&gt;</A>",
      "</TD>",
      "<TD>",
      "<A href=\"http://example.test/\">http://example.test/</A>",
      "</TD>",
      "</TR>",
      "</TBODY>",
      "</TABLE>",
      "</BODY>",
      "</HTML>"};
  EXPECT_EQ(out, expected);
}

TEST_F(SummaryReportTest, ElevenLinesGiveTwoTablesNumberedOnwards) {
  LineList results;
  for (int i = 1; i <= 11; ++i) {
    results.push_back("Very good!<1>," + (dir / "00" + std::to_string(i) + ".htm") + ",http://h/" +
                      std::to_string(i));
  }
  const LineList out = Build(results);
  EXPECT_EQ(CountOf(out, "No"), 1);
  // Three tables before the pages, two page tables.
  EXPECT_EQ(CountOf(out, "<TABLE border=\"1\">"), 4);
  EXPECT_EQ(CountOf(out, "</TABLE>"), 4);
  for (int k = 1; k <= 11; ++k) EXPECT_FALSE(Row(out, k).empty()) << k;
  const std::size_t tenthEnd = RowStart(out, 10) + 11;
  ASSERT_EQ(RowStart(out, 11), tenthEnd + 4);
  EXPECT_EQ(LineList(out.begin() + static_cast<std::ptrdiff_t>(tenthEnd),
                     out.begin() + static_cast<std::ptrdiff_t>(tenthEnd + 4)),
            (LineList{"</TBODY>", "</TABLE>", "<TABLE border=\"1\">", "<TBODY>"}));
}

TEST_F(SummaryReportTest, GradesColourRowsAndFillTotals) {
  const std::string p = dir / "001.htm";
  const LineList out =
      Build({"Very good!<12>," + p + ",http://h/a", "<12>good!(--)3," + p + ",http://h/b",
             "<12>(NG)2(--)1," + p + ",http://h/c", "<40>(?\?)1R2," + p + ",http://h/d"});
  EXPECT_EQ(Row(out, 1)[1], "<TD>");
  EXPECT_EQ(Row(out, 2)[1], "<TD bgcolor=\"#FFFF99\">");
  EXPECT_EQ(Row(out, 3)[1], "<TD bgcolor=\"#FF99CC\">");
  EXPECT_EQ(Row(out, 4)[1], "<TD bgcolor=\"#FF99CC\">");
  const auto totals = std::find(out.begin(), out.end(), "Checked");
  ASSERT_NE(totals, out.end());
  EXPECT_EQ(LineList(totals + 4, totals + 16),
            (LineList{"<TD width=\"25%\">", "4", "</TD>", "<TD width=\"25%\">", "1", "</TD>",
                      "<TD width=\"25%\">", "1", "</TD>", "<TD width=\"25%\">", "2", "</TD>"}));
}

TEST_F(SummaryReportTest, FilesCountComesFromTheRunTotals) {
  app.state.ResultLines = {"Very good!<1>,/w/001.htm,http://h/"};
  app.state.RunTotals.PagesCounted = 7;
  const LineList out = BuildSummaryReport(app, report);
  const auto totals = std::find(out.begin(), out.end(), "Checked");
  ASSERT_NE(totals, out.end());
  EXPECT_EQ(*(totals + 5), "7");
}

TEST_F(SummaryReportTest, TargetKeepsItsCommas) {
  const LineList out = Build({"Very good!<1>," + (dir / "001.htm") + ",http://h/a,b,c"});
  EXPECT_EQ(Row(out, 1)[8], "<A href=\"http://h/a,b,c\">http://h/a,b,c</A>");
}

TEST_F(SummaryReportTest, NotHtmlEntryHasNoLinks) {
  for (int mode : {0, 1}) {
    app.state.CharMode = mode;
    const std::string notHtml = std::string(texts::TxtNotHtml[mode]);
    const LineList out = Build({notHtml + ", ,/srv/site/readme.txt"});
    const LineList row = Row(out, 1);
    ASSERT_FALSE(row.empty()) << mode;
    EXPECT_EQ(row[1], "<TD bgcolor=\"#FF99CC\">");
    EXPECT_EQ(row[5], EscapeHtmlText(notHtml));
    EXPECT_EQ(row[8], "/srv/site/readme.txt");
  }
}

TEST_F(SummaryReportTest, LinesWithFewerFieldsKeepTheRestAsTarget) {
  const LineList out = Build({"no commas here", "<3>(NG)1,http://h/x"});
  EXPECT_EQ(Row(out, 1)[1], "<TD bgcolor=\"#FF99CC\">");
  EXPECT_EQ(Row(out, 1)[5], "<A href=\"\"></A>");
  EXPECT_EQ(Row(out, 1)[8],
            "<A href=\"" + FileAddressForPath("no commas here") + "\">no commas here</A>");
  EXPECT_EQ(Row(out, 2)[5], "<A href=\"\">&lt;3&gt;(NG)1</A>");
  EXPECT_EQ(Row(out, 2)[8], "<A href=\"http://h/x\">http://h/x</A>");
}

TEST_F(SummaryReportTest, EscapesEverythingItQuotes) {
  app.main.Edit1 = "<b>a&b</b>";
  app.state.AppTitle = "V<X>";
  const LineList out =
      Build({"Very good!<2>," + (dir / "001.htm") + ",http://h/\"><script>x</script>"});
  EXPECT_EQ(CountOf(out, "&lt;b&gt;a&amp;b&lt;/b&gt;"), 1);
  EXPECT_EQ(out[3], "((V&lt;X&gt;:S-Page))");
  EXPECT_EQ(Row(out, 1)[8],
            "<A href=\"http://h/&quot;&gt;&lt;script&gt;x&lt;/script&gt;\">"
            "http://h/\"&gt;&lt;script&gt;x&lt;/script&gt;</A>");
  for (const auto& line : out) EXPECT_FALSE(Contains(line, "<script>")) << line;
}

TEST_F(SummaryReportTest, RatingLinksNameTheAnnotatedPage) {
  struct Case {
    const char* name;
    std::string pagePath;
    std::string reportPath;
    std::string href;
  };
  const std::vector<Case> cases = {
      {"beside the report", dir / "001.htm", report, "001.htm"},
      {"other folder", "/srv/other dir/002.htm", report, "file:///srv/other%20dir/002.htm"},
      {"report not saved", "/srv/w/003.htm", "", "file:///srv/w/003.htm"},
  };
  for (const auto& c : cases) {
    app.state.ResultLines = {"Very good!<1>," + c.pagePath + ",http://h/"};
    const LineList out = BuildSummaryReport(app, c.reportPath);
    EXPECT_EQ(Row(out, 1)[5], "<A href=\"" + c.href + "\">Very good!&lt;1&gt;</A>") << c.name;
  }
}

TEST_F(SummaryReportTest, LocalTargetsLinkTheirFileAddress) {
  const LineList out = Build({"Very good!<1>," + (dir / "001.htm") + ",/srv/a b#1.htm"});
  EXPECT_EQ(Row(out, 1)[8], "<A href=\"file:///srv/a%20b%231.htm\">/srv/a b#1.htm</A>");
}

TEST_F(SummaryReportTest, ContentTypeLine) {
  struct Case {
    const char* name;
    int charMode;
    std::string reportCharset;
    std::string target;
    std::string charset;
  };
  const std::vector<Case> cases = {
      {"japanese", 0, "", "http://h/", "utf-8"},
      {"japanese ignores the setting", 0, "ISO-8859-1", "http://h/", "utf-8"},
      {"english ascii", 1, "", "http://h/", "us-ascii"},
      {"english with non-ascii target", 1, "", "/srv/日本.htm", "utf-8"},
      {"english with setting", 1, "ISO-8859-1", "http://h/", "ISO-8859-1"},
  };
  for (const auto& c : cases) {
    app.state.CharMode = c.charMode;
    app.state.ReportCharset = c.reportCharset;
    const LineList out = Build({"Very good!<1>," + (dir / "001.htm") + "," + c.target});
    ASSERT_GT(out.size(), 1u);
    EXPECT_EQ(out[1],
              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + c.charset + "\">")
        << c.name;
  }
}

TEST_F(SummaryReportTest, WritesUtf8WithByteOrderMarkAndCrLf) {
  app.state.CharMode = 0;
  app.state.ResultLines = {"Very good!<1>," + (dir / "001.htm") + ",http://h/"};
  ASSERT_EQ(WriteSummaryReport(app, report), SummaryStatus::Written);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(report, bytes));
  EXPECT_TRUE(StartsWith(bytes, "\xEF\xBB\xBF<HTML><HEAD>\r\n"));
  EXPECT_TRUE(EndsWith(bytes, "</BODY>\r\n</HTML>\r\n"));
  EXPECT_TRUE(Contains(bytes, "VEXALORN チェック結果\r\n"));
}

TEST_F(SummaryReportTest, ReportsWhatWasNotWritten) {
  app.state.ResultLines.clear();
  EXPECT_EQ(WriteSummaryReport(app, report), SummaryStatus::NoResults);
  EXPECT_FALSE(std::filesystem::exists(report));

  app.state.ResultLines = {"Very good!<1>,/w/001.htm,http://h/"};
  EXPECT_EQ(WriteSummaryReport(app, ""), SummaryStatus::NotSaved);
  EXPECT_EQ(WriteSummaryReport(app, dir / "missing/005.htm"), SummaryStatus::WriteFailed);
  EXPECT_EQ(WriteSummaryReport(app, dir.path().string()), SummaryStatus::WriteFailed);
}

}  // namespace
}  // namespace vex
