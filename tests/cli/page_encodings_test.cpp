// Japanese pages in every encoding old sites use, declared and undeclared,
// checked by the terminal program: the annotated copy shows the same text as
// the page itself, and every link is found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "context/texts.h"
#include "platform/text/encoding.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

// The characters plain converters lose or map elsewhere, half-width
// katakana, and a paragraph long enough for detection beside a short one.
constexpr const char* kTricky = "～ ① ㈱ － ＼ ∥ ￢ ｶﾀｶﾅのﾍﾟｰｼﾞ";
constexpr const char* kLong =
    "当サイトは二〇〇二年に開設しました。古いソフトウェアの使い方、日記、写真、掲示板などが"
    "あります。ページの移転に伴い、一部のリンクが切れているかもしれません。お気づきの点が"
    "ありましたら、メールでお知らせください。";
constexpr const char* kShort = "リンク集です。";

// An XML declaration opens the page; a META element stands in the head.
std::string Page(const std::string& declaration, const std::string& extra, bool longText) {
  const bool xml = declaration.starts_with("<?xml");
  return (xml ? declaration : std::string()) + "<html><head>" +
         (xml ? std::string() : declaration) +
         "<title>趣味のリンク集</title></head>\n<body>\n<h1>" + kTricky + extra + "</h1>\n<p>" +
         (longText ? kLong : kShort) +
         "</p>\n<ul><li><a href=\"about.html\">案内</a></li>\n"
         "<li><a href=\"gone.html\">消えたページ</a></li>\n"
         "<li><a href=\"about.html\">もう一度</a></li></ul>\n</body></html>\n";
}

// ISO-2022-JP from EUC-JP: two-byte rows after ESC $ B, half-width katakana
// after ESC ( I, ASCII after ESC ( B.
std::string EucToIso2022Jp(const std::string& euc) {
  std::string out;
  char mode = 'B';
  auto shift = [&](char m, const char* escape) {
    if (mode != m) out += escape;
    mode = m;
  };
  for (std::size_t i = 0; i < euc.size(); ++i) {
    const auto b = static_cast<unsigned char>(euc[i]);
    if (b < 0x80) {
      shift('B', "\x1B(B");
      out += euc[i];
    } else if (b == 0x8E) {
      shift('I', "\x1B(I");
      out += static_cast<char>(static_cast<unsigned char>(euc[++i]) - 0x80);
    } else {
      shift('J', "\x1B$B");
      out += static_cast<char>(b - 0x80);
      out += static_cast<char>(static_cast<unsigned char>(euc[++i]) - 0x80);
    }
  }
  shift('B', "\x1B(B");
  return out;
}

std::string Encoded(const std::string& utf8, const std::string& encoding) {
  const std::string charset = encoding == "Shift_JIS" ? "CP932" : "EUC-JP-MS";
  std::string out;
  EXPECT_TRUE(ConvertCharset(utf8, "UTF-8", charset, out, OnInvalid::Fail)) << encoding;
  return encoding == "ISO-2022-JP" ? EucToIso2022Jp(out) : out;
}

// The text of the body as a reader sees it: no tags, no marks, blanks
// folded.
std::string VisibleBodyText(const std::string& page) {
  std::size_t from = UpperAscii(page).find("<BODY");
  from = page.find('>', from == std::string::npos ? 0 : from);
  const std::size_t to = UpperAscii(page).find("</BODY>");
  std::string body =
      page.substr(from + 1, to == std::string::npos ? std::string::npos : to - from - 1);
  std::string text;
  bool inTag = false;
  for (char c : body) {
    if (c == '<') inTag = true;
    if (!inTag) text += c;
    if (c == '>') inTag = false;
  }
  for (const std::string_view mark : {texts::MarkOK[1], texts::MarkNG[1]}) {
    text = ReplaceAll(text, mark, "");
  }
  text = ReplaceAll(text, "&amp;", "&");
  std::string folded;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (blank && (folded.empty() || folded.back() == ' ')) continue;
    folded += blank ? ' ' : c;
  }
  return Trim(folded);
}

struct Checked {
  int status = -1;
  std::string out;
  std::string annotated;
};

Checked CheckWithTheProgram(const testing::TempDir& site, const testing::TempDir& home,
                            const std::string& page) {
  const testing::ShellRun shell = testing::RunShell(
      "cd '" + site.path().string() + "' && VEXALORN_HOME='" + home.path().string() +
      "' LANG=C.UTF-8 '" + std::string(VEXALORN_BUILD_DIR) + "/vexalorn-cli' -s:1 " + page);
  Checked run;
  run.status = shell.status;
  run.out = shell.out;
  const std::string label = "Result page: ";
  const std::size_t at = run.out.find(label);
  if (at != std::string::npos) {
    const std::size_t end = run.out.find('\n', at);
    const std::string path = run.out.substr(at + label.size(), end - at - label.size());
    EXPECT_TRUE(ReadFileBytes(path, run.annotated)) << path;
  }
  return run;
}

TEST(PageEncodings, AnnotatedCopiesShowThePagesText) {
  struct Case {
    const char* name;
    const char* encoding;
    std::string declaration;
    bool longText;
  };
  const std::vector<Case> cases = {
      {"shift_jis_declared", "Shift_JIS",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">\n", false},
      {"shift_jis_long", "Shift_JIS", "", true},
      {"shift_jis_short", "Shift_JIS", "", false},
      {"euc_jp_declared", "EUC-JP", "<meta charset=\"x-euc-jp\">\n", false},
      {"euc_jp_long", "EUC-JP", "", true},
      {"euc_jp_short", "EUC-JP", "", false},
      {"iso_2022_jp_xml_declaration", "ISO-2022-JP",
       "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>\n", false},
      {"iso_2022_jp_long", "ISO-2022-JP", "", true},
      {"iso_2022_jp_short", "ISO-2022-JP", "", false},
  };
  testing::TempDir site;
  testing::TempDir home;
  site.Write("about.html", "<html><body><p>about</p></body></html>\n");
  for (const Case& c : cases) {
    // JIS X 0212 is written in EUC-JP only.
    const std::string extra = std::string(c.encoding) == "EUC-JP" ? " 丂" : "";
    const std::string original = Page(c.declaration, extra, c.longText);
    const std::string name = std::string(c.name) + ".html";
    site.Write(name, Encoded(original, c.encoding));

    const Checked run = CheckWithTheProgram(site, home, name);
    ASSERT_FALSE(run.annotated.empty()) << c.name << "\n" << run.out;
    EXPECT_EQ(run.status, 1) << c.name << ": one broken link\n" << run.out;
    EXPECT_EQ(VisibleBodyText(run.annotated), VisibleBodyText(original)) << c.name;
    EXPECT_EQ(run.annotated.find("\xEF\xBF\xBD"), std::string::npos) << c.name;
    EXPECT_NE(run.annotated.find("趣味のリンク集"), std::string::npos) << c.name << ": title";
    EXPECT_NE(run.annotated.find(" 3links"), std::string::npos) << c.name;
    const std::string upper = UpperAscii(run.annotated);
    for (const char* label : {"X-SJIS", "X-EUC-JP", "SHIFT_JIS", "EUC-JP"}) {
      EXPECT_EQ(upper.find(std::string("CHARSET=\"") + label), std::string::npos) << c.name;
      EXPECT_EQ(upper.find(std::string("CHARSET=") + label), std::string::npos) << c.name;
    }
  }
}

}  // namespace
}  // namespace vex
