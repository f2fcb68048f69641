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
const texts::Pair FrameChosenNote{"選んだフレームをチェックします: ",
                                  "Checking the chosen frame: "};
const texts::Pair NotBatchFile{
    ": 一括処理ファイルではありません(1行目が [vexalorn batch file] ではありません)",
    ": not a batch file (its first line is not [vexalorn batch file])"};
const texts::Pair UnprobedSecureFormat{
    "問い合わせなかった https のリンク: %d 件((認)△)。チェックするには --https を付けるか、"
    "vexalorn.ini の [OPT] に HTTPS=1 と書いてください。",
    "https links not requested: %d (marked (Auth)). To check them, run with --https or put "
    "HTTPS=1 in [OPT] of vexalorn.ini."};

const texts::Pair UnknownFormat{"--format に指定できるのは text か json です: ",
                                "--format takes text or json, not: "};

const texts::Pair FindingsPage{"ページ: ", "Page: "};
const texts::Pair FindingsNone{"  問題のあるリンクはありません", "  no problem links"};
const texts::Pair FindingsNotRated{"評価なし", "not rated"};
const texts::Pair FindingsCancelled{"キャンセル", "cancelled"};
const texts::Pair ReasonHostNotFound{"ホストが見つかりません", "host not found"};
const texts::Pair ReasonRefused{"接続を拒否されました", "connection refused"};
const texts::Pair ReasonTimeOut{"%s 秒でタイムアウト", "time-out after %s s"};
const texts::Pair ReasonAborted{"接続が切れました", "connection broken off"};
const texts::Pair ReasonBadAnswer{"サーバの応答が不正です", "invalid answer from the server"};
const texts::Pair ReasonRedirectLoop{"転送が多すぎます", "too many redirects"};
const texts::Pair ReasonBadAddress{"アドレスが不正です", "invalid address"};
const texts::Pair ReasonScheme{"扱えない種類のアドレスです", "unsupported kind of address"};
const texts::Pair ReasonSecure{"安全な接続ができません(証明書)",
                               "secure connection failed (certificate)"};
const texts::Pair ReasonClientError{"接続エラー %s", "client error %s"};
const texts::Pair ReasonAnswerTime{"応答 %s ms", "answered after %s ms"};
const texts::Pair ReasonReached{"転送先 %s", "redirected to %s"};
const texts::Pair ReasonNoAnchor{"アンカー「%s」がありません", "no anchor \"%s\""};
const texts::Pair ReasonDoubtfulAnchor{"アンカー「%s」が複数あるか本文の外にあります",
                                       "anchor \"%s\" found twice or outside the body"};
const texts::Pair ReasonJump{"自動的に他のページへ移ります", "the page jumps on by itself"};
const texts::Pair ReasonMoved{"移転・閉鎖の案内があります", "the page says it has moved"};
const texts::Pair ReasonNoFile{"ファイルがありません", "file not found"};

std::string WithValue(std::string_view text, std::string_view value) {
  std::string out(text);
  const std::size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, value);
  return out;
}

}  // namespace vex::cli
