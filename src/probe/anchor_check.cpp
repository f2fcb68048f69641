#include "probe/anchor_check.h"

#include <cstddef>
#include <memory>

#include "browser/loading_browser.h"
#include "browser/page_load.h"
#include "context/app.h"
#include "context/texts.h"
#include "context/url_forms.h"
#include "platform/text/text.h"
#include "probe/probe_prefetch.h"

namespace vex {

namespace {

constexpr std::string_view kStopWhenLoaded = "2";

void PrefixProgress(App& app, std::string_view marker) {
  app.progress.Label2.insert(0, marker);
  app.ui.Refresh(View::Progress);
}

void MakeAnchorBrowser(App& app) {
  app.AnchorBrowser = MakeBrowser(app);
  app.AnchorBrowser->Visible(false);
  app.AnchorBrowser->Silent(true);
  app.AnchorBrowser->Offline(false);
}

// Navigates the anchor browser to Edit4 and waits; a navigation that raises
// counts as a lost browser.
int NavigateAndWait(App& app) {
  try {
    app.AnchorBrowser->navigate(app.main.Edit4);
  } catch (const BrowserError&) {
    return kWaitBrowserLost;
  }
  return x_WaitIE(app, kWaitAnchor, std::string(kStopWhenLoaded));
}

// Loads the page into the anchor browser; a browser that fails is replaced
// once. Returns the wait's result.
int LoadAnchorPage(App& app, const std::string& address) {
  app.main.Edit4 = address;
  int result = NavigateAndWait(app);
  if (result != kWaitBrowserLost) return result;
  if (app.AnchorBrowser) {
    try {
      app.AnchorBrowser->Quit();
    } catch (const BrowserError&) {
    }
    app.AnchorBrowser.reset();
  }
  app.Pause(kBrowserReplacePauseMs);
  MakeAnchorBrowser(app);
  return NavigateAndWait(app);
}

// The first bytes of a name, never ending inside a UTF-8 character.
std::string CutName(std::string_view name) {
  if (name.size() <= kFragmentBytes) return std::string(name);
  std::size_t end = kFragmentBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return std::string(name.substr(0, end));
}

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Whether `word` stands in `text` as a whole word: no letter or digit right
// before or after it ("moved", but not "removed" or "moved2").
bool ContainsWord(std::string_view text, std::string_view word) {
  for (std::size_t at = text.find(word); at != std::string_view::npos;
       at = text.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    const bool startsWord = at == 0 || !IsWordChar(text[at - 1]);
    const bool endsWord = end == text.size() || !IsWordChar(text[end]);
    if (startsWord && endsWord) return true;
  }
  return false;
}

// The elements the fragment names: as written, and when nothing matches and
// it holds escapes, decoded as a browser does.
html::Collection NamedElements(const std::shared_ptr<html::Document>& doc,
                               const std::string& fragment) {
  if (!doc) throw BrowserError("The anchor page has no document");
  html::Collection found = doc->getElementsByName(CutName(fragment));
  if (found.length() == 0 && Contains(fragment, "%")) {
    const std::string decoded = PercentDecode(fragment);
    if (decoded != fragment) found = doc->getElementsByName(CutName(decoded));
  }
  return found;
}

std::string UpperTagName(const html::Collection& elements) {
  try {
    return UpperAscii(elements.item(0).nodename());
  } catch (const BrowserError&) {
    return {};
  }
}

}  // namespace

std::string CheckAnchor(App& app, const std::string& pageAddress,
                        const std::optional<std::string>& fragment) {
  RunState& st = app.state;
  const int cm = st.CharMode;

  std::string jump;
  if (st.JumpMode == 1) {
    PrefixProgress(app, "j");
    app.ProcessEvents();
    jump = CheckJump(app);
  }
  if (!fragment || fragment->empty()) return jump;

  PrefixProgress(app, "n>");
  app.ProcessEvents();

  const std::string address = pageAddress.empty() ? st.CurrentTarget : pageAddress;
  std::shared_ptr<html::Document> page;
  ProbePrefetcher* prefetch = app.Prefetch.get();
  if (prefetch && (IsProbedWebPage(st, UpperAscii(address)) || prefetch->KnowsPage(address))) {
    // Fetched once in this run, for every anchor into it.
    page = prefetch->Page(address);
    if (!page) return std::string(texts::TxtCanceledMark[cm]);
  } else {
    const bool existed = app.AnchorBrowser != nullptr;
    if (!existed) MakeAnchorBrowser(app);
    // One load per linked page: later anchors of it are looked up in place.
    if (!existed || st.AnchorPageUrl != address) {
      const int wait = LoadAnchorPage(app, address);
      if (wait < -19) return std::string(texts::TxtIeTimeout[cm]);
      if (wait < 0) return std::string(texts::TxtCanceledMark[cm]);
    }
    try {
      page = app.AnchorBrowser->Document();
    } catch (const BrowserError&) {
      st.AnchorPageUrl.clear();
      return std::string(texts::TxtIeTimeout[cm]);
    }
    if (prefetch) prefetch->KeepPage(address, page);
  }
  st.AnchorPageUrl = address;

  std::size_t count = 0;
  html::Collection elements;
  try {
    elements = NamedElements(page, *fragment);
    count = elements.length();
  } catch (const BrowserError&) {
    // The page cannot be read after all: as a browser that gave no answer.
    st.AnchorPageUrl.clear();
    return std::string(texts::TxtIeTimeout[cm]);
  }

  if (count >= 2) {
    st.Flags[FlagAnchor] = 1;
    return jump + std::string(texts::AnchorXOk2[cm]);
  }
  if (count == 1) {
    if (IsBodyTag(UpperTagName(elements))) return jump + std::string(texts::AnchorOK[cm]);
    st.Flags[FlagAnchor] = 1;
    return jump + std::string(texts::AnchorXOk2[cm]);
  }
  if (UpperAscii(*fragment) == "TOP") {
    st.Flags[FlagAnchor] = 1;
    return jump + std::string(texts::AnchorXOk2[cm]);
  }
  return jump + std::string(texts::AnchorNG[cm]);
}

std::string CheckJump(App& app) {
  const std::string& text = app.state.LinkPageText;
  if (text.empty()) return {};
  const std::size_t headEnd = Pos(text, "</HEAD");
  const std::string_view head =
      headEnd != 0 ? std::string_view(text).substr(0, headEnd) : std::string_view(text);
  if (const std::size_t equiv = Pos(head, "HTTP-EQUIV"); equiv != 0) {
    if (Contains(head.substr(equiv - 1 + 10), "REFRESH")) {
      app.state.Flags[FlagJump] = 1;
      return "(J)";
    }
  }
  if (!FindMovedPhrase(text).empty()) {
    app.state.Flags[FlagJump] = 1;
    return "(J?)";
  }
  return {};
}

std::string FindMovedPhrase(std::string_view text) {
  for (std::size_t i = 0; i < texts::JumpPhrases.size(); ++i) {
    if (const std::size_t at = Pos(text, texts::JumpPhrases[i]); at != 0) {
      return std::to_string(i) + ":" + std::to_string(at);
    }
  }
  const std::string upper = UpperAscii(text);
  for (std::size_t i = 0; i < texts::MovedPhrasesEn.size(); ++i) {
    if (ContainsWord(upper, UpperAscii(texts::MovedPhrasesEn[i]))) return "e" + std::to_string(i);
  }
  return {};
}

bool IsBodyTag(std::string_view tagName) {
  if (tagName.empty()) return false;
  for (std::string_view headOnly : texts::HeadOnlyTags) {
    if (tagName == headOnly) return false;
  }
  return true;
}

}  // namespace vex
