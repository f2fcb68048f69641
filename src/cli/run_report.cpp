#include "cli/run_report.h"

#include <unordered_set>

#include "cli/cli_texts.h"
#include "context/app.h"
#include "platform/text/text.h"

namespace vex::cli {

bool RatingIsGood(const std::string& rating) {
  return rating.find("Very") != std::string::npos || rating.find("good") != std::string::npos;
}

int ExitStatus(App& app, const RunEnd& end) {
  if (end.outcome.aborted || end.interrupted || end.messagesShown > 0 || !end.closeRequested ||
      end.outcome.result != 0) {
    return kExitCutShort;
  }
  const RunState& st = app.state;
  if (st.TargetList.empty()) {
    // The rating says "Very good" or "good" exactly when nothing but links
    // that ask for authorisation were found.
    const CountRecord& c = st.PageCounts;
    const bool good = c.BrokenCount == 0 && c.TimedOutCount == 0 && c.AnchorCount == 0 &&
                      c.JumpCount == 0 && c.RedirectedCount == 0;
    return good ? kExitAllGood : kExitNeedsCheck;
  }
  // A batch that named no page at all checked nothing.
  if (st.ResultLines.empty()) return kExitCutShort;
  // A missing or non-HTML entry was not checked: the run cannot vouch for it.
  for (const std::string& line : st.ResultLines) {
    const std::string rating = line.substr(0, line.find(','));
    // A page that could not be loaded fails the run, as it does alone.
    if (StartsWith(rating, texts::TxtNotLoadedRating[st.CharMode])) return kExitCutShort;
    if (!RatingIsGood(rating)) return kExitNeedsCheck;
  }
  return kExitAllGood;
}

std::string UnprobedSecureHint(const App& app) {
  const RunState& st = app.state;
  if (st.UnprobedSecureLinks <= 0 || st.HttpsProbes) return {};
  return ReplaceAll(UnprobedSecureFormat[st.CharMode == 1 ? 1 : 0], "%d",
                    std::to_string(st.UnprobedSecureLinks));
}

std::vector<std::string> ResultPages(const App& app, const std::vector<std::string>& shownPages,
                                     const std::string& summaryPath) {
  std::vector<std::string> pages;
  std::unordered_set<std::string> listed;  // a batch of thousands of pages lists each once, quickly
  auto add = [&](const std::string& path) {
    if (path.empty() || path == summaryPath) return;
    if (listed.insert(path).second) pages.push_back(path);
  };
  // Every page walked, also one whose walk was cancelled.
  for (const PageResult& page : app.results.pages) add(page.resultPath);
  for (const std::string& line : app.state.ResultLines) {
    const std::size_t first = line.find(',');
    if (first == std::string::npos) continue;
    const std::size_t second = line.find(',', first + 1);
    add(Trim(line.substr(first + 1,
                         second == std::string::npos ? std::string::npos : second - first - 1)));
  }
  for (const std::string& path : shownPages) add(path);
  return pages;
}

}  // namespace vex::cli
