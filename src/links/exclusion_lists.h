// The two exclusion lists of the link walk. The no-check list names links
// that are skipped entirely: the program's own pages and banners always, the
// user's [NOCHECK] entries (after the separator) only for search-result pages.
// The cannot-check list names links that are marked unverifiable unprobed.
// They are the lines of app.NoCheckList() and app.CannotCheckList().
#pragma once

#include <string_view>

namespace vex {

struct App;

inline constexpr std::string_view kOwnScriptLink = "javascript:vexalorn1";
inline constexpr std::string_view kNoCheckSeparator = "---SEP---";
// Banner addresses are inserted here, so the last inserted stands first.
inline constexpr int kBannerInsertPosition = 2;

void BuildNoCheckList(App& app);
void BuildCannotCheckList(App& app);

// 1-based position of the first no-check entry contained in the address (as
// the document reports it, not case-folded); 0 when none. Entries after the
// separator count only in JumpMode 0.
[[nodiscard]] int FindNoCheck(const App& app, std::string_view address);
// 1-based position of the first cannot-check entry contained in the
// upper-cased address; 0 when none. An entry "#" alone is never used.
[[nodiscard]] int FindCannotCheck(const App& app, std::string_view upperAddress);

}  // namespace vex
