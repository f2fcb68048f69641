#include "platform/text/text_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace vex {
namespace {

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD

struct Case {
  const char* name;
  std::string bytes;
  const char* encoding;
  std::string text;
};

TEST(DecodeToUtf8, ReadsEveryKindOfEncoding) {
  const Case cases[] = {
      {"utf8_passes", "日本", "UTF-8", "日本"},
      {"utf8_cut_sequence",
       "a\xE6\x97"
       "b",
       "UTF-8", std::string("a") + kBad + "b"},
      {"utf8_surrogate", "\xED\xA0\x80", "UTF-8", std::string(kBad) + kBad + kBad},
      {"utf16le_pair", std::string("\x3D\xD8\x00\xDE", 4), "UTF-16LE", "\xF0\x9F\x98\x80"},
      {"utf16be_text", std::string("\x65\xE5\x00\x61", 4), "UTF-16BE", "日a"},
      {"utf16le_lone_surrogate_and_odd_byte", std::string("\x00\xD8\x61\x00\x62", 5), "UTF-16LE",
       std::string(kBad) + "a" + kBad},
      {"windows_1252_gaps_are_controls", "\x80\x81\x9D", "windows-1252", "€\xC2\x81\xC2\x9D"},
      {"windows_1251", "\xC4\xE0", "windows-1251", "Да"},
      {"iso_8859_2", "\xB1", "ISO-8859-2", "ą"},
      {"koi8_u_differs_from_the_converter", "\xAE\xBE", "KOI8-U", "ўЎ"},
      {"macintosh_apple_sign", "\xF0", "macintosh", "\xEF\xA3\xBF"},
      {"hebrew_point", "\xCA", "windows-1255", "\xD6\xBA"},
      {"x_user_defined", "a\x80\xFF", "x-user-defined", "a\xEF\x9E\x80\xEF\x9F\xBF"},
      {"replacement_hides_everything", "\x1B$)C<script>", "replacement", kBad},
      {"replacement_of_nothing", "", "replacement", ""},
      {"gbk_through_gb18030", "\xC4\xE3\xBA\xC3", "GBK", "你好"},
      {"euc_kr", "\xC7\xD1", "EUC-KR", "한"},
      {"big5", "\xA4\xA4", "Big5", "中"},
      {"shift_jis", "\x93\xFA", "Shift_JIS", "日"},
      {"unknown_name_reads_utf8", "a\xFF", "no-such", std::string("a") + kBad},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeToUtf8(c.bytes, c.encoding), c.text) << c.name;
  }
}

}  // namespace
}  // namespace vex
