#include "context/texts.h"

#include <cassert>

namespace vex::texts {

std::string_view Pair::operator[](int charMode) const {
  assert(charMode == 0 || charMode == 1);
  return charMode == 1 ? en : jp;
}

const Pair DdeServiceNames{"Iexplore", "netscape"};

const Pair MarkOK{"◎", "(OK)"};
const Pair MarkOk2{"○", "(ok)"};
const Pair MarkAuth{"(認)△", "(Auth)"};
const Pair MarkWarn{"△", "(--)"};
const Pair MarkUnknown{"？", "(?\?)"};
const Pair MarkNG{"×", "(NG)"};
const Pair MarkNg2{"ｘ", "(ng)"};

const Pair AnchorOK{"#◎", "#OK#"};
const Pair AnchorXOK{"#x◎", "#xOK#"};
const Pair AnchorOk2{"#○", "#ok#"};
const Pair AnchorXOk2{"#x○", "#xok#"};
const Pair AnchorWarn{"#△", "#--#"};
const Pair AnchorUnknown{"#？", "#?\?#"};
const Pair AnchorNG{"#×", "#NG#"};
const Pair AnchorNg2{"#ｘ", "#ng#"};
const Pair AnchorWideSpace{"#(nameに全角空白があります)#", "#(wide space error)#"};

const Pair TxtIeTimeout{"?IEが応答しません?", "?IE TimeOut?"};
const Pair TxtCanceledMark{"?キャンセルされました?", "?Canceled?"};
const Pair TxtCanceled{"キャンセル", "Canceled"};
const Pair TxtIeFailed{"IEが起動しない、または、URLが不正です。もう1度チェックしてください。",
                       "Can not start IE or wrong URL. Try to check again."};
const Pair TxtMainCaption{")) URL入力画面 <URL(file,IE)ボタン 又は 入力> →Check!",
                          ")) FORM OF INPUTING URL<URL(file,IE)Button or Edit> -> Check!"};
const Pair TxtPreProcess{" 初期処理中 ", "On pre-Process"};
const Pair TxtChecking{" チェック中.", "On Checking"};
const Pair TxtBatch{"一括処理中", "On Batch-Process"};
const Pair TxtReportTitle{"VEXALORN チェック結果", "Result of VEXALORN checking"};
const Pair TxtStart{"開始", "Start"};
const Pair TxtEnd{"終了", "End"};
const Pair TxtTarget{"対象", "Target"};
const Pair TxtResult{"結果", "Result"};
const Pair TxtTotalizing{"結果集計中", "On Totalizing"};
const Pair TxtFiles{"件数", "Files"};
const Pair TxtVeryGood{"優秀", "Very Good"};
const Pair TxtGood{"良好", "Good"};
const Pair TxtCheckNeeded{"確認要", "Checked"};
const Pair TxtNoFile{"ファイルがありません。", "This file is not exist."};
const Pair TxtNotHtml{"HTMLファイルではありません。", "This file is not a HTML file."};
const Pair TxtCannotRead{"ファイルを読めません。通常のファイルだけを調べます。",
                         "Cannot read this file; only regular files are checked."};
const Pair TxtPageCut{"64MiBを超えるページです。最初の64MiBだけを調べます。",
                      "The page is larger than 64 MiB; only its first 64 MiB are checked."};
const Pair TxtPageNotLoaded{"ページを読み込めませんでした。", "The page could not be loaded."};
const Pair TxtNotLoadedRating{"×読込失敗", "(NG)Not loaded"};
const Pair TxtOpenFilter{
    "htmlファイル(*.html;*.htm)|*.html;*.htm|全てのファイル(*.*)|*.*|一括処理(*.bchk)|*.bchk",
    "html files(*.html;*.htm)|*.html;*.htm|all files(*.*)|*.*|batch file(*.bchk)|*.bchk"};
const Pair TxtSaveFilter{"vexalorn一括処理ファイル(*.bchk)|*.bchk",
                         "batch file for vexalorn(*.bchk)|*.bchk"};
const Pair TxtWildHint{"ダブルクリックでワイルドカードにします。",
                       "DblClick is change to wild card"};
const Pair TxtAskSubfolders{"サブフォルダ処理しますか？", "Do you search for subfolders"};
const Pair TxtOver900{"900件を越えました。チェック結果が保存されない場合があります。中止しますか？",
                      "Over 900 HTML files! Result can not save to file. Cancel now ?"};
const Pair TxtOverMore{"件を越えました。このへんでゆるしてください。", "HTML files! Help me"};
const Pair TxtNext{"更に", "Next"};

const std::array<std::string_view, 24> JumpPhrases{
    "自動的にジャンプ",          // 0
    "自動ジャンプ",              // 1
    "秒後にジャンプします",      // 2
    "移動しました",              // 3
    "移動のお知らせ",            // 4
    "移転しました",              // 5
    "移転のお知らせ",            // 6
    "移行しました",              // 7
    "移行のお知らせ",            // 8
    "移設しました",              // 9
    "移設のお知らせ",            // 10
    "引越しました",              // 11
    "引越ししました",            // 12
    "引越のお知らせ",            // 13
    "ブックマークの変更を",      // 14
    "ブックマークを変更し",      // 15
    "リンクの変更を",            // 16
    "リンクを変更し",            // 17
    "お気に入りの変更を",        // 18
    "お気に入りを変更し",        // 19
    "工事中",                    // 20
    "閉鎖",                      // 21
    "ページを表示できません",    // 22
    "サーバーが見つかりません",  // 23
};

const std::array<std::string_view, 5> MovedPhrasesEn{"moved", "Not Found", "Error 403",
                                                     "403 forbidden", "403 Error"};

const std::array<std::string_view, 7> HeadOnlyTags{"BASE",   "BGSOUND", "LINK", "META",
                                                   "NEXTID", "STYLE",   "TITLE"};

const Pair Button5Caption{"◎", "OK"};
const Pair Button5Hint{"結果記号:全角(◎,×,…)", "Result Code:Ansi(OK,NG,…)"};
const Pair BFileHint{"ローカルファイルを指定", "Open Local HTML file"};
const Pair BIEHint{"IEからURL取得", "Get URL from IE"};
const Pair BCheckHint{"チェック処理開始", "Start of Checking"};
const Pair Button4Hint{"Ｈｅｌｐの表示", "Open Help file"};

const std::array<Pair, 3> JumpModeCaptions{{
    {"検索用", "S-Page"},
    {"ﾘﾝｸ集用", "L-Page"},
    {"Web用", "g-Page"},
}};
const std::array<Pair, 3> JumpModeHints{{
    {"検索エンジンでの検索結果用です", "for Searched Pages"},
    {"リンク集用です（自動Jumpをチェックします）", "for Link Pages"},
    {"普通のホームページ用です。", "for general Home Pages"},
}};

const Pair FrameChooserLabel1{"フレームの中から、チェックするURLを選択してください。",
                              "Please Select URL of Frame for Check"};
const Pair FrameChooserLabel2{"(Xボタンでは、フレームを無視してチェックします）)",
                              "(X-Button is Starting Check without Frames)"};

const Pair TxtCliUsage{
    "(English: vexalorn-cli -s:1 --help)\n"
    "使い方: vexalorn-cli [オプション] [対象]\n"
    "Webページ、ローカルのHTMLファイル、ワイルドカード、一括処理ファイル(*.bchk)の\n"
    "リンクをチェックし、問題のあるリンクと結果ページを表示して終了します。\n"
    "/* で終わるURLはその下のサイト全体を、サイトマップ(.xml)のURLは載っているページを、\n"
    "まとめてチェックします。\n"
    "  -m:N             ページの種類: 0 検索用, 1 リンク集用(自動Jumpをチェック), 2 Web用\n"
    "  -s:N             0 日本語と全角の結果記号, 1 英語とASCIIの結果記号\n"
    "                   (省略時は設定ファイルの CHAR)\n"
    "  -i               対象はブラウザのキャッシュファイル: その取得元のURLをチェック\n"
    "  internet         起動中のブラウザが表示しているURLをチェック\n"
    "  --https          この実行では https のリンクも問い合わせる(設定の HTTPS=1 と同じ)\n"
    "  --format text|json  標準出力の形式: text 問題のリンクの一覧(既定), json JSON文書\n"
    "  -h, -?, --help   この説明を表示\n"
    "  --version        バージョンを表示\n"
    "設定ファイル: ~/.config/vexalorn/vexalorn.ini、結果: ~/.local/share/vexalorn/vex_TEMP\n"
    "  (ビルドフォルダから起動したときはプログラムと同じフォルダ、$VEXALORN_HOME があればそこ)\n"
    "質問: 端末から答えます。端末でないときは、サブフォルダの質問は「はい」、\n"
    "      900件の質問は「いいえ」(続ける)。Ctrl-C はキャンセルボタンと同じです。\n"
    "終了コード: 0 全ページをチェックし、すべて優秀または良好\n"
    "            1 要チェックのページ、またはチェックできなかった一括処理の対象あり\n"
    "            2 中断または失敗(メッセージ、キャンセル、対象のない一括処理)\n",
    "Usage: vexalorn-cli [options] [target]\n"
    "Checks the links of a web page, a local HTML file, a wildcard pattern or a batch\n"
    "file (*.bchk), lists the problem links and the result pages, and ends. An address\n"
    "ending in /* checks the whole site below it; the address of a sitemap (.xml)\n"
    "checks the pages it lists.\n"
    "  -m:N             page type: 0 S-Page (search results), 1 L-Page (link pages,\n"
    "                   automatic jumps checked), 2 g-Page (general home pages)\n"
    "  -s:N             0 Japanese texts and full-width marks, 1 English texts and\n"
    "                   ASCII marks (default: the settings file's CHAR)\n"
    "  -i               the target is a browser-cache file: check the address it came from\n"
    "  internet         check the address shown by the running browser\n"
    "  --https          request https links too, for this run (as HTTPS=1 in the settings)\n"
    "  --format text|json  what stdout gets: text the problem links (default),\n"
    "                   json one JSON document\n"
    "  -h, -?, --help   show this text\n"
    "  --version        show the version\n"
    "Settings: ~/.config/vexalorn/vexalorn.ini, results: ~/.local/share/vexalorn/vex_TEMP\n"
    "  (beside the program when run from its build folder; in $VEXALORN_HOME when set)\n"
    "Questions are asked on the terminal; without one, the subfolder question is\n"
    "answered Yes and the 900-file question No (go on). Ctrl-C acts as Cancel.\n"
    "Exit status: 0 every entry checked and rated very good or good,\n"
    "1 a page needs a check, or an entry of a batch could not be checked,\n"
    "2 the run was cut short or failed (a message, Ctrl-C, a batch without entries)\n"};

namespace {

const NamedPair kAllPairs[] = {
    {"DdeServiceNames", &DdeServiceNames},
    {"MarkOK", &MarkOK},
    {"MarkOk2", &MarkOk2},
    {"MarkAuth", &MarkAuth},
    {"MarkWarn", &MarkWarn},
    {"MarkUnknown", &MarkUnknown},
    {"MarkNG", &MarkNG},
    {"MarkNg2", &MarkNg2},
    {"AnchorOK", &AnchorOK},
    {"AnchorXOK", &AnchorXOK},
    {"AnchorOk2", &AnchorOk2},
    {"AnchorXOk2", &AnchorXOk2},
    {"AnchorWarn", &AnchorWarn},
    {"AnchorUnknown", &AnchorUnknown},
    {"AnchorNG", &AnchorNG},
    {"AnchorNg2", &AnchorNg2},
    {"AnchorWideSpace", &AnchorWideSpace},
    {"TxtIeTimeout", &TxtIeTimeout},
    {"TxtCanceledMark", &TxtCanceledMark},
    {"TxtCanceled", &TxtCanceled},
    {"TxtIeFailed", &TxtIeFailed},
    {"TxtPageNotLoaded", &TxtPageNotLoaded},
    {"TxtNotLoadedRating", &TxtNotLoadedRating},
    {"TxtMainCaption", &TxtMainCaption},
    {"TxtPreProcess", &TxtPreProcess},
    {"TxtChecking", &TxtChecking},
    {"TxtBatch", &TxtBatch},
    {"TxtReportTitle", &TxtReportTitle},
    {"TxtStart", &TxtStart},
    {"TxtEnd", &TxtEnd},
    {"TxtTarget", &TxtTarget},
    {"TxtResult", &TxtResult},
    {"TxtTotalizing", &TxtTotalizing},
    {"TxtFiles", &TxtFiles},
    {"TxtVeryGood", &TxtVeryGood},
    {"TxtGood", &TxtGood},
    {"TxtCheckNeeded", &TxtCheckNeeded},
    {"TxtNoFile", &TxtNoFile},
    {"TxtNotHtml", &TxtNotHtml},
    {"TxtCannotRead", &TxtCannotRead},
    {"TxtPageCut", &TxtPageCut},
    {"TxtOpenFilter", &TxtOpenFilter},
    {"TxtSaveFilter", &TxtSaveFilter},
    {"TxtWildHint", &TxtWildHint},
    {"TxtAskSubfolders", &TxtAskSubfolders},
    {"TxtOver900", &TxtOver900},
    {"TxtOverMore", &TxtOverMore},
    {"TxtNext", &TxtNext},
    {"Button5Caption", &Button5Caption},
    {"Button5Hint", &Button5Hint},
    {"BFileHint", &BFileHint},
    {"BIEHint", &BIEHint},
    {"BCheckHint", &BCheckHint},
    {"Button4Hint", &Button4Hint},
    {"JumpModeCaptions[0]", &JumpModeCaptions[0]},
    {"JumpModeCaptions[1]", &JumpModeCaptions[1]},
    {"JumpModeCaptions[2]", &JumpModeCaptions[2]},
    {"JumpModeHints[0]", &JumpModeHints[0]},
    {"JumpModeHints[1]", &JumpModeHints[1]},
    {"JumpModeHints[2]", &JumpModeHints[2]},
    {"FrameChooserLabel1", &FrameChooserLabel1},
    {"FrameChooserLabel2", &FrameChooserLabel2},
    {"TxtCliUsage", &TxtCliUsage},
};

}  // namespace

std::span<const NamedPair> AllPairs() {
  return kAllPairs;
}

}  // namespace vex::texts
