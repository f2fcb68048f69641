// Preparing one target before its links are walked: the page is loaded in
// the page browser, its source, base address, body colours and frames are
// read, the user may pick one frame of a frame set, and the prepared page
// (WorkLines) is built from the source.
#pragma once

#include <string>

namespace vex {

struct App;

// Results of x_GetHtml.
enum GetHtmlResult : int {
  kGetHtmlPrepared = 0,
  kGetHtmlOffline = -1,       // "OffLime" appended to SourceLines
  kGetHtmlNotLoaded = -2,     // timed out, or the browser was lost twice
  kGetHtmlCancelled = -3,     // cancelled (or lost) during the wait
  kGetHtmlLoadFailed = -4,    // the page could not be fetched; TargetLoadFailure says why
  kGetHtmlBadTarget = -9,     // "addr errer(<target>)" appended to SourceLines
  kGetHtmlFrameChosen = -21,  // CurrentTarget and Edit1 hold the chosen frame
};

// Prepares CurrentTarget. `explicitTarget` is the caller's own target text;
// when it is not empty the frame chooser is never shown. The page browser is
// always quit and cleared before this returns. A navigation that fails twice
// raises BrowserError.
[[nodiscard]] int x_GetHtml(App& app, const std::string& explicitTarget);

// The FONT start tag that wraps the marks on a page with these BODY colours
// (text and background, "#rrggbb" or empty, any letter case); empty when the
// marks need none.
std::string MarkFontTagFor(const std::string& textColor, const std::string& bgColor);

// Markup text with every CR LF pair, lone CR and lone LF written as CR LF.
std::string WithCrLfBreaks(const std::string& text);

}  // namespace vex
