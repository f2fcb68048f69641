#include "platform/text/encoding.h"

#include <gtest/gtest.h>

namespace vex {
namespace {

struct Case {
  const char* name;
  std::string input;
  const char* from;
  const char* to;
  std::string expected;
};

class ConvertCharsetTest : public ::testing::TestWithParam<Case> {};

TEST_P(ConvertCharsetTest, Converts) {
  const Case& c = GetParam();
  std::string out;
  ASSERT_TRUE(ConvertCharset(c.input, c.from, c.to, out));
  EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ConvertCharsetTest,
    ::testing::Values(
        Case{"Utf8ToCp932", "\xE3\x81\x82", "UTF-8", "CP932", "\x82\xA0"},
        Case{"Cp932ToUtf8", "\x82\xA0", "CP932", "UTF-8", "\xE3\x81\x82"},
        Case{"EucJpToUtf8", "\xA4\xA2", "EUC-JP", "UTF-8", "\xE3\x81\x82"},
        Case{"Iso2022JpToUtf8", "\x1B$B$\"\x1B(B", "ISO-2022-JP", "UTF-8", "\xE3\x81\x82"},
        Case{"Latin1ToUtf8", "caf\xE9", "ISO-8859-1", "UTF-8", "caf\xC3\xA9"},
        Case{"InvalidBecomesReplacement",
             "a\xFF"
             "b",
             "UTF-8", "UTF-8",
             "a\xEF\xBF\xBD"
             "b"},
        Case{"MissingInTargetIsOneSubstitute",
             "a\xC3\xA9"
             "b",
             "UTF-8", "CP932", "a?b"},
        // An encoded surrogate is no character: each byte is replaced.
        Case{"SurrogateIsNoCharacterOfTheTarget",
             "a\xED\xA0\x80"
             "b",
             "UTF-8", "CP932", "a???b"},
        Case{"CutCharacterAtEnd", "a\xE3\x81", "UTF-8", "UTF-8", "a\xEF\xBF\xBD\xEF\xBF\xBD"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertCharset, UnknownSetFails) {
  std::string out;
  EXPECT_FALSE(ConvertCharset("x", "NO-SUCH-SET", "UTF-8", out));
  EXPECT_FALSE(IsKnownCharset("NO-SUCH-SET"));
  EXPECT_TRUE(IsKnownCharset("SHIFT_JIS"));
}

TEST(ConvertCharset, FailModeRejectsInvalidInput) {
  std::string out;
  EXPECT_FALSE(ConvertCharset("a\xFF", "UTF-8", "UTF-8", out, OnInvalid::Fail));
}

}  // namespace
}  // namespace vex
