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

}  // namespace vex::cli
