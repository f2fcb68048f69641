// The checks that complete a link's verdict: the element a fragment names in
// the linked page (loaded in the anchor browser), and in the L-Page mode an
// automatic forward or a moved-page notice at the beginning of that page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vex {

struct App;

// Fragments are looked up by at most this many bytes.
inline constexpr std::size_t kFragmentBytes = 255;
// Pause before a failed anchor browser is replaced.
inline constexpr int kBrowserReplacePauseMs = 2000;

// The jump note ("(J)", "(J?)" or empty; only in JumpMode 1) followed, when a
// fragment is given, by the anchor mark; or one of the two browser texts
// alone. An empty page address means the page being checked.
[[nodiscard]] std::string CheckAnchor(App& app, const std::string& pageAddress,
                                      const std::optional<std::string>& fragment);

// The jump note of app.state.LinkPageText; sets FlagJump when not empty.
[[nodiscard]] std::string CheckJump(App& app);

// A non-empty note when the text holds one of the jump or moved-page phrases:
// "index:position" for a Japanese phrase, "e" + index for an English one.
// Japanese phrases are found anywhere, English ones only as whole words
// (letter case ignored), so "removed" is no notice of a move.
[[nodiscard]] std::string FindMovedPhrase(std::string_view text);

// Whether an element of this (upper-case) name can stand in a page body.
[[nodiscard]] bool IsBodyTag(std::string_view tagName);

}  // namespace vex
