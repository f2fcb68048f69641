#include "control/check_one.h"

#include <string>

#include "context/app.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "links/link_walk.h"
#include "platform/html/url_resolve.h"
#include "preparation/page_preparation.h"

namespace vex {

namespace {

constexpr int kFramePickedByPreparation = -21;
constexpr int kPreparationTimedOut = -2;
constexpr int kPreparationLoadFailed = -4;
constexpr int kPreparationBadTarget = -9;

}  // namespace

int x_CheckOne(App& app, std::string& target) {
  RunState& st = app.state;
  int result = kCheckDone;
  std::string resultPath;
  if (target.empty()) {
    st.CurrentTarget = app.main.Edit1;
  } else {
    st.CurrentTarget = target;
    resultPath = target;
  }
  ClearCounts(st.PageCounts);
  TallyLink(app, "cl");

  // A target that is only a fragment names no page. An address loses its
  // fragment; in a plain path "#" is part of a file or folder name.
  const std::size_t hash = st.CurrentTarget.find('#');
  if (hash == 0) return kCheckDone;
  if (hash != std::string::npos && !UrlScheme(st.CurrentTarget).empty()) {
    st.CurrentTarget.resize(hash);
  }

  // The first anchor check of this target loads its page anew.
  st.AnchorPageUrl.clear();
  app.ProcessEvents();

  PrepareProgressForTarget(app);

  const int r = app.steps.GetHtml ? app.steps.GetHtml(app, target) : x_GetHtml(app, target);
  const int cm = st.CharMode;
  if (r == kFramePickedByPreparation) {
    result = kCheckFramePicked;
  } else if (r == kPreparationTimedOut) {
    CloseProgressWindow(app);
    app.ui.ShowMessage(std::string(texts::TxtIeFailed[cm]) + "(TimeOut)");
    result = kCheckToldUser;
  } else if (r == kPreparationLoadFailed || r == kPreparationBadTarget) {
    // Nothing is rated. A single target tells the user why; a batch records
    // the reason in its summary and goes on with the next entry.
    if (r == kPreparationBadTarget) st.TargetLoadFailure = std::string(texts::TxtNoFile[cm]);
    if (resultPath.empty()) {
      CloseProgressWindow(app);
      app.ui.ShowMessage(std::string(texts::TxtPageNotLoaded[cm]) + "\n" + st.CurrentTarget + "\n" +
                         st.TargetLoadFailure);
    }
    result = kCheckPageFailed;
  } else if (r == 0) {
    app.ProcessEvents();
    const std::size_t pagesBefore = app.results.pages.size();
    const int c = WalkLinks(app, resultPath);
    if (c == kWalkDone && app.results.pages.size() > pagesBefore) {
      app.results.pages.back().rating = RatingText(st.PageCounts, cm);
    }
    target = resultPath;
    if (target.empty()) CloseProgressWindow(app);
    result = c;
    if (c == kWalkNotReady) {
      app.ui.ShowMessage(std::string(texts::TxtIeFailed[cm]));
      result = kCheckToldUser;
    }
  } else {
    CloseProgressWindow(app);
    result = r;
  }
  return result;
}

void ClearCounts(CountRecord& counts) {
  counts = CountRecord{};
}

std::string RatingText(const CountRecord& p, int charMode) {
  std::string s;
  if (p.BrokenCount > 0) s = std::string(texts::MarkNG[charMode]) + std::to_string(p.BrokenCount);
  if (p.TimedOutCount > 0) {
    s += std::string(texts::MarkUnknown[charMode]) + std::to_string(p.TimedOutCount);
  }
  if (p.AnchorCount > 0) {
    s += std::string(texts::AnchorOK[charMode]) + std::to_string(p.AnchorCount);
  }
  if (p.JumpCount > 0) s += "J" + std::to_string(p.JumpCount);
  if (p.RedirectedCount > 0) s += "R" + std::to_string(p.RedirectedCount);
  if (p.AuthCount > 0) {
    // Unverifiable links alone still leave the page good.
    if (s.empty()) s = "good!";
    s += std::string(texts::MarkWarn[charMode]) + std::to_string(p.AuthCount);
  }
  const std::string links = "<" + std::to_string(p.LinkCount) + ">";
  return s.empty() ? "Very good!" + links : links + s;
}

std::string AddPageResult(const CountRecord& p, CountRecord& t, int charMode) {
  t.LinkCount += p.LinkCount;
  t.BrokenCount += p.BrokenCount;
  t.TimedOutCount += p.TimedOutCount;
  t.AnchorCount += p.AnchorCount;
  t.JumpCount += p.JumpCount;
  t.RedirectedCount += p.RedirectedCount;
  t.AuthCount += p.AuthCount;
  t.PagesCounted += 1;
  return RatingText(p, charMode);
}

std::string AddPageResult(const CountRecord& page, CountRecord& totals) {
  return AddPageResult(page, totals, 0);
}

}  // namespace vex
