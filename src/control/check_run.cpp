#include "control/check_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <optional>
#include <string_view>

#include "browser/html_source.h"
#include "browser/loading_browser.h"
#include "browser/page_load.h"
#include "context/app.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "context/url_forms.h"
#include "control/check_one.h"
#include "control/site_crawl.h"
#include "control/sitemap_targets.h"
#include "files/work_folder.h"
#include "links/link_prefetch.h"
#include "platform/html/html_decode.h"
#include "platform/system/file_system.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "report/summary_report.h"

namespace vex {

namespace {

constexpr int kFileLimitStep = 900;

int CheckOneStep(App& app, std::string& target) {
  return app.steps.CheckOne ? app.steps.CheckOne(app, target) : x_CheckOne(app, target);
}

// Raised inside the run to end it as an abort (the message, if any, is shown).
struct AbortRun {};

// The idle browser lives exactly as long as the run.
class IdleBrowserScope {
 public:
  explicit IdleBrowserScope(App& app) : app_(app) {
    app_.IdleBrowser = MakeBrowser(app_);
    app_.IdleBrowser->Visible(false);
    app_.IdleBrowser->Silent(true);
    app_.IdleBrowser->Offline(false);
  }
  ~IdleBrowserScope() {
    if (!app_.IdleBrowser) return;
    try {
      app_.IdleBrowser->Quit();
    } catch (const std::exception&) {
      // Already gone: releasing it is all that is left.
    }
    app_.IdleBrowser.reset();
  }
  IdleBrowserScope(const IdleBrowserScope&) = delete;
  IdleBrowserScope& operator=(const IdleBrowserScope&) = delete;

 private:
  App& app_;
};

// Pages and files touched during the run may move the current folder.
class CurrentFolderScope {
 public:
  CurrentFolderScope() : saved_(CurrentFolder()) {}
  ~CurrentFolderScope() {
    if (!saved_.empty()) (void)SetCurrentFolder(saved_);
  }
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

