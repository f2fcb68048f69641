#include "platform/system/profile_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/text/line_list.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // nothing: the file does not exist
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, LeavesTheExpectedFile) {
  const WriteCase& c = GetParam();
  // Replaced as a whole or written over in place, the file comes out the same.
  for (const vex::ProfileWrite how : {vex::ProfileWrite::Replace, vex::ProfileWrite::InPlace}) {
    testing::TempDir dir;
    const std::string path = dir / "p.ini";
    if (c.before) dir.Write("p.ini", *c.before);
    ASSERT_TRUE(WriteProfileString(path, c.section, c.key, c.value, how));
    std::string data;
    ASSERT_TRUE(ReadFileBytes(path, data));
    EXPECT_EQ(data, c.after) << (how == vex::ProfileWrite::InPlace ? "in place" : "replaced");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    ::testing::Values(
        WriteCase{"ReplacesKeyIgnoringCaseAndBlanks",
                  "[NOCHECK]\r\n.a.\r\n\r\n[OPT]\r\n  char = 0 ; old\r\nJUMP=1\r\n", "OPT", "CHAR",
                  "1", "[NOCHECK]\r\n.a.\r\n\r\n[OPT]\r\nCHAR=1\r\nJUMP=1\r\n"},
        WriteCase{"SectionNameIgnoresCase", "[opt]\r\nJUMP=0\r\n", "OPT", "JUMP", "2",
                  "[opt]\r\nJUMP=2\r\n"},
        WriteCase{"KeyMatchesWholeNotByPrefix", "[OPT]\r\nCHARSET=UTF-8\r\n\r\n[X]\r\n", "OPT",
                  "CHAR", "1", "[OPT]\r\nCHARSET=UTF-8\r\nCHAR=1\r\n\r\n[X]\r\n"},
        WriteCase{"MissingKeyGoesAfterTheSectionsLastEntry", "[OPT]\r\nVER=2.6\r\nCHAR=0\r\n\r\n",
                  "OPT", "JUMP", "2", "[OPT]\r\nVER=2.6\r\nCHAR=0\r\nJUMP=2\r\n\r\n"},
        WriteCase{"EntryOfAnotherSectionIsNotTouched", "[A]\r\nJUMP=5\r\n[OPT]\r\n", "OPT", "JUMP",
                  "2", "[A]\r\nJUMP=5\r\n[OPT]\r\nJUMP=2\r\n"},
        WriteCase{"OnlyTheFirstEntryChanges", "[OPT]\r\nJUMP=0\r\nJUMP=1\r\n", "OPT", "JUMP", "2",
                  "[OPT]\r\nJUMP=2\r\nJUMP=1\r\n"},
        WriteCase{"MissingSectionIsAppended", "[NOCHECK]\r\n.a.\r\n", "OPT", "CHAR", "1",
                  "[NOCHECK]\r\n.a.\r\n[OPT]\r\nCHAR=1\r\n"},
        WriteCase{"LastLineWithoutBreakGetsOne", "[NOCHECK]\r\n.a.", "OPT", "CHAR", "1",
                  "[NOCHECK]\r\n.a.\r\n[OPT]\r\nCHAR=1\r\n"},
        WriteCase{"KeyAtTheEndOfTheFileWithoutBreak", "[OPT]\r\nCHAR=0", "OPT", "CHAR", "1",
                  "[OPT]\r\nCHAR=1\r\n"},
        WriteCase{"OtherLinesKeepTheirBytes", "x;y\n[OPT]\n\tkeep = me\nCHAR=0\n", "OPT", "CHAR",
                  "1", "x;y\n[OPT]\n\tkeep = me\nCHAR=1\n"},
        WriteCase{"CommentLineIsNoEntry", "[OPT]\r\n;CHAR=0\r\n", "OPT", "CHAR", "1",
                  "[OPT]\r\n;CHAR=0\r\nCHAR=1\r\n"},
        WriteCase{"MissingFileIsCreated", std::nullopt, "OPT", "JUMP", "2", "[OPT]\r\nJUMP=2\r\n"},
        WriteCase{"EmptyFile", std::string(), "OPT", "JUMP", "2", "[OPT]\r\nJUMP=2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileWriteFailure, ReportsWhatCannotBeWritten) {
  testing::TempDir dir;
  const std::string file = dir.Write("plain", "x");
  // A folder cannot be written as a file, nor can a path below a plain file.
  EXPECT_FALSE(WriteProfileString(dir.path().string(), "OPT", "CHAR", "1"));
  EXPECT_FALSE(WriteProfileString(file + "/p.ini", "OPT", "CHAR", "1"));
  // Line breaks would smuggle in other entries.
  const std::string ini = dir.Write("p.ini", "[OPT]\r\nCHAR=0\r\n");
  EXPECT_FALSE(WriteProfileString(ini, "OPT", "CHAR", "1\r\nJUMP=2"));
  EXPECT_FALSE(WriteProfileString(ini, "OPT", "", "1"));
  std::string data;
  ASSERT_TRUE(ReadFileBytes(ini, data));
  EXPECT_EQ(data, "[OPT]\r\nCHAR=0\r\n");
}

TEST(ProfileRead, FindsWholeKeysOfTheSection) {
  testing::TempDir dir;
  const std::string ini =
      dir.Write("p.ini", "[A]\r\nCHAR=9\r\n[ opt ]\r\ncharset = utf-8 \r\nChar=1\r\n");
  EXPECT_EQ(ReadProfileString(ini, "OPT", "CHAR"), "1");
  EXPECT_EQ(ReadProfileString(ini, "OPT", "CHARSET"), "utf-8");
  EXPECT_EQ(ReadProfileString(ini, "OPT", "JUMP", "0"), "0");
  EXPECT_EQ(ReadProfileString(ini, "B", "CHAR", "x"), "x");
  EXPECT_EQ(ReadProfileString(dir / "none.ini", "OPT", "CHAR", "x"), "x");
}

}  // namespace
}  // namespace vex
