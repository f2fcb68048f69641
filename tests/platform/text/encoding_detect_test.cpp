#include "platform/text/encoding_detect.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text/encoding.h"

namespace vex {
namespace {

// A few lines of an old personal page, and a longer paragraph.
constexpr const char* kFewLines =
    "<html><head><title>趣味の部屋</title></head><body>\n"
    "<p>このページは個人のホームページです。リンク集もあります。</p>\n"
    "<a href=\"link.html\">リンク集へ</a>\n</body></html>\n";
constexpr const char* kParagraph =
    "<p>当サイトは二〇〇二年に開設しました。古いソフトウェアの使い方、"
    "日記、写真、掲示板などがあります。ページの移転に伴い、一部のリンクが"
    "切れているかもしれません。お気づきの点がありましたら、メールでお知らせ"
    "ください。なお、ここに掲載している文章と画像の無断転載はご遠慮ください。</p>\n";

std::string Encoded(const char* utf8, const char* charset) {
  std::string out;
  EXPECT_TRUE(ConvertCharset(utf8, "UTF-8", charset, out, OnInvalid::Fail)) << charset;
  return out;
}

TEST(DetectEncoding, TellsTheJapaneseEncodingsOfUndeclaredPages) {
  const struct {
    const char* charset;
    const char* encoding;
  } sets[] = {{"CP932", "Shift_JIS"},
              {"EUC-JP", "EUC-JP"},
              {"ISO-2022-JP", "ISO-2022-JP"},
              {"UTF-8", "UTF-8"}};
  for (const auto& s : sets) {
    EXPECT_EQ(DetectEncoding(Encoded(kFewLines, s.charset)), s.encoding) << s.charset;
    EXPECT_EQ(DetectEncoding(Encoded(kParagraph, s.charset)), s.encoding) << s.charset;
  }
}

// A title or a line is too little for the detector's statistics; kana read
// cleanly in one encoding and not in the other decide.
TEST(DetectEncoding, TellsAFewWords) {
  const char* words[] = {"<title>ようこそ</title>", "<p>移転しました</p>",
                         "<p>ｶﾀｶﾅのﾍﾟｰｼﾞ ～ ① ㈱ － ＼ ∥ ￢</p>"};
  for (const char* w : words) {
    EXPECT_EQ(DetectEncoding(Encoded(w, "CP932")), "Shift_JIS") << w;
    EXPECT_EQ(DetectEncoding(Encoded(w, "EUC-JP-MS")), "EUC-JP") << w;
  }
}

TEST(DetectEncoding, LatinTextStaysLatin) {
  EXPECT_EQ(DetectEncoding(Encoded("<p>Crème brûlée, café au lait, Müller & Söhne.</p>", "CP1252")),
            "windows-1252");
}

TEST(DetectEncoding, LeavesWhatItCannotTell) {
  EXPECT_EQ(DetectEncoding(""), "");
  EXPECT_EQ(DetectEncoding("<html><body><a href=x.html>plain ASCII</a></body></html>"), "");
}

TEST(DetectEncoding, UtfEightCutAtTheEndIsStillUtfEight) {
  const std::string page = std::string(kParagraph) + "\xE6\x97";
  EXPECT_EQ(DetectEncoding(page), "UTF-8");
}

}  // namespace
}  // namespace vex
