#include "platform/text/encoding_labels.h"

#include <gtest/gtest.h>

namespace vex {
namespace {

TEST(EncodingForLabel, KnowsTheLabelsBrowsersKnow) {
  const struct {
    const char* label;
    const char* encoding;
  } cases[] = {
      {"x-sjis", "Shift_JIS"},
      {"MS_Kanji", "Shift_JIS"},
      {"csshiftjis", "Shift_JIS"},
      {" windows-31j\n", "Shift_JIS"},
      {"x-euc-jp", "EUC-JP"},
      {"cseucpkdfmtjapanese", "EUC-JP"},
      {"csiso2022jp", "ISO-2022-JP"},
      {"ISO-2022-JP", "ISO-2022-JP"},
      {"latin1", "windows-1252"},
      {"us-ascii", "windows-1252"},
      {"utf8", "UTF-8"},
      {"utf-16", "UTF-16LE"},
      {"iso-2022-kr", "replacement"},
      {"gb2312", "GBK"},
      {"tis-620", "windows-874"},
      {"cp932", ""},
      {"shift_jis2", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodingForLabel(c.label), c.encoding) << c.label;
}

}  // namespace
}  // namespace vex
