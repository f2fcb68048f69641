// Texts of the terminal program, in both languages ([0] Japanese, [1] English).
#pragma once

#include <string>
#include <string_view>

#include "context/texts.h"

namespace vex::cli {

extern const texts::Pair ResultPageLabel;
extern const texts::Pair SummaryLabel;
extern const texts::Pair DefaultAnswerYes;
extern const texts::Pair DefaultAnswerNo;
extern const texts::Pair AnswerPromptYesNo;
extern const texts::Pair AnswerPromptYesNoCancel;
extern const texts::Pair FramePrompt;
// Precedes the address of the frame picked, which is checked at once.
extern const texts::Pair FrameChosenNote;
// Follows the batch file's path when its first line is not the batch header.
extern const texts::Pair NotBatchFile;
// The end of a run with https links marked without a request (%d: how many).
extern const texts::Pair UnprobedSecureFormat;

// Followed by the value of a --format that names no format.
extern const texts::Pair UnknownFormat;

// The findings list. A page's line: FindingsPage + target + " (" + rating + ")".
extern const texts::Pair FindingsPage;
extern const texts::Pair FindingsNone;       // a page without problem links
extern const texts::Pair FindingsNotRated;   // in place of a rating
extern const texts::Pair FindingsCancelled;  // in place of a rating
// Reasons; "%s" stands for a value.
extern const texts::Pair ReasonHostNotFound;
extern const texts::Pair ReasonRefused;
extern const texts::Pair ReasonTimeOut;  // %s: seconds
extern const texts::Pair ReasonAborted;
extern const texts::Pair ReasonBadAnswer;
extern const texts::Pair ReasonRedirectLoop;
extern const texts::Pair ReasonBadAddress;
extern const texts::Pair ReasonScheme;
extern const texts::Pair ReasonSecure;
extern const texts::Pair ReasonClientError;  // %s: the error number
extern const texts::Pair ReasonAnswerTime;   // %s: milliseconds
extern const texts::Pair ReasonReached;      // %s: the address reached
extern const texts::Pair ReasonNoAnchor;     // %s: the anchor's name
extern const texts::Pair ReasonDoubtfulAnchor;
extern const texts::Pair ReasonJump;
extern const texts::Pair ReasonMoved;
extern const texts::Pair ReasonNoFile;

// Fills "%s" of a text.
std::string WithValue(std::string_view text, std::string_view value);

}  // namespace vex::cli
