#include "platform/text/japanese_decoders.h"

#include <gtest/gtest.h>

#include <string>

namespace vex {
namespace {

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD

struct Case {
  const char* name;
  std::string bytes;
  std::string text;
};

void ExpectDecodes(std::string (*decode)(std::string_view), const Case& c) {
  EXPECT_EQ(decode(c.bytes), c.text) << c.name;
}

// The characters browsers show and the system's plain converters lose or
// map elsewhere, and what a bad byte costs.
TEST(DecodeShiftJis, ReadsAsBrowsersDo) {
  const Case cases[] = {
      {"wave_dash_as_fullwidth_tilde", "\x81\x60", "～"},
      {"parallel", "\x81\x61", "∥"},
      {"minus_as_fullwidth_hyphen", "\x81\x7C", "－"},
      {"backslash_row_one", "\x81\x5F", "＼"},
      {"not_sign", "\x81\xCA", "￢"},
      {"nec_row_13_circled_one", "\x87\x40", "①"},
      {"nec_row_13_stock", "\x87\x8A", "㈱"},
      {"nec_selected_ibm_extension", "\xED\x40", "纊"},
      {"ibm_extension", "\xFA\x40", "ⅰ"},
      {"half_width_katakana", "\xB1\xDD", "ｱﾝ"},
      {"kanji_and_ascii",
       "a\x93\xFA\x96\x7B"
       "b",
       "a日本b"},
      {"user_defined_area", "\xF0\x40", "\xEE\x80\x80"},
      {"byte_80_is_a_control", "\x80", "\xC2\x80"},
      {"byte_a0_is_bad", "\xA0", kBad},
      {"byte_fd_is_bad", "\xFD", kBad},
      {"lead_at_the_end", "a\x82", std::string("a") + kBad},
      {"ascii_after_a_lead_is_kept", "\x82<a>", std::string(kBad) + "<a>"},
      {"unmapped_pair_keeps_an_ascii_trail", "\x85\x40", std::string(kBad) + "@"},
      {"bad_high_trail_is_taken",
       "\x82\xFD"
       "x",
       std::string(kBad) + "x"},
  };
  for (const Case& c : cases) ExpectDecodes(DecodeShiftJis, c);
}

TEST(DecodeEucJp, ReadsAsBrowsersDo) {
  const Case cases[] = {
      {"wave_dash_as_fullwidth_tilde", "\xA1\xC1", "～"},
      {"parallel", "\xA1\xC2", "∥"},
      {"minus_as_fullwidth_hyphen", "\xA1\xDD", "－"},
      {"not_sign", "\xA2\xCC", "￢"},
      {"nec_row_13_circled_one", "\xAD\xA1", "①"},
      {"nec_row_13_stock", "\xAD\xEA", "㈱"},
      {"nec_selected_ibm_extension", "\xF9\xA1", "纊"},
      {"jis_x_0212", "\x8F\xB0\xA1", "丂"},
      {"jis_x_0212_tilde", "\x8F\xA2\xB7", "～"},
      {"half_width_katakana", "\x8E\xB1\x8E\xDD", "ｱﾝ"},
      {"kanji_and_ascii",
       "a\xC6\xFC\xCB\xDC"
       "b",
       "a日本b"},
      {"lead_at_the_end", "a\xA4", std::string("a") + kBad},
      {"ascii_after_a_lead_is_kept", "\xA4<", std::string(kBad) + "<"},
      {"katakana_prefix_with_bad_byte", "\x8E\xE0", kBad},
      {"jis_x_0212_cut", "\x8F\xB0", kBad},
      {"jis_x_0212_ascii_third_byte_kept", "\x8F\xB0<", std::string(kBad) + "<"},
      {"unmapped_pair", "\xA9\xA1", kBad},
      {"stray_byte",
       "\x80"
       "a",
       std::string(kBad) + "a"},
  };
  for (const Case& c : cases) ExpectDecodes(DecodeEucJp, c);
}

TEST(DecodeIso2022Jp, ReadsAsBrowsersDo) {
  const Case cases[] = {
      {"kanji", "a\x1B$B\x46\x7C\x4B\x5C\x1B(Bb", "a日本b"},
      {"old_kanji_escape", "\x1B$@\x46\x7C\x1B(B", "日"},
      {"nec_row_13_circled_one", "\x1B$B\x2D\x21\x1B(B", "①"},
      {"wave_dash_as_fullwidth_tilde", "\x1B$B\x21\x41\x1B(B", "～"},
      {"half_width_katakana", "\x1B(I\x31\x5D\x1B(B", "ｱﾝ"},
      {"roman_yen_and_overline",
       "\x1B(J\x5C\x7E"
       "a\x1B(B\x5C",
       "¥‾a\\"},
      {"escape_straight_after_escape", "\x1B$B\x1B(Ba", std::string(kBad) + "a"},
      {"unknown_escape_keeps_its_bytes", "\x1B(Zx", std::string(kBad) + "(Zx"},
      {"escape_at_the_end", "a\x1B", std::string("a") + kBad},
      {"jis_x_0212_is_not_read", "\x1B$(D\x30\x21", std::string(kBad) + "$(D0!"},
      {"line_break_inside_kanji", "\x1B$B\x46\x7C\n\x1B(B", std::string("日") + kBad},
      {"lead_cut_by_escape", "\x1B$B\x46\x1B(Ba", std::string(kBad) + "a"},
      {"high_byte", "a\xA4", std::string("a") + kBad},
      {"shift_out_byte", "\x0E", kBad},
      {"katakana_out_of_range", "\x1B(I\x60\x1B(B", kBad},
  };
  for (const Case& c : cases) ExpectDecodes(DecodeIso2022Jp, c);
}

}  // namespace
}  // namespace vex
