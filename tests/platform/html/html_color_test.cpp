#include "platform/html/html_color.h"

#include <gtest/gtest.h>

namespace vex {
namespace {

struct ColorCase {
  const char* name;
  const char* value;
  const char* expected;
};

class LegacyColorTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(LegacyColorTest, Parses) {
  EXPECT_EQ(LegacyColor(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegacyColorTest,
    ::testing::Values(
        ColorCase{"empty", "", ""}, ColorCase{"blanks", "  ", ""},
        ColorCase{"transparent", "Transparent", ""}, ColorCase{"named", "White", "#ffffff"},
        ColorCase{"named_late_in_list", "yellowgreen", "#9acd32"},
        ColorCase{"named_with_blanks", " navy ", "#000080"},
        ColorCase{"short_hex", "#fff", "#ffffff"}, ColorCase{"short_hex_mixed", "#A1b", "#aa11bb"},
        ColorCase{"long_hex", "#FF0000", "#ff0000"}, ColorCase{"bare_hex", "ff0000", "#ff0000"},
        ColorCase{"bare_three_digits", "abc", "#0a0b0c"}, ColorCase{"padded", "#1", "#010000"},
        ColorCase{"non_hex_letters", "chucknorris", "#c00000"},
        ColorCase{"long_garbage", "#123456789abcdef0", "#1278de"},
        ColorCase{"leading_zero_components", "#0001ff0002ff0003ff", "#1f2f3f"},
        ColorCase{"non_ascii", "\xE8\x89\xB2", "#000000"}),
    [](const ::testing::TestParamInfo<ColorCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vex
