#include "preparation/page_preparation.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "browser/html_source.h"
#include "browser/loading_browser.h"
#include "browser/page_load.h"
#include "context/app.h"
#include "context/frame_chooser.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "context/url_forms.h"
#include "links/header_block.h"
#include "platform/html/html_document.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace {

constexpr int kRetryPauseMs = 1000;

// Progress positions of the steps.
constexpr int kProgressNavigate = 2;
constexpr int kProgressWait = 4;
constexpr int kProgressRead = 15;
constexpr int kProgressEdit = 20;
constexpr int kProgressDone = 25;

constexpr std::string_view kStepNavigate = "(get Html).";
constexpr std::string_view kStepWait = "(read Html).";
constexpr std::string_view kStepRead = "(select tag).";
constexpr std::string_view kStepEdit = "(edit2 Html).";
constexpr std::string_view kStepDone = "(write Html).";

constexpr std::string_view kOfflineNote = "OffLime";

void ShowStep(App& app, int position, std::string_view step) {
  app.progress.st1_ProBar1.position = position;
  app.progress.Label1 = std::string(texts::TxtPreProcess[app.state.CharMode]) + std::string(step);
  app.ui.Refresh(View::Progress);
}

void QuitPageBrowser(App& app) {
  if (!app.PageBrowser) return;
  try {
    app.PageBrowser->Quit();
  } catch (const BrowserError&) {
  }
  app.PageBrowser.reset();
}

void CreatePageBrowser(App& app) {
  if (app.PageBrowser) return;
  app.PageBrowser = MakeBrowser(app);
  app.PageBrowser->Visible(false);
  app.PageBrowser->Silent(true);
  app.PageBrowser->Offline(false);
}

// Navigates through Edit3. A failing browser is replaced once, a second
// later; a second failure is left to the caller.
void NavigateTarget(App& app) {
  ShowStep(app, kProgressNavigate, kStepNavigate);
  app.main.Edit3 = app.state.CurrentTarget;
  try {
    app.PageBrowser->navigate2(app.main.Edit3);
    return;
  } catch (const BrowserError&) {
  }
  QuitPageBrowser(app);
  app.Pause(kRetryPauseMs);
  CreatePageBrowser(app);
  app.main.Edit3 = app.state.CurrentTarget;
  app.PageBrowser->navigate2(app.main.Edit3);
}

// Quits the page browser if reading the document fails half-way, so that no
// browser outlives a failed preparation.
class PageBrowserGuard {
 public:
  explicit PageBrowserGuard(App& app) : app_(app) {}
  ~PageBrowserGuard() {
    if (std::uncaught_exceptions() > uncaught_) QuitPageBrowser(app_);
  }
  PageBrowserGuard(const PageBrowserGuard&) = delete;
  PageBrowserGuard& operator=(const PageBrowserGuard&) = delete;

 private:
  App& app_;
  int uncaught_ = std::uncaught_exceptions();
};

// One entry per element of the collection: its address made absolute, or why
// there is none. `word` is "Frame" or "IFrame".
void AppendFrameEntries(App& app, const html::Collection& elements, const std::string& word) {
  for (std::size_t i = 0; i < elements.length(); ++i) {
    const std::string prefix = word + std::to_string(i + 1) + " ";
    try {
      const std::optional<std::string> src = elements.item(i).src();
      if (!src) {
        app.state.FrameUrls.push_back(prefix + "VarEmpty");
      } else {
        app.state.FrameUrls.push_back(ResolveFrameAddress(app.state, *src));
      }
    } catch (const BrowserError& e) {
      app.state.FrameUrls.push_back(prefix + e.what());
    }
  }
}

// The META element with content ReadmeVB and name MS-HAID (written by an old
// help viewer) goes, in whatever spelling the page has it.
void RemoveHelpViewerMeta(const html::Element& head, std::string& pageSource) {
  const html::Collection metas = head.getElementsByTagName("META");
  for (std::size_t i = 0; i < metas.length(); ++i) {
    const html::Element meta = metas.item(i);
    if (EqualsIgnoreCase(meta.getAttribute("content").value_or(""), "ReadmeVB") &&
        EqualsIgnoreCase(meta.getAttribute("name").value_or(""), "MS-HAID")) {
      pageSource = ReplaceAll(pageSource, meta.outerHTML(), "");
    }
  }
}

struct DocumentFacts {
  std::string baseAddress;
  bool hasFrames = false;
};

// Source, base address, body colours and frame entries of the loaded page.
DocumentFacts ReadDocument(App& app) {
  DocumentFacts facts;
  RunState& st = app.state;
  std::shared_ptr<html::Document> doc = app.PageBrowser->Document();
  const html::Collection roots = doc->getElementsByTagName("HTML");
  if (roots.length() == 0) return facts;
  const html::Element root = roots.item(0);

  const html::Collection heads = root.getElementsByTagName("HEAD");
  if (heads.length() > 0) {
    std::string pageSource = root.outerHTML();
    RemoveHelpViewerMeta(heads.item(0), pageSource);
    // The page's DOCTYPE stays on top, so the prepared and the annotated
    // page render in the same mode as the page itself.
    if (const std::string doctype = html::DoctypeMarkup(*doc); !doctype.empty()) {
      pageSource.insert(0, doctype + "\r\n");
    }
    const std::string pageSourceCrLf = WithCrLfBreaks(pageSource);
    st.SourceLines = SplitLines(pageSourceCrLf);
    const html::Collection bases = heads.item(0).getElementsByTagName("BASE");
    if (bases.length() > 0) facts.baseAddress = bases.item(0).href();
  }
  // Without a BASE of its own a page's links lead from the address finally
  // reached, as in a browser: "http://host/dir" redirected to
  // "http://host/dir/" has its links in dir/.
  if (facts.baseAddress.empty()) {
    const std::string reached = doc->address();
    if (StartsWith(LowerAscii(reached), "http:") || StartsWith(LowerAscii(reached), "https:")) {
      facts.baseAddress = reached;
    }
  }

  st.MarkFontTag.clear();
  const html::Collection bodies = root.getElementsByTagName("BODY");
  if (bodies.length() > 0) {
    const html::Element body = bodies.item(0);
    st.MarkFontTag = MarkFontTagFor(body.text(), body.bgColor());
  }

  const html::Collection frames = root.getElementsByTagName("FRAME");
  if (frames.length() > 0) {
    facts.hasFrames = true;
    AppendFrameEntries(app, frames, "Frame");
  }
  AppendFrameEntries(app, root.getElementsByTagName("IFRAME"), "IFrame");
  return facts;
}

}  // namespace

