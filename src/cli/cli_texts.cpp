#include "cli/cli_texts.h"

namespace vex::cli {

const texts::Pair ResultPageLabel{"結果ページ: ", "Result page: "};
const texts::Pair SummaryLabel{"集計結果: ", "Summary report: "};
const texts::Pair DefaultAnswerYes{" -> はい", " -> Yes"};
const texts::Pair DefaultAnswerNo{" -> いいえ", " -> No"};
const texts::Pair AnswerPromptYesNo{" [y/n] ", " [y/n] "};
const texts::Pair AnswerPromptYesNoCancel{" [y/n/c] ", " [y/n/c] "};
const texts::Pair FramePrompt{"番号 (空: フレームを無視してチェック): ",
                              "number (empty: check without frames): "};
const texts::Pair NotBatchFile{
    ": 一括処理ファイルではありません(1行目が [vexalorn batch file] ではありません)",
    ": not a batch file (its first line is not [vexalorn batch file])"};
const texts::Pair UnprobedSecureFormat{
    "問い合わせなかった https のリンク: %d 件((認)△)。チェックするには --https を付けるか、"
    "vexalorn.ini の [OPT] に HTTPS=1 と書いてください。",
    "https links not requested: %d (marked (Auth)). To check them, run with --https or put "
    "HTTPS=1 in [OPT] of vexalorn.ini."};

}  // namespace vex::cli
