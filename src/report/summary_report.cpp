#include "report/summary_report.h"

#include <filesystem>
#include <string_view>

#include "context/app.h"
#include "context/file_address.h"
#include "context/texts.h"
#include "platform/text/text.h"

namespace vex {

namespace {

enum class Grade { VeryGood, Good, NeedsLook };

Grade GradeOf(std::string_view rating) {
  if (Contains(rating, "Very")) return Grade::VeryGood;
  if (Contains(rating, "good")) return Grade::Good;
  return Grade::NeedsLook;
}

std::string_view NumberCellTag(Grade g) {
  switch (g) {
    case Grade::VeryGood:
      return "<TD>";
    case Grade::Good:
      return "<TD bgcolor=\"#FFFF99\">";
    case Grade::NeedsLook:
      return "<TD bgcolor=\"#FF99CC\">";
  }
  return "<TD>";
}

// rating,path,target — the target keeps any further commas.
struct ResultFields {
  std::string rating;
  std::string path;
  std::string target;
};

ResultFields SplitResultLine(const std::string& line) {
  ResultFields f;
  const std::size_t first = line.find(',');
  if (first == std::string::npos) {
    f.target = line;
    return f;
  }
  f.rating = line.substr(0, first);
  const std::size_t second = line.find(',', first + 1);
  if (second == std::string::npos) {
    f.target = line.substr(first + 1);
    return f;
  }
  f.path = line.substr(first + 1, second - first - 1);
  f.target = line.substr(second + 1);
  return f;
}

bool IsNotHtmlText(std::string_view rating) {
  // Either language: the run may have switched it since the line was written.
  return rating == texts::TxtNotHtml.jp || rating == texts::TxtNotHtml.en;
}

// The annotated pages lie in the work folder beside the report, so they are
// named relative to it; a page elsewhere (or a report not saved) gets its
// file:/// address. Web addresses stay as they are.
std::string PageAddress(const std::string& pagePath, const std::string& reportPath) {
  if (pagePath.empty() || HasAddressScheme(pagePath)) return pagePath;
  namespace fs = std::filesystem;
  if (!reportPath.empty()) {
    std::error_code ec;
    const fs::path page = fs::absolute(pagePath, ec).lexically_normal();
    const fs::path report = fs::absolute(reportPath, ec).lexically_normal();
    if (!ec && page.parent_path() == report.parent_path()) {
      return PercentEncodePath(page.filename().string());
    }
  }
  return FileAddressForPath(pagePath);
}

std::string TargetAddress(const std::string& target) {
  if (target.empty() || HasAddressScheme(target)) return target;
  return FileAddressForPath(target);
}

std::string Link(const std::string& address, const std::string& text) {
  return "<A href=\"" + EscapeHtmlAttribute(address) + "\">" + EscapeHtmlText(text) + "</A>";
}

bool IsAscii(const LineList& lines) {
  for (const auto& l : lines) {
    for (char c : l) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
  }
  return true;
}

// The file is UTF-8 (with a byte-order mark, which browsers honour over any
// declaration). English pages keep the us-ascii line while every character is
// ASCII; a set named in the settings is declared as given.
std::string ContentTypeLine(const App& app, const LineList& page) {
  const std::string prefix = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
  if (app.state.CharMode == 1) {
    if (!app.state.ReportCharset.empty()) {
      return prefix + EscapeHtmlAttribute(app.state.ReportCharset) + "\">";
    }
    if (IsAscii(page)) return prefix + "us-ascii\">";
  }
  return prefix + "utf-8\">";
}

}  // namespace

LineList BuildSummaryReport(const App& app, const std::string& reportPath) {
  const RunState& st = app.state;
  const LineList& results = st.ResultLines;
  if (results.empty()) return {};
  const int cm = st.CharMode;
  auto text = [cm](const texts::Pair& p) { return std::string(p[cm]); };

  int veryGood = 0, good = 0, needsLook = 0;
  for (const auto& line : results) {
    switch (GradeOf(SplitResultLine(line).rating)) {
      case Grade::VeryGood:
        ++veryGood;
        break;
      case Grade::Good:
        ++good;
        break;
      case Grade::NeedsLook:
        ++needsLook;
        break;
    }
  }

  LineList page;
  auto add = [&page](std::initializer_list<std::string> lines) {
    page.insert(page.end(), lines.begin(), lines.end());
  };
  const std::string td15 = "<TD width=\"15%\">", td25 = "<TD width=\"25%\">";

  // Head; the content-type line (index 1) is filled in once the page is known.
  add({"<HTML><HEAD>", "", "<TITLE>",
       "((" + EscapeHtmlText(st.AppTitle) + ":" + EscapeHtmlText(app.main.Button7.caption) + "))",
       "</TITLE>", "</HEAD>"});
  // Heading.
  add({"<BODY bgcolor=\"#E0E5E5\">", "<font size=\"5\">", text(texts::TxtReportTitle), "</font>"});
  // The run.
  add({"<TABLE border=\"1\">", "<TBODY>", "<TR>"});
  add({td15, text(texts::TxtStart), "</TD>", td15, text(texts::TxtEnd), "</TD>", "<TD>",
       text(texts::TxtTarget), "</TD>"});
  add({"</TR>", "<TR>"});
  add({td15, EscapeHtmlText(st.RunStartTime), "</TD>", td15, EscapeHtmlText(st.RunEndTime), "</TD>",
       "<TD>", EscapeHtmlText(app.main.Edit1), "</TD>"});
  add({"</TR>", "</TBODY>", "</TABLE>"});
  // The totals.
  add({"<TABLE border=\"1\">", "<TBODY>", "<TR>"});
  add({td25, text(texts::TxtFiles), "</TD>", td25, text(texts::TxtVeryGood), "</TD>",
       "<TD bgcolor=\"#FFFF99\" width=\"25%\">", text(texts::TxtGood), "</TD>",
       "<TD bgcolor=\"#FF99CC\" width=\"25%\">", text(texts::TxtCheckNeeded), "</TD>"});
  add({"</TR>", "<TR>"});
  add({td25, std::to_string(st.RunTotals.PagesCounted), "</TD>", td25, std::to_string(veryGood),
       "</TD>", td25, std::to_string(good), "</TD>", td25, std::to_string(needsLook), "</TD>"});
  add({"</TR>", "</TBODY>", "</TABLE>"});

  // One row per page, ten rows per table; only the first has a heading row.
  for (std::size_t k = 0; k < results.size(); ++k) {
    if (k == 0) {
      add({"<TABLE border=\"1\">", "<TBODY>", "<TR>", "<TD>", "No", "</TD>", "<TD>",
           text(texts::TxtResult), "</TD>", "<TD>", "URL", "</TD>", "</TR>"});
    } else if (k % 10 == 0) {
      add({"</TBODY>", "</TABLE>", "<TABLE border=\"1\">", "<TBODY>"});
    }
    const ResultFields f = SplitResultLine(results[k]);
    const Grade grade = GradeOf(f.rating);
    const bool links = !(grade == Grade::NeedsLook && IsNotHtmlText(f.rating));
    // A page that could not be loaded has no annotated copy to link to: its
    // line names a blank for one, as a file that is not HTML does.
    const bool annotated = links && f.path != " ";
    add({"<TR>", std::string(NumberCellTag(grade)), std::to_string(k + 1), "</TD>"});
    add({"<TD>",
         annotated ? Link(PageAddress(f.path, reportPath), f.rating) : EscapeHtmlText(f.rating),
         "</TD>"});
    add({"<TD>", links ? Link(TargetAddress(f.target), f.target) : EscapeHtmlText(f.target),
         "</TD>", "</TR>"});
  }
  add({"</TBODY>", "</TABLE>", "</BODY>", "</HTML>"});

  page[1] = ContentTypeLine(app, page);
  return page;
}

SummaryStatus WriteSummaryReport(const App& app, const std::string& path) {
  const LineList page = BuildSummaryReport(app, path);
  if (page.empty()) return SummaryStatus::NoResults;
  if (path.empty()) return SummaryStatus::NotSaved;
  const std::string bytes = "\xEF\xBB\xBF" + JoinLines(page, true);
  return WriteFileBytes(path, bytes) ? SummaryStatus::Written : SummaryStatus::WriteFailed;
}

}  // namespace vex