std::string MarkFontTagFor(const std::string& textColor, const std::string& bgColor) {
  const std::string t = UpperAscii(textColor);
  const std::string b = UpperAscii(bgColor);
  if (t.empty() && b == "#000000") return "<FONT color=#909090>";
  if (t == "#FFFFFF" && b.empty()) return "<FONT color=#909090>";
  if (!t.empty() && t == b) {
    return b == "#000000" ? "<FONT color=#FFFFFF>" : "<FONT color=#000000>";
  }
  return {};
}

std::string WithCrLfBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

int x_GetHtml(App& app, const std::string& explicitTarget) {
  RunState& st = app.state;
  BuildHeaderBlock(app);

  // The diagnostic panes mirror the lists, so clearing a list clears its pane.
  st.SourceLines.clear();
  st.FrameUrls.clear();
  st.WorkLines.clear();
  st.LocalFileLines.clear();
  st.TargetLoadFailure.clear();

  if (UrlKind(app, st.CurrentTarget, false) < 0 && CheckLocalPath(st.CurrentTarget) < 0) {
    st.SourceLines.push_back("addr errer(" + st.CurrentTarget + ")");
    return kGetHtmlBadTarget;
  }

  CreatePageBrowser(app);
  NavigateTarget(app);
  ShowStep(app, kProgressWait, kStepWait);
  int result = x_WaitIE(app, kWaitPage, "4");

  if (result == kWaitBrowserLost) {
    CreatePageBrowser(app);
    NavigateTarget(app);
    ShowStep(app, kProgressWait, kStepWait);
    bool offline = false;
    try {
      offline = app.PageBrowser->offline();
    } catch (const BrowserError&) {
      // A browser that cannot tell is left to the wait, which finds it lost.
    }
    if (offline) {
      st.SourceLines.push_back(std::string(kOfflineNote));
      QuitPageBrowser(app);
      return kGetHtmlOffline;
    }
    result = x_WaitIE(app, kWaitPage, "4");
  }
  if (result < -19) return kGetHtmlNotLoaded;
  if (result < 0) return kGetHtmlCancelled;

  // A local target that could not be read (a device, a FIFO, a folder) is
  // reported rather than checked as an empty page; a page over the limit is
  // checked as far as it was read, and the user is told.
  const bool local = UrlKind(app, st.CurrentTarget, true) < 0 ||
                     StartsWith(UpperAscii(Trim(st.CurrentTarget)), "FILE:");
  if (local && !app.PageBrowser->LoadError().empty()) {
    QuitPageBrowser(app);
    CloseProgressWindow(app);
    app.ui.ShowMessage(std::string(texts::TxtCannotRead[st.CharMode]) + "(" + st.CurrentTarget +
                       ")");
    st.SourceLines.push_back("addr errer(" + st.CurrentTarget + ")");
    return kGetHtmlBadTarget;
  }
  // A page that did not come (no answer, an error page, a redirect loop) is
  // no page to rate: its empty or error document would pass as very good.
  st.TargetLoadFailure = app.PageBrowser ? app.PageBrowser->LoadError() : std::string();
  if (!st.TargetLoadFailure.empty()) {
    st.SourceLines.push_back("load error(" + st.TargetLoadFailure + ")");
    QuitPageBrowser(app);
    return kGetHtmlLoadFailed;
  }
  if (app.PageBrowser->PageCut()) app.ui.ShowMessage(std::string(texts::TxtPageCut[st.CharMode]));

  ShowStep(app, kProgressRead, kStepRead);
  app.ProcessEvents();

  DocumentFacts facts;
  {
    PageBrowserGuard guard(app);
    facts = ReadDocument(app);
  }
  // The walk always starts with a fresh browser.
  QuitPageBrowser(app);

  if (facts.hasFrames && explicitTarget.empty()) {
    CloseProgressWindow(app);
    const std::string remembered = st.CurrentTarget;
    (void)ChooseFrameTarget(app);
    if (st.CurrentTarget != remembered) {
      app.main.Edit1 = st.CurrentTarget;
      app.ui.Refresh(View::MainWindow);
      return kGetHtmlFrameChosen;
    }
    ShowProgressWindow(app);
    app.progress.Label2.clear();
    app.ui.Refresh(View::Progress);
  }

  ShowStep(app, kProgressEdit, kStepEdit);
  x_EditHtml(app, facts.baseAddress);
  ShowStep(app, kProgressDone, kStepDone);
  return kGetHtmlPrepared;
}

}  // namespace vex