 private:
  std::string saved_;
};

std::string Text(const App& app, const texts::Pair& pair) {
  return std::string(pair[app.state.CharMode]);
}

// The rating of a batch entry whose page could not be fetched: the words,
// then the reason in short (the client's own words left out), without the
// commas that separate the fields of a result line.
std::string NotLoadedRating(const App& app) {
  std::string why = app.state.TargetLoadFailure;
  why = why.substr(0, why.find(" ("));
  return Text(app, texts::TxtNotLoadedRating) + "(" + ReplaceAll(why, ",", ";") + ")";
}

bool IsPlainPath(App& app, std::string_view target) {
  return UrlKind(app, target, true) != 0;
}

// A relative local target would become the page's base address as typed and
// then be resolved against the result file's folder; anchor it here instead.
std::string AbsoluteLocalTarget(const std::string& target) {
  if (target.empty() || target.front() == '/') return target;
  const std::string here = CurrentFolder();
  if (here.empty()) return target;
  return AbsolutePath(target, EnsureSuffix(here, "/"));
}

std::string CannotWriteText(const std::string& path) {
  std::string text(texts::CannotWriteFormat);
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

std::string BatchCounterText(const App& app, int i, int n) {
  return Text(app, texts::TxtBatch) + "<" + std::to_string(i) + "/" + std::to_string(n) + ">";
}

// Wildcard collection over the folder of `pattern` (an absolute path).
void CollectWildcardTargets(App& app, const std::string& pattern) {
  RunState& st = app.state;
  const std::string dir = EnsureSuffix(FolderPart(pattern), "/");
  for (const std::string& name : ListSubfolders(dir)) st.SubfolderList.push_back(dir + name);

  if (!st.SubfolderList.empty()) {
    switch (app.ui.AskYesNoCancel(Text(app, texts::TxtAskSubfolders))) {
      case Answer::Cancel:
        throw AbortRun{};
      case Answer::No:
        st.SubfolderList.clear();
        break;
      case Answer::Yes:
        break;
    }
  }

  int limit = 0;
  bool first = true;
  for (const std::string& name : MatchFiles(pattern)) {
    st.TargetList.push_back(dir + name);
    if (!first) {
      limit = AskFileLimit(app, static_cast<int>(st.TargetList.size()));
      if (limit != 0) break;
    }
    first = false;
  }
  SortIgnoringCase(st.TargetList);
  st.TargetList.insert(st.TargetList.begin(), std::string(texts::BatchHeader));

  if (limit == 0 && !st.SubfolderList.empty()) {
    limit = CollectSubfolderFiles(app, NamePart(pattern));
  }
  if (limit == -1) throw AbortRun{};
  if (st.TargetList.size() == 1) {
    app.ui.ShowMessage(Text(app, texts::TxtNoFile));
    throw AbortRun{};
  }
}

// Classifies Edit1's text and fills TargetList; raises AbortRun when the run
// ends here. A web address ending in "/*" starts a site crawl.
void ClassifyTarget(App& app, std::optional<SiteCrawl>& crawl) {
  RunState& st = app.state;
  std::string t = app.main.Edit1;
  if (std::optional<std::string> start = CrawlStartOf(t)) {
    crawl.emplace(app, *start);
    crawl->Begin();
    return;
  }
  if (!IsPlainPath(app, t)) {
    // A web or file: address is checked alone, unless it answers as a sitemap.
    if (!MayNameSitemap(t)) return;
    switch (ListSitemapTargets(app, Trim(std::string_view(t).substr(0, t.find('#'))))) {
      case SitemapTargets::NotSitemap:
      case SitemapTargets::Listed:
        return;
      case SitemapTargets::Empty:
        app.ui.ShowMessage(Text(app, texts::TxtNoFile));
        throw AbortRun{};
      case SitemapTargets::Stopped:
        throw AbortRun{};
    }
    return;
  }

  t = AbsoluteLocalTarget(t);
  const bool hasStar = t.find('*') != std::string::npos;
  if (!FileExists(t) && !hasStar) {
    app.ui.ShowMessage(Text(app, texts::TxtNoFile));
    throw AbortRun{};
  }
  if (app.main.Edit1 != t) {
    app.main.Edit1 = t;
    app.ui.Refresh(View::MainWindow);
  }

  if (UpperAscii(FileExtension(t)) == ".BCHK") {
    std::string bytes;
    if (!ReadFileBytes(t, bytes)) {
      const int error = errno;
      app.ui.ShowMessage(t + ": " + std::strerror(error));
      throw AbortRun{};
    }
    // Batch files written on Windows are in Shift_JIS; they are read as a
    // page would be, so their Japanese file names arrive intact.
    st.TargetList = SplitLines(DecodePage(bytes, {}).text);
    return;
  }
  if (HasWildcard(t)) {
    CollectWildcardTargets(app, t);
    return;
  }
  if (!IsHtmlFile(t)) {
    app.ui.ShowMessage(Text(app, texts::TxtNotHtml));
    throw AbortRun{};
  }
}

}  // namespace

std::string RunTimeText(long long epochMs) {
  const std::time_t seconds = static_cast<std::time_t>(epochMs / 1000);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

int AskFileLimit(App& app, int n) {
  if (n <= 0 || n % kFileLimitStep != 0) return 0;
  const std::string question = n == kFileLimitStep
                                   ? Text(app, texts::TxtOver900)
                                   : std::to_string(n) + Text(app, texts::TxtOverMore);
  return app.ui.AskYesNo(question) == Answer::Yes ? -1 : 0;
}

int CollectSubfolderFiles(App& app, const std::string& mask) {
  RunState& st = app.state;
  // Every folder is searched once; the list grows while it is walked.
  for (std::size_t i = 0; i < st.SubfolderList.size(); ++i) {
    const std::string dir = EnsureSuffix(st.SubfolderList[i], "/");
    for (const std::string& name : ListSubfolders(dir)) {
      st.SubfolderList.push_back(dir + name);
      app.ProcessEvents();
    }
  }
  SortIgnoringCase(st.SubfolderList);

  const int base = static_cast<int>(st.TargetList.size()) - 1;
  LineList found;
  int result = 0;
  for (std::size_t f = 0; f < st.SubfolderList.size() && result == 0; ++f) {
    const std::string dir = EnsureSuffix(st.SubfolderList[f], "/");
    bool first = true;
    for (const std::string& name : FindEntries(dir, mask, EntryKind::File)) {
      found.push_back(dir + name);
      if (!first) {
        result = AskFileLimit(app, static_cast<int>(found.size()) + base);
        if (result != 0) break;
      }
      first = false;
    }
    if (!first) app.ProcessEvents();
  }
  if (result != -1) {
    SortIgnoringCase(found);
    st.TargetList.insert(st.TargetList.end(), found.begin(), found.end());
  }
  return result;
}

RunOutcome RunCheck(App& app) {
  RunState& st = app.state;
  ProgressModel& pw = app.progress;
  RunOutcome outcome;
  {
    CurrentFolderScope folder;
    try {
      // Every run looks its hosts up afresh, once, and shares its probes
      // between its pages only.
      app.http.ResetConnections();
      const PrefetchScope prefetch(app);
      IdleBrowserScope idle(app);
      st.RunStartTime = RunTimeText(app.clock.NowMs());
      st.RunEndTime.clear();
      st.CancelFlag = 0;
      st.UnprobedSecureLinks = 0;
      int q = 0;
      st.TargetList.clear();
      st.ResultLines.clear();
      st.SubfolderList.clear();
      app.results = RunResults{};
      st.ResultNumbersThisRun.clear();

      std::optional<SiteCrawl> crawl;
      ClassifyTarget(app, crawl);

      if (st.TargetList.empty()) {
        SetProgressSingleLayout(app);
        std::string none;
        q = CheckOneStep(app, none);
      } else if (st.TargetList.front() != texts::BatchHeader) {
        q = 2;
      } else {
        // A crawl's list grows while it is checked.
        const auto entries = [&st] { return static_cast<int>(st.TargetList.size()) - 1; };
        int n = entries();
        SetProgressBatchLayout(app);
        pw.Label3.clear();
        pw.Label4 = BatchCounterText(app, 0, n);
        pw.st1_ProBar2.max = n;
        pw.st1_ProBar2.min = 0;
        pw.st1_ProBar2.position = 0;
        app.ui.Refresh(View::Progress);
        ClearCounts(st.RunTotals);

        bool cancelled = false;
        for (int i = 1; i <= entries(); ++i) {
          n = entries();
          pw.st1_ProBar2.max = n;
          std::string entry = Trim(st.TargetList[static_cast<std::size_t>(i)]);
          if (entry.empty()) continue;
          const bool plain = IsPlainPath(app, entry);
          if (plain) entry = AbsoluteLocalTarget(entry);

          const bool skipped = plain && !IsHtmlFile(entry);
          pw.st1_ProBar2.position = i - 1;
          pw.Label3 = entry;
          pw.Label4 = BatchCounterText(app, i, n);
          // The page read ahead may still be on its way: from here on the
          // window shows this entry, not the count and bar of the one before.
          if (!skipped) PrepareProgressForTarget(app);
          app.ui.Refresh(View::Progress);
          app.ProcessEvents();
          x_hi_chk(app);
          LookAhead(app, i);
          AwaitTargetAhead(app, entry);

          std::string rating;
          std::string target;
          if (skipped) {
            ClearCounts(st.PageCounts);
            (void)AddPageResult(st.PageCounts, st.RunTotals, st.CharMode);
            rating = Text(app, texts::TxtNotHtml);
            target = " ";
            PageResult skipped;
            skipped.target = entry;
            skipped.rating = rating;
            app.results.pages.push_back(std::move(skipped));
          } else {
            target = entry;
            q = CheckOneStep(app, target);
            if (q == kCheckPageFailed) {
              // One dead page does not end a run of many: its row says why.
              ClearCounts(st.PageCounts);
              (void)AddPageResult(st.PageCounts, st.RunTotals, st.CharMode);
              st.ResultLines.push_back(NotLoadedRating(app) + ", ," + entry);
              q = 0;
              continue;
            }
            if (q < 0) {
              if (q != -3) {
                CloseProgressWindow(app);
                outcome.result = q;
                outcome.aborted = true;
                st.Busy = 0;
                return outcome;
              }
              cancelled = true;
              break;
            }
            rating = AddPageResult(st.PageCounts, st.RunTotals, st.CharMode);
            if (crawl) crawl->AddFoundPages(i);
          }
          st.ResultLines.push_back(rating + "," + target + "," + entry);
        }

        // The summary, also of the entries finished before a cancel.
        pw.Label2.clear();
        pw.Label1 = Text(app, texts::TxtTotalizing);
        app.ui.Refresh(View::Progress);
        const std::string path = NextResultFile(app);
        st.RunEndTime = (cancelled ? Text(app, texts::TxtCanceled) : std::string()) +
                        RunTimeText(app.clock.NowMs());
        const SummaryStatus written = WriteSummaryReport(app, path);
        if (written == SummaryStatus::Written) {
          outcome.summaryPath = path;
          x_OpenIE(app, path);
          if (app.PageBrowser) {
            app.PageBrowser->Visible(true);
            app.PageBrowser.reset();
          }
        } else if (written != SummaryStatus::NoResults) {
          app.ui.ShowMessage(CannotWriteText(path));
        }
        CloseProgressWindow(app);
        if (cancelled) {
          outcome.result = q;
          outcome.aborted = true;
          st.Busy = 0;
          return outcome;
        }
      }

      outcome.result = q;
      if (st.RunMode == -1 && q != 2) app.ui.CloseMainWindow();
    } catch (const AbortRun&) {
      outcome.aborted = true;
    } catch (const std::exception& e) {
      CloseProgressWindow(app);
      app.ui.ShowMessage(e.what());
      outcome.aborted = true;
    }
  }
  st.Busy = 0;
  return outcome;
}

void x_CheckRun(App& app) {
  (void)RunCheck(app);
}

}  // namespace vex
