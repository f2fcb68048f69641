// Texts of the terminal program, in both languages ([0] Japanese, [1] English).
#pragma once

#include "context/texts.h"

namespace vex::cli {

extern const texts::Pair ResultPageLabel;
extern const texts::Pair SummaryLabel;
extern const texts::Pair DefaultAnswerYes;
extern const texts::Pair DefaultAnswerNo;
extern const texts::Pair AnswerPromptYesNo;
extern const texts::Pair AnswerPromptYesNoCancel;
extern const texts::Pair FramePrompt;
// Follows the batch file's path when its first line is not the batch header.
extern const texts::Pair NotBatchFile;
// The end of a run with https links marked without a request (%d: how many).
extern const texts::Pair UnprobedSecureFormat;

}  // namespace vex::cli
