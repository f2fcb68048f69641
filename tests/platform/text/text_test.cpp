#include "platform/text/text.h"

#include <gtest/gtest.h>

#include "platform/text/line_list.h"

namespace vex {
namespace {

TEST(Text, UpperCaseKeepsNonAsciiBytesInPlace) {
  const std::string s = "a◎b";
  const std::string u = UpperAscii(s);
  EXPECT_EQ(u, "A◎B");
  EXPECT_EQ(Pos(u, "B"), Pos(s, "b"));
}

TEST(Text, PosIsOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(Pos("abcabc", "c"), 3u);
  EXPECT_EQ(Pos("abcabc", "c", 4), 6u);
  EXPECT_EQ(Pos("abc", "x"), 0u);
  EXPECT_EQ(Pos("abc", ""), 0u);
}

TEST(Text, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t a b\r\n"), "a b");
  EXPECT_EQ(Trim("\x01\x02"), "");
}

TEST(Text, ToIntRejectsPartialNumbers) {
  EXPECT_EQ(ToIntOr(" 12 ", -1), 12);
  EXPECT_EQ(ToIntOr("1x", -1), -1);
  EXPECT_EQ(ToIntOr("", -1), -1);
  EXPECT_EQ(ToIntOr("-3", 0), -3);
}

TEST(LineList, SplitsAtEveryKindOfLineEnd) {
  bool brk = false;
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd", &brk), (LineList{"a", "b", "c", "d"}));
  EXPECT_FALSE(brk);
  EXPECT_EQ(SplitLines("a\r\n\r\n", &brk), (LineList{"a", ""}));
  EXPECT_TRUE(brk);
  EXPECT_EQ(JoinLines({"a", "b"}, false), "a\r\nb");
}

}  // namespace
}  // namespace vex
