// Every bilingual text and result mark, and the phrase and tag tables. Code
// never spells these texts inline; it picks an entry.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace vex::texts {

// A pair: [0] for CharMode 0 (Japanese, full-width marks), [1] for CharMode 1.
struct Pair {
  std::string_view jp;
  std::string_view en;
  // Entry for a CharMode; any value other than 0 and 1 is a programming error.
  std::string_view operator[](int charMode) const;
};

// Browser names, indexed by browser index (0 the one every caller asks).
extern const Pair DdeServiceNames;

// Result marks. MarkNg2 is part of the table but never shown.
extern const Pair MarkOK;
extern const Pair MarkOk2;
extern const Pair MarkAuth;
extern const Pair MarkWarn;
extern const Pair MarkUnknown;
extern const Pair MarkNG;
extern const Pair MarkNg2;

// Marks of links to a named place inside a page.
extern const Pair AnchorOK;
extern const Pair AnchorXOK;
extern const Pair AnchorOk2;
extern const Pair AnchorXOk2;
extern const Pair AnchorWarn;
extern const Pair AnchorUnknown;
extern const Pair AnchorNG;
extern const Pair AnchorNg2;
extern const Pair AnchorWideSpace;

// Messages and labels. Leading and trailing blanks are part of the texts.
extern const Pair TxtIeTimeout;
extern const Pair TxtCanceledMark;
extern const Pair TxtCanceled;
extern const Pair TxtIeFailed;
extern const Pair TxtMainCaption;
extern const Pair TxtPreProcess;
extern const Pair TxtChecking;
extern const Pair TxtBatch;
extern const Pair TxtReportTitle;
extern const Pair TxtStart;
extern const Pair TxtEnd;
extern const Pair TxtTarget;
extern const Pair TxtResult;
extern const Pair TxtTotalizing;
extern const Pair TxtFiles;
extern const Pair TxtVeryGood;
extern const Pair TxtGood;
extern const Pair TxtCheckNeeded;
extern const Pair TxtNoFile;
extern const Pair TxtNotHtml;
// A local target that is no regular file, or cannot be read; followed by the
// target in brackets.
extern const Pair TxtCannotRead;
// A page longer than the page limit: only its beginning is checked.
extern const Pair TxtPageCut;
// A target whose page could not be fetched: the message (followed by the
// target and the reason) and the beginning of its rating in a batch.
extern const Pair TxtPageNotLoaded;
extern const Pair TxtNotLoadedRating;
// File dialog filters: "description|pattern|..." (three for opening, the
// third being the batch filter; one for saving).
extern const Pair TxtOpenFilter;
extern const Pair TxtSaveFilter;
extern const Pair TxtWildHint;
extern const Pair TxtAskSubfolders;
extern const Pair TxtOver900;
extern const Pair TxtOverMore;  // appended to a number without a blank
extern const Pair TxtNext;

// Phrases of pages that jump on by themselves (0..2) or have moved, closed or
// cannot be reached (3..23).
extern const std::array<std::string_view, 24> JumpPhrases;
// English moved-page phrases, searched without regard to letter case.
extern const std::array<std::string_view, 5> MovedPhrasesEn;
// Elements that can only stand in a page head, in upper case.
extern const std::array<std::string_view, 7> HeadOnlyTags;

// Main window labels of the language and mark mode.
extern const Pair Button5Caption;
extern const Pair Button5Hint;
extern const Pair BFileHint;
extern const Pair BIEHint;
extern const Pair BCheckHint;
extern const Pair Button4Hint;
// Caption and hint of the page-type button, indexed by JumpMode.
extern const std::array<Pair, 3> JumpModeCaptions;
extern const std::array<Pair, 3> JumpModeHints;

// The frame chooser's two labels.
extern const Pair FrameChooserLabel1;
extern const Pair FrameChooserLabel2;

// Usage text of the terminal program.
extern const Pair TxtCliUsage;

// Texts that exist in one language only.
inline constexpr std::string_view BatchHeader = "[vexalorn batch file]";
inline constexpr std::string_view TryAgainSuffix = "(Please try to check again)";
// The settings file could not be written; %s is its path.
inline constexpr std::string_view CannotWriteFormat = "%s に書き込めません";
// The settings file exists but could not be read; %s is its path.
inline constexpr std::string_view CannotReadFormat = "Cannot open file \"%s\"";

// Every pair above with its name, in declaration order (for checks over the
// whole table and for pages that list the marks).
struct NamedPair {
  std::string_view name;
  const Pair* pair;
};
std::span<const NamedPair> AllPairs();

}  // namespace vex::texts
