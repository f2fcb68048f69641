#include "probe/charset_conversion.h"

#include <gtest/gtest.h>

namespace vex {
namespace {

struct EucCase {
  const char* name;
  std::string euc;
  std::string sjis;
};

class EucToSjisTest : public ::testing::TestWithParam<EucCase> {};

TEST_P(EucToSjisTest, Converts) {
  const EucCase& c = GetParam();
  EXPECT_EQ(EucToSjis(c.euc), c.sjis);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, EucToSjisTest,
    ::testing::Values(EucCase{"Kanji", "\xB0\xA1", "\x88\x9F"},
                      EucCase{"Hiragana", "\xA4\xA2", "\x82\xA0"},
                      EucCase{"HalfWidthKatakana", "\x8E\xB1", "\xB1"},
                      EucCase{"AsciiUnchanged", "<a href=\"x.htm\">", "<a href=\"x.htm\">"},
                      EucCase{"Mixed",
                              "ab\xA4\xA2"
                              "c\x8E\xB1",
                              "ab\x82\xA0"
                              "c\xB1"},
                      EucCase{"RowAbove5E", "\xE0\xA1", "\xE0\x9F"},
                      EucCase{"LastRow", "\xFE\xFE", "\xEF\xFC"},
                      EucCase{"OddRowHighCell", "\xB1\xE0", "\x89\x80"},
                      // 0x8F is copied; the two bytes after it are taken as one pair.
                      EucCase{"SupplementaryLeadCopied", "\x8F\xB0\xA1", "\x8F\x88\x9F"},
                      EucCase{"KanaLeadBeforeOtherByteCopied",
                              "\x8E"
                              "A",
                              "\x8E"
                              "A"},
                      EucCase{"StrayBytesCopied", "\x80\xA0\xFF", "\x80\xA0\xFF"},
                      // A text cut inside a character: the half character is dropped.
                      EucCase{"LeadAtEndDropped", "ab\xA4", "ab"},
                      EucCase{"KanaLeadAtEndDropped", "ab\x8E", "ab"},
                      EucCase{"LeadBeforeAsciiDropped",
                              "\xA4"
                              "ab",
                              "ab"},
                      EucCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JisToSjis, RowsOutsideTheTableGiveNothing) {
  struct Row {
    const char* name;
    std::uint8_t row, cell;
    std::string expected;
  };
  const Row rows[] = {
      {"FirstRowEven", 0x30, 0x21, "\x88\x9F"},
      {"OddRowLowCell", 0x21, 0x21, "\x81\x40"},
      {"OddRowCellFrom60", 0x21, 0x60, "\x81\x80"},
      {"Row5EIsLow", 0x5E, 0x21, "\x9F\x9F"},
      {"Row5FIsHigh", 0x5F, 0x21, "\xE0\x40"},
      {"CellUncheckedBelowTable", 0x30, 0x00, "\x88\x7E"},
      {"Row20", 0x20, 0x21, ""},
      {"Row7F", 0x7F, 0x21, ""},
  };
  for (const Row& r : rows) EXPECT_EQ(JisToSjis(r.row, r.cell), r.expected) << r.name;
}

struct Utf8Case {
  const char* name;
  std::string utf8;
  const char* codePage;
  std::string strict;
  std::string lenient;
};

class Utf8ToLocalTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToLocalTest, Converts) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(Utf8ToLocal(c.utf8, c.codePage), c.strict);
  EXPECT_EQ(Utf8ToLocalLenient(c.utf8, c.codePage), c.lenient);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8ToLocalTest,
    ::testing::Values(
        Utf8Case{"HiraganaToCp932", "\xE3\x81\x82", "CP932", "\x82\xA0", "\x82\xA0"},
        Utf8Case{"AsciiToCp932", "<title>x</title>", "CP932", "<title>x</title>",
                 "<title>x</title>"},
        Utf8Case{"TwoByteToLocal", "caf\xC3\xA9", "UTF-8", "caf\xC3\xA9", "caf\xC3\xA9"},
        Utf8Case{"ThreeByteToLocal", "\xE7\xA7\xBB\xE8\xBB\xA2", "UTF-8",
                 "\xE7\xA7\xBB\xE8\xBB\xA2", "\xE7\xA7\xBB\xE8\xBB\xA2"},
        // One substitute per missing character, not one per byte.
        Utf8Case{"MissingInCodePage",
                 "a\xC3\xA9"
                 "b",
                 "CP932", "a?b", "a?b"},
        Utf8Case{"CutAfterFirstByte", "ab\xE3", "CP932", "", "ab"},
        Utf8Case{"CutAfterSecondByte", "ab\xE3\x81", "CP932", "", "ab"},
        Utf8Case{"WrongContinuation", "\xE3\x41\x82z", "CP932", "", ""},
        Utf8Case{"WrongContinuationBeforeCut", "a\xE3\x41", "CP932", "", ""},
        // Four-byte characters are no part of the strict rule: the lead is read
        // as a three-byte lead and the last byte is left cut.
        Utf8Case{"FourByteCharacter", "\xF0\x9F\x98\x80", "UTF-8", "", "\xF0\x9F\x98\x80"},
        // Strictly, F0 9F 98 reads as one three-byte character (U+07D8).
        Utf8Case{"FourByteCut", "x\xF0\x9F\x98", "UTF-8", "x\xDF\x98", "x"},
        Utf8Case{"LoneSurrogateReplaced",
                 "\xED\xA0\x80"
                 "a",
                 "UTF-8",
                 "\xEF\xBF\xBD"
                 "a",
                 "\xEF\xBF\xBD"
                 "a"},
        Utf8Case{"UnknownCodePage", "abc", "NO-SUCH-SET", "", ""},
        Utf8Case{"Empty", "", "CP932", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8ToLocal, DefaultsToTheLocalCodePage) {
  EXPECT_EQ(Utf8ToLocal("\xE3\x81\x82"), "\xE3\x81\x82");
  EXPECT_EQ(Utf8ToLocalLenient("\xE3\x81\x82\xE3"), "\xE3\x81\x82");
}

}  // namespace
}  // namespace vex
