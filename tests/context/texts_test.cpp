#include "context/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace vex::texts {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    unsigned cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

TEST(Utf8Check, RejectsBrokenSequences) {
  EXPECT_TRUE(IsValidUtf8("◎ ok"));
  EXPECT_FALSE(IsValidUtf8("\x82\xa0"));      // Shift_JIS bytes
  EXPECT_FALSE(IsValidUtf8("\xe3\x81"));      // cut short
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // surrogate
}

TEST(Texts, EveryTextIsNonEmptyUtf8) {
  for (const auto& [name, pair] : AllPairs()) {
    for (int mode : {0, 1}) {
      SCOPED_TRACE(std::string(name) + "[" + std::to_string(mode) + "]");
      EXPECT_FALSE((*pair)[mode].empty());
      EXPECT_TRUE(IsValidUtf8((*pair)[mode]));
    }
  }
  for (auto p : JumpPhrases) EXPECT_TRUE(IsValidUtf8(p) && !p.empty()) << p;
  for (auto p : MovedPhrasesEn) EXPECT_TRUE(IsAscii(p) && !p.empty()) << p;
  for (auto p : HeadOnlyTags) EXPECT_TRUE(IsAscii(p) && !p.empty()) << p;
  EXPECT_TRUE(IsValidUtf8(CannotWriteFormat));
}

TEST(Texts, NamesAreUnique) {
  std::set<std::string_view> names;
  for (const auto& entry : AllPairs()) EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
}

TEST(Texts, EnglishModeMarksAreAscii) {
  const Pair* marks[] = {&MarkOK,        &MarkOk2,   &MarkAuth,   &MarkWarn,
                         &MarkUnknown,   &MarkNG,    &MarkNg2,    &AnchorOK,
                         &AnchorXOK,     &AnchorOk2, &AnchorXOk2, &AnchorWarn,
                         &AnchorUnknown, &AnchorNG,  &AnchorNg2,  &AnchorWideSpace};
  for (const Pair* m : marks) {
    EXPECT_TRUE(IsAscii((*m)[1])) << (*m)[1];
    EXPECT_FALSE(IsAscii((*m)[0])) << (*m)[0];
  }
  EXPECT_EQ(MarkOK[1], "(OK)");
  EXPECT_EQ(MarkNG[1], "(NG)");
  EXPECT_EQ(AnchorXOk2[1], "#xok#");
  EXPECT_EQ(MarkUnknown[1], std::string("(") + "??" + ")");
  EXPECT_EQ(AnchorUnknown[1], std::string("#") + "??" + "#");
}

TEST(Texts, BlanksAndBracketsAreKept) {
  EXPECT_EQ(TxtPreProcess[0], " 初期処理中 ");
  EXPECT_EQ(TxtChecking[0], " チェック中.");
  EXPECT_EQ(std::string("1800") + std::string(TxtOverMore[1]), "1800HTML files! Help me");
  // Full-width closing bracket, then an ASCII one.
  EXPECT_TRUE(FrameChooserLabel2[0].ends_with("）)"));
  EXPECT_EQ(BatchHeader.size(), 21u);
}

TEST(Texts, FiltersHaveDescriptionPatternPairs) {
  auto count = [](std::string_view s) { return std::count(s.begin(), s.end(), '|'); };
  for (int mode : {0, 1}) {
    EXPECT_EQ(count(TxtOpenFilter[mode]), 5);  // three filters
    EXPECT_TRUE(TxtOpenFilter[mode].ends_with("|*.bchk"));
    EXPECT_EQ(count(TxtSaveFilter[mode]), 1);
  }
}

TEST(Texts, PhraseTablesKeepTheirOrder) {
  // The jump check treats 0..2 as jump notices and the rest as moved pages.
  EXPECT_EQ(JumpPhrases[0], "自動的にジャンプ");
  EXPECT_EQ(JumpPhrases[2], "秒後にジャンプします");
  EXPECT_EQ(JumpPhrases[3], "移動しました");
  EXPECT_EQ(JumpPhrases[23], "サーバーが見つかりません");
  EXPECT_EQ(MovedPhrasesEn[0], "moved");
  EXPECT_EQ(MovedPhrasesEn[4], "403 Error");
  EXPECT_EQ(HeadOnlyTags[0], "BASE");
  EXPECT_EQ(HeadOnlyTags[6], "TITLE");
  EXPECT_EQ(DdeServiceNames[0], "Iexplore");
}

TEST(Texts, PageTypeLabelsFollowJumpMode) {
  EXPECT_EQ(JumpModeCaptions[0][1], "S-Page");
  EXPECT_EQ(JumpModeCaptions[1][1], "L-Page");
  EXPECT_EQ(JumpModeCaptions[2][1], "g-Page");
  EXPECT_EQ(JumpModeCaptions[1][0], "ﾘﾝｸ集用");
}

}  // namespace
}  // namespace vex::texts
