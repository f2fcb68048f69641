// The link walk: the prepared page is saved as the next result file, loaded,
// and every link of it judged and marked in the live document; the tally and
// rating go into the page title and the annotated page replaces the file.
#pragma once

#include <string>
#include <string_view>

#include "context/run_state.h"
#include "platform/html/html_document.h"

namespace vex {

struct App;

// Results of WalkLinks besides 0 (finished; also after an error message).
enum WalkResult : int {
  kWalkDone = 0,
  kWalkNoResultFile = -1,  // the work folder gave no result file path
  kWalkNotReady = -2,      // the browser did not become ready in time
  kWalkLoadFailed = -3,    // the load was cancelled or the browser was lost
  kWalkCancelled = -9,     // cancelled between links; the page is saved
};

// The rule of the walk a link falls under: the first that applies, by the
// exclusion lists and then by the scheme its address begins with.
enum class LinkRule {
  NoCheck,      // left alone, not marked
  CannotCheck,  // marked as not checkable
  Web,          // "http:" (and "https:" when https links are probed): probed
  File,         // "file:": probed on disk
  Secure,       // "https:" otherwise: marked as not verifiable
  Other,        // any other scheme: left alone
};
[[nodiscard]] LinkRule LinkRuleOf(const App& app, const std::string& address,
                                  const std::string& upperAddress);

// Walks the links of app.state.WorkLines. `resultPath` empty: the annotated
// page is shown at the end. Not empty (a run): it receives the result file's
// path and the browser is closed at the end. Any failure of the browser or
// of writing the file is shown as a message and ends the walk where it
// stands, returning the result as it was.
[[nodiscard]] int WalkLinks(App& app, std::string& resultPath);

// The per-link flags: "cl" clears the current and the last link's flags,
// "re" restores the last link's flags, anything else counts the current
// link's flags into PageCounts and keeps them as the last link's.
void TallyLink(App& app, std::string_view command);

// The tally text of a page whose shown link total is counts.LinkCount, as it
// stands before the old title is appended: " 12links X:2 )) ",
// " 1link very good!! )) ", " 0link ))".
std::string PageTally(const CountRecord& counts);

// The mark inserted inside a link (or before an area): the address as the
// tooltip, escaped for the attribute value.
std::string LinkMarkMarkup(std::string_view prefix, std::string_view address,
                           std::string_view mark);

// Puts a link's mark into the document by the link's upper-case tag name:
// inside an A before its content, before an AREA, and before any other
// element (also one whose name could not be read, tagName empty) as text.
// When markFontTag is not empty the mark is wrapped in it and "</FONT>", in
// every one of these places.
void InsertLinkMark(const html::Element& link, std::string_view tagName, std::string_view address,
                    std::string_view mark, std::string_view markFontTag);

}  // namespace vex
