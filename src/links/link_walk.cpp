#include "links/link_walk.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "browser/page_load.h"
#include "context/app.h"
#include "context/browser.h"
#include "context/texts.h"
#include "files/work_folder.h"
#include "links/exclusion_lists.h"
#include "links/link_prefetch.h"
#include "platform/html/html_document.h"
#include "platform/html/url_resolve.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "probe/link_probe.h"
#include "probe/probe_prefetch.h"

namespace vex {

namespace {

// The header block's links stand first in every page that carries it.
constexpr int kHeaderBlockLinks = 4;
constexpr int kLoadedProgress = 30;
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

// Result pages are UTF-8 with a byte-order mark, so a browser reads them
// right whatever declaration the page still carries.
void SaveResultPage(const std::string& path, const LineList& lines) {
  std::string bytes = JoinLines(lines, true);
  if (!StartsWith(bytes, kByteOrderMark)) bytes.insert(0, kByteOrderMark);
  if (!WriteFileBytes(path, bytes)) throw BrowserError("Cannot create file " + path + ". ");
}

void SetTaskbarTitle(App& app, std::string text) {
  app.main.TaskbarTitle = std::move(text);
  app.ui.Refresh(View::MainWindow);
}

void KeepProgressOnTop(App& app) {
  app.progress.stayOnTop = true;
  app.ui.Refresh(View::Progress);
}

std::string TagNameOf(const html::Element& link) {
  try {
    return UpperAscii(link.tagname());
  } catch (const BrowserError&) {
    // An element whose name cannot be read is marked as an unknown element.
    return {};
  }
}

// The last web address probed in this walk, its mark and the flags its probe
// set: a repeated address gets all three again without a request.
struct LastProbe {
  std::string address;
  std::string mark;
  LinkFlags flags{};
  ProbeDetails details;
};

// Judges one link: its mark, or nothing when the link is left alone. Sets
// the link's flags.
std::optional<std::string> JudgeLink(App& app, const std::string& address, LastProbe& last) {
  RunState& st = app.state;
  const int cm = st.CharMode;
  switch (LinkRuleOf(app, address, UpperAscii(address))) {
    case LinkRule::NoCheck:
    case LinkRule::Other:
      return std::nullopt;
    case LinkRule::CannotCheck:
      st.FrameUrls.push_back(address);
      st.Flags[FlagAuth] = 1;
      return std::string(texts::MarkWarn[cm]);
    case LinkRule::Web: {
      st.FrameUrls.push_back(address);
      if (!last.address.empty() && address == last.address) {
        // The flags of that probe, not those of whatever link came just before.
        st.LastLinkFlags = last.flags;
        TallyLink(app, "re");
        app.results.link = last.details;
        return last.mark;
      }
      std::string mark = ProbeLink(app, address);
      last = LastProbe{address, mark, st.Flags, app.results.link};
      return mark;
    }
    case LinkRule::File: {
      st.FrameUrls.push_back(address);
      ProbePrefetcher* prefetch = app.Prefetch.get();
      if (!prefetch) return ProbeLink(app, address);
      // Within a run a local address is looked up once.
      if (const LocalProbeResult* known = prefetch->LocalResult(address)) {
        st.Flags = known->flags;
        app.results.link = known->details;
        return known->mark;
      }
      std::string mark = ProbeLink(app, address);
      if (st.CancelFlag == 0) {
        prefetch->KeepLocalResult(address, {mark, st.Flags, app.results.link});
      }
      return mark;
    }
    case LinkRule::Secure:
      st.FrameUrls.push_back(address);
      st.Flags[FlagAuth] = 1;
      ++st.UnprobedSecureLinks;
      return std::string(texts::MarkAuth[cm]);
  }
  return std::nullopt;
}

void CloseBrowsers(App& app, bool showPage) {
  if (app.PageBrowser) {
    if (showPage) {
      app.PageBrowser->Visible(true);
    } else {
      app.PageBrowser->Quit();
    }
    app.PageBrowser.reset();
  }
  if (app.AnchorBrowser) {
    app.AnchorBrowser->Quit();
    app.AnchorBrowser.reset();
  }
}

int Walk(App& app, std::string& resultPath, int& result) {
  RunState& st = app.state;
  const int cm = st.CharMode;
  LastProbe last;
  const PrefetchScope prefetchScope(app);

  const std::string path = NextResultFile(app);
  if (path.empty()) return kWalkNoResultFile;
  // Kept by index: nothing else adds a page while this one is walked.
  const std::size_t pageIndex = app.results.pages.size();
  {
    PageResult page;
    page.target = st.CurrentTarget;
    page.resultPath = path;
    page.checked = true;
    app.results.pages.push_back(std::move(page));
  }
  const bool shownAtEnd = resultPath.empty();
  if (!shownAtEnd) resultPath = path;

  SaveResultPage(path, st.WorkLines);
  app.ProcessEvents();

  x_OpenIE(app, path);
  app.progress.st1_ProBar1.position = kLoadedProgress;
  KeepProgressOnTop(app);

  const int wait = x_WaitIE(app, kWaitPageProgress, "2");
  if (wait < -19) return kWalkNotReady;
  if (wait < 0) return kWalkLoadFailed;

  // A crawl goes on through the page's frames as through its links (the
  // entries that are no address match no crawl).
  if (st.KeepPageLinks) st.PageLinks = st.FrameUrls;
  st.FrameUrls.clear();
  if (!app.PageBrowser) throw BrowserError("The browser has gone away. ");
  const std::shared_ptr<html::Document> doc = app.PageBrowser->Document();
  if (!doc) throw BrowserError("The browser has no document. ");
  const html::Collection links = doc->links();
  const int n = static_cast<int>(links.length());
  // Never below 0, whatever became of the header block's links.
  const int m = st.NoHeaderBlock ? n : std::max(n - kHeaderBlockLinks, 0);
  st.PageCounts.LinkCount = m;
  const std::string checking(texts::TxtChecking[cm]);

  SetTaskbarTitle(app, "0/" + std::to_string(m) + ":" + st.AppTitle);
  app.progress.Label1 = "0/" + std::to_string(m) + checking;
  app.progress.st1_ProBar1.max = n;
  app.progress.st1_ProBar1.min = 0;
  app.progress.st1_ProBar1.position = 0;
  app.ui.Refresh(View::Progress);
  // Every request the loop will make is asked for now; the loop takes the
  // answers in document order.
  QueueLinkProbes(app, links, FetchPriority::Now);

  for (int i = 0; i < n;) {
    if (st.CancelFlag != 0) {
      result = kWalkCancelled;
      break;
    }
    KeepProgressOnTop(app);
    app.ProcessEvents();

    const html::Element link = links.item(static_cast<std::size_t>(i));
    const std::string address = link.href();
    app.main.Memo1.push_back(address);
    if (st.KeepPageLinks) st.PageLinks.push_back(address);
    app.progress.Label2 = address;
    app.ui.Refresh(View::Progress);
    app.ProcessEvents();

    app.results.link = ProbeDetails{};
    if (const std::optional<std::string> mark = JudgeLink(app, address, last)) {
      InsertLinkMark(link, TagNameOf(link), address, *mark, st.MarkFontTag);
      // The header block's own links are no findings of the page.
      if (st.NoHeaderBlock || i >= kHeaderBlockLinks) {
        app.results.pages[pageIndex].links.push_back(
            LinkResult{address, *mark, st.Flags, std::move(app.results.link)});
      }
    }

    ++i;
    TallyLink(app, "cnt");
    const int shown = st.NoHeaderBlock ? i : std::max(i - kHeaderBlockLinks, 0);
    SetTaskbarTitle(app, std::to_string(shown) + "/" + std::to_string(m) + ":" + st.AppTitle);
    app.progress.Label1 = std::to_string(shown) + " / " + std::to_string(m) + checking;
    app.progress.st1_ProBar1.position = i;
    app.ui.Refresh(View::Progress);
  }

  // No request goes on once the user has cancelled.
  if (st.CancelFlag != 0 && app.Prefetch) app.Prefetch->CancelPending();

  const html::Collection roots = doc->getElementsByTagName("HTML");
  PageResult& page = app.results.pages[pageIndex];
  page.counts = st.PageCounts;
  page.cancelled = st.CancelFlag != 0;
  if (st.CancelFlag != 0) {
    if (roots.length() > 0) {
      roots.item(0).document()->title("((" + st.AppTitle + ":" + "Check Canceled !!!)) ");
    }
  } else if (roots.length() > 0) {
    const std::shared_ptr<html::Document> owner = roots.item(0).document();
    page.tally = PageTally(st.PageCounts);
    const std::string tally = page.tally + owner->title();
    owner->title("((" + st.AppTitle + ":" + app.main.Button7.caption + ":" + tally);
  }

  if (roots.length() > 0) {
    // The DOCTYPE stays on top, as in the prepared page.
    std::string annotated = html::DoctypeMarkup(*doc);
    if (!annotated.empty()) annotated += "\r\n";
    annotated += roots.item(0).outerHTML();
    st.WorkLines = SplitLines(annotated);
  }
  SaveResultPage(path, st.WorkLines);

  SetTaskbarTitle(app, st.AppTitle);
  CloseBrowsers(app, shownAtEnd);
  return result;
}

}  // namespace

LinkRule LinkRuleOf(const App& app, const std::string& address, const std::string& upperAddress) {
  if (FindNoCheck(app, address) != 0) return LinkRule::NoCheck;
  if (FindCannotCheck(app, upperAddress) >= 1) return LinkRule::CannotCheck;
  // By the scheme the address begins with, not by text anywhere in it: a
  // "data:" or "javascript:" address may well hold "http://".
  const std::string scheme = UrlScheme(address);
  if (scheme == "http") return LinkRule::Web;
  if (scheme == "file") return LinkRule::File;
  if (scheme == "https") return app.state.HttpsProbes ? LinkRule::Web : LinkRule::Secure;
  return LinkRule::Other;
}

std::string LinkMarkMarkup(std::string_view prefix, std::string_view address,
                           std::string_view mark) {
  std::string out = "<U title = \"";
  out += prefix;
  out += EscapeHtmlAttribute(address);
  out += "\">";
  out += mark;
  out += "</U>";
  return out;
}

void InsertLinkMark(const html::Element& link, std::string_view tagName, std::string_view address,
                    std::string_view mark, std::string_view markFontTag) {
  // On a coloured page the mark keeps its own colour, also inside a link,
  // which would otherwise lend it the link colour (black on black, say).
  const std::string shown = markFontTag.empty()
                                ? std::string(mark)
                                : std::string(markFontTag) + std::string(mark) + "</FONT>";
  if (tagName == "A") {
    link.insertAdjacentHtml("AfterBegin", LinkMarkMarkup("A:", address, shown));
  } else if (tagName == "AREA") {
    link.insertAdjacentHtml("BeforeBegin", LinkMarkMarkup("AREA:", address, shown));
  } else if (markFontTag.empty()) {
    link.insertAdjacentText("BeforeBegin", mark);
  } else {
    link.insertAdjacentHtml("BeforeBegin", shown);
  }
}

int WalkLinks(App& app, std::string& resultPath) {
  int result = kWalkDone;
  try {
    return Walk(app, resultPath, result);
  } catch (const std::exception& e) {
    app.ui.ShowMessage(std::string(e.what()) + std::string(texts::TryAgainSuffix));
    return result;
  }
}

void TallyLink(App& app, std::string_view command) {
  RunState& st = app.state;
  if (command == "re") {
    st.Flags = st.LastLinkFlags;
    return;
  }
  if (command == "cl") {
    st.Flags = {};
    st.LastLinkFlags = {};
    return;
  }
  CountRecord& c = st.PageCounts;
  std::int32_t* counters[] = {&c.BrokenCount, &c.TimedOutCount,   &c.AnchorCount,
                              &c.JumpCount,   &c.RedirectedCount, &c.AuthCount};
  for (std::size_t f = 0; f < st.Flags.size(); ++f) {
    if (st.Flags[f] != 0) ++*counters[f];
  }
  st.LastLinkFlags = st.Flags;
  st.Flags = {};
}

std::string PageTally(const CountRecord& c) {
  const int m = c.LinkCount;
  std::string t = " " + std::to_string(m) + (m > 1 ? "links" : "link");
  if (m == 0) return t + " ))";
  const std::int64_t problems = std::int64_t{c.BrokenCount} + c.TimedOutCount + c.AnchorCount +
                                c.JumpCount + c.RedirectedCount;
  if (problems > 0) {
    const auto add = [&t](const char* label, std::int32_t n) {
      if (n > 0) t += label + std::to_string(n);
    };
    add(" X:", c.BrokenCount);
    add(" ?:", c.TimedOutCount);
    add(" #x:", c.AnchorCount);
    add(" J:", c.JumpCount);
    add(" R:", c.RedirectedCount);
  } else {
    t += c.AuthCount > 0 ? " good!" : " very good!!";
  }
  return t + " )) ";
}

}  // namespace vex
