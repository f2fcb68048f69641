#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/text/line_list.h"
#include "support/temp_dir.h"
#include "support/test_app.h"

namespace vex {
namespace {

std::string Fixture(const std::string& name) {
  std::string data;
  EXPECT_TRUE(ReadFileBytes(std::string(VEXALORN_FIXTURES) + "/settings/" + name, data)) << name;
  return data;
}

template <typename T>
std::string RowName(const ::testing::TestParamInfo<T>& info) {
  return info.param.name;
}

// --- FindEntry ---

struct FindCase {
  std::string name;
  LineList image;
  std::string section, key, expected;
};
class FindEntryTest : public ::testing::TestWithParam<FindCase> {};
TEST_P(FindEntryTest, Finds) {
  const auto& c = GetParam();
  EXPECT_EQ(FindEntry(c.image, c.section, c.key), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, FindEntryTest,
    ::testing::Values(
        FindCase{"TrimmedAndUpperCased",
                 {"[OPT]", "  char = 1 // en  "},
                 "OPT",
                 "CHAR",
                 "CHAR = 1 // EN"},
        FindCase{"MatchesByPrefixSoCharsetFirstWins",
                 {"[OPT]", "CHARSET=utf-8", "CHAR=1"},
                 "OPT",
                 "CHAR",
                 "CHARSET=UTF-8"},
        FindCase{"EndsAtTheNextSection", {"[OPT]", "VER=2.6", " [X]", "CHAR=1"}, "OPT", "CHAR", ""},
        FindCase{"HeaderMustBeExact", {"[opt]", "CHAR=1", " [OPT]", "CHAR=1"}, "OPT", "CHAR", ""},
        FindCase{"LinesBeforeTheHeaderDoNotCount", {"CHAR=1", "[OPT]"}, "OPT", "CHAR", ""},
        FindCase{"EmptyLinesDoNotEndTheSection", {"[OPT]", "", "JUMP=2"}, "OPT", "JUMP", "JUMP=2"}),
    RowName<FindCase>);

// --- EntryValue and StripComment ---

struct ValueCase {
  std::string name, key, line, expected;
};
class EntryValueTest : public ::testing::TestWithParam<ValueCase> {};
TEST_P(EntryValueTest, Reads) {
  const auto& c = GetParam();
  EXPECT_EQ(EntryValue(c.key, c.line), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, EntryValueTest,
    ::testing::Values(ValueCase{"BlanksAroundEquals", "CHAR", " CHAR = 1 ", "1"},
                      ValueCase{"NoEqualsGivesTheLine", "CHAR", "CHAR 1", "CHAR 1"},
                      ValueCase{"OtherKeyGivesTheLine", "JUMP", "CHAR=1", "CHAR=1"},
                      ValueCase{"LongerKeyGivesTheLine", "CHAR", "CHARSET=UTF-8", "CHARSET=UTF-8"},
                      ValueCase{"EmptyValue", "VER", "VER=", ""},
                      ValueCase{"KeyAloneGivesTheLine", "VER", "VER", "VER"}),
    RowName<ValueCase>);

struct CommentCase {
  std::string name, value, expected;
};
class StripCommentTest : public ::testing::TestWithParam<CommentCase> {};
TEST_P(StripCommentTest, Strips) {
  EXPECT_EQ(StripComment(GetParam().value), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, StripCommentTest,
                         ::testing::Values(CommentCase{"Semicolon", "2.6 ; note", "2.6"},
                                           CommentCase{"Slashes", "1 // english", "1"},
                                           CommentCase{"EarliestMarkerWins", "a // b ; c", "a"},
                                           CommentCase{"MarkerNeedsItsBlank", "a;b//c", "a;b//c"},
                                           CommentCase{"MarkerAtTheStart", " ;x", ""},
                                           CommentCase{"Nothing", "UTF-8", "UTF-8"}),
                         RowName<CommentCase>);

// --- SetEntry and DeleteEntries ---

struct EditCase {
  std::string name;
  LineList before;
  std::string section, key;
  std::optional<std::string> value;
  LineList after;
};
class SetEntryTest : public ::testing::TestWithParam<EditCase> {};
TEST_P(SetEntryTest, Edits) {
  const auto& c = GetParam();
  LineList image = c.before;
  SetEntry(image, c.section, c.key,
           c.value ? std::optional<std::string_view>(*c.value) : std::nullopt);
  EXPECT_EQ(image, c.after);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, SetEntryTest,
    ::testing::Values(EditCase{"ReplacesByPrefix",
                               {"[OPT]", "char = 1", ""},
                               "OPT",
                               "CHAR",
                               "0",
                               {"[OPT]", "CHAR=0", ""}},
                      EditCase{"InsertsAtTheFirstEmptyLine",
                               {"[OPT]", "CHAR=0", "", "[X]"},
                               "OPT",
                               "VER",
                               "2.6",
                               {"[OPT]", "CHAR=0", "VER=2.6", "", "[X]"}},
                      EditCase{"EntryBelowAnEmptyLineIsNotReplaced",
                               {"[OPT]", "", "JUMP=1"},
                               "OPT",
                               "JUMP",
                               "0",
                               {"[OPT]", "JUMP=0", "", "JUMP=1"}},
                      EditCase{"InsertsBeforeTheNextSection",
                               {"[OPT]", "CHAR=0", "[X]"},
                               "OPT",
                               "JUMP",
                               "0",
                               {"[OPT]", "CHAR=0", "JUMP=0", "[X]"}},
                      EditCase{"AppendsWhenTheSectionRunsToTheEnd",
                               {"[OPT]", "CHAR=0"},
                               "OPT",
                               "JUMP",
                               "0",
                               {"[OPT]", "CHAR=0", "JUMP=0"}},
                      EditCase{"AppendsAMissingSection",
                               {"[opt]", "CHAR=1"},
                               "OPT",
                               "CHAR",
                               "0",
                               {"[opt]", "CHAR=1", "[OPT]", "CHAR=0"}},
                      EditCase{"KeyAloneWithoutValue",
                               {"[CANNOTCHECK]", "?x", ""},
                               "CANNOTCHECK",
                               "?",
                               std::nullopt,
                               {"[CANNOTCHECK]", "?", ""}},
                      // The key is not upper-cased, so a lower-case key never replaces.
                      EditCase{"LowerCaseKeyIsAlwaysInserted",
                               {"[NOCHECK]", "www.a.", ""},
                               "NOCHECK",
                               "www.a.",
                               std::nullopt,
                               {"[NOCHECK]", "www.a.", "www.a.", ""}}),
    RowName<EditCase>);

class DeleteEntriesTest : public ::testing::TestWithParam<EditCase> {};
TEST_P(DeleteEntriesTest, Deletes) {
  const auto& c = GetParam();
  LineList image = c.before;
  DeleteEntries(image, c.section, c.key);
  EXPECT_EQ(image, c.after);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, DeleteEntriesTest,
    ::testing::Values(
        EditCase{"PrefixIgnoresCaseAndNeighboursAreReexamined",
                 {"[C]", "#a", " #b", "MAILTO", "#c", "", "[D]", "#d"},
                 "C",
                 "#",
                 {},
                 {"[C]", "MAILTO", "", "[D]", "#d"}},
        EditCase{"LowerCasePrefixMatchesUpperCaseLine",
                 {"[OPT]", "VER=1.5", "CHAR=0"},
                 "OPT",
                 "ver",
                 {},
                 {"[OPT]", "CHAR=0"}},
        EditCase{"EmptyPrefixEmptiesTheSection",
                 {"[C]", "a", "", "b", "[D]", "x"},
                 "C",
                 "",
                 {},
                 {"[C]", "[D]", "x"}},
        EditCase{"MissingSectionChangesNothing", {"[D]", "#x"}, "C", "#", {}, {"[D]", "#x"}}),
    RowName<EditCase>);

// --- Migration of files written by older versions ---

struct MigrateCase {
  std::string name;
  MigrateResult result;
};
class MigrateTest : public ::testing::TestWithParam<MigrateCase> {};
TEST_P(MigrateTest, RewritesTheFileAsExpected) {
  const auto& c = GetParam();
  testing::TempDir dir;
  const std::string path = dir.Write("vexalorn.ini", Fixture("migrate/" + c.name + ".ini"));
  LineList image;
  EXPECT_EQ(MigrateSettings(image, path), c.result);
  std::string data;
  ASSERT_TRUE(ReadFileBytes(path, data));
  EXPECT_EQ(data, Fixture("migrate/" + c.name + ".expected"));
  EXPECT_EQ(JoinLines(image, false), JoinLines(SplitLines(data), false));
}
INSTANTIATE_TEST_SUITE_P(
    Fixtures, MigrateTest,
    ::testing::Values(MigrateCase{"before_1_2", MigrateResult::Saved},
                      MigrateCase{"version_1_3_no_final_break", MigrateResult::Saved},
                      // The unbroken last line is removed; a blank line ends the file.
                      MigrateCase{"version_key_last_without_break", MigrateResult::Saved},
                      MigrateCase{"current_with_comment", MigrateResult::Unchanged},
                      MigrateCase{"newer_version", MigrateResult::Saved},
                      MigrateCase{"lower_case_header", MigrateResult::Saved}),
    RowName<MigrateCase>);

// --- Loading ---

struct OptionCase {
  std::string name, file;
  int charMode, jumpMode;
  std::string charset;
};
class LoadOptionsTest : public ::testing::TestWithParam<OptionCase> {};
TEST_P(LoadOptionsTest, SetsTheModes) {
  const auto& c = GetParam();
  testing::TempDir dir;
  testing::TestApp t;
  t.app.state.CharMode = 7;
  t.app.state.ReportCharset = "stale";
  const std::string path = dir.Write("vexalorn.ini", c.file);
  EXPECT_EQ(LoadSettings(t.app, path).status, SettingsStatus::Ok);
  EXPECT_EQ(t.app.state.CharMode, c.charMode);
  EXPECT_EQ(t.app.state.JumpMode, c.jumpMode);
  EXPECT_EQ(t.app.state.ReportCharset, c.charset);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, LoadOptionsTest,
    ::testing::Values(
        OptionCase{"LowerCaseWithComment", "[OPT]\r\nVER=2.6\r\nchar = 1 // english\r\n", 1, 0, ""},
        OptionCase{"AnyNonZeroCharIsEnglish", "[OPT]\r\nVER=2.6\r\nCHAR=-4\r\nJUMP=2\r\n", 1, 2,
                   ""},
        OptionCase{"CharsetIsUpperCased", "[OPT]\r\nVER=2.6\r\nCHARSET=utf-8\r\n", 0, 0, "UTF-8"},
        OptionCase{"CharsetAboveCharHidesIt", "[OPT]\r\nVER=2.6\r\nCHARSET=x\r\nCHAR=1\r\n", 0, 0,
                   "X"},
        OptionCase{"NumbersMustBeWhole", "[OPT]\r\nVER=2.6\r\nCHAR=1x\r\nJUMP=2.0\r\n", 0, 0, ""},
        OptionCase{"OutOfRangeNumberIsZero", "[OPT]\r\nVER=2.6\r\nJUMP=99999999999\r\n", 0, 0, ""},
        OptionCase{"JumpIsKeptAsRead", "[OPT]\r\nVER=2.6\r\nJUMP=5\r\n", 0, 5, ""},
        OptionCase{"NotTheOptionSection", " [OPT]\r\nVER=2.6\r\nCHAR=1\r\nJUMP=2\r\n", 0, 0, ""}),
    RowName<OptionCase>);

// Requests at once and per host: whole numbers of at least 1, the per-host
// count no higher than the total.
struct ParallelCase {
  std::string name, lines;
  int parallel, perHost;
};
class LoadParallelTest : public ::testing::TestWithParam<ParallelCase> {};
TEST_P(LoadParallelTest, ReadsTheLimits) {
  const auto& c = GetParam();
  testing::TempDir dir;
  testing::TestApp t;
  const std::string path = dir.Write("vexalorn.ini", "[OPT]\r\nVER=2.6\r\n" + c.lines);
  EXPECT_EQ(LoadSettings(t.app, path).status, SettingsStatus::Ok);
  EXPECT_EQ(t.app.state.ParallelProbes, c.parallel);
  EXPECT_EQ(t.app.state.ProbesPerHost, c.perHost);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, LoadParallelTest,
    ::testing::Values(ParallelCase{"Defaults", "", kDefaultParallel, kDefaultPerHost},
                      ParallelCase{"OneAtATime", "PARALLEL=1\r\n", 1, 1},
                      ParallelCase{"Both", "PARALLEL=40 // more\r\nPERHOST=6\r\n", 40, 6},
                      ParallelCase{"CappedTotal", "PARALLEL=100000\r\n", kMaxParallel,
                                   kDefaultPerHost},
                      ParallelCase{"PerHostNoMoreThanTotal", "PARALLEL=2\r\nPERHOST=9\r\n", 2, 2},
                      ParallelCase{"NotACountGivesTheDefault", "PARALLEL=0\r\nPERHOST=x\r\n",
                                   kDefaultParallel, kDefaultPerHost},
                      ParallelCase{"LongerOrShorterKeysAreOthers", "PARALLELS=3\r\nPER=2\r\n",
                                   kDefaultParallel, kDefaultPerHost}),
    RowName<ParallelCase>);

// Whether https links are probed (a whole number other than 0 turns it on),
// and how deep a site crawl goes (0: no limit).
struct HttpsCase {
  std::string name, lines;
  bool probed;
  int depth = 0;
};
class LoadCrawlOptionsTest : public ::testing::TestWithParam<HttpsCase> {};
TEST_P(LoadCrawlOptionsTest, ReadsTheSwitch) {
  const auto& c = GetParam();
  testing::TempDir dir;
  testing::TestApp t;
  const std::string path = dir.Write("vexalorn.ini", "[OPT]\r\nVER=2.6\r\n" + c.lines);
  EXPECT_EQ(LoadSettings(t.app, path).status, SettingsStatus::Ok);
  EXPECT_EQ(t.app.state.HttpsProbes, c.probed);
  EXPECT_EQ(t.app.state.CrawlDepth, c.depth);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, LoadCrawlOptionsTest,
    ::testing::Values(HttpsCase{"Absent", "CHAR=0\r\n", false},
                      HttpsCase{"On", "HTTPS=1\r\n", true},
                      HttpsCase{"LowerCaseWithComment", "https = 1 ; all links\r\n", true},
                      HttpsCase{"Off", "HTTPS=0\r\n", false},
                      HttpsCase{"NotANumber", "HTTPS=yes\r\n", false},
                      HttpsCase{"ShorterKeyIsAnother", "HTTP=1\r\n", false},
                      HttpsCase{"Depth", "DEPTH=3 ; levels\r\nHTTPS=1\r\n", true, 3},
                      HttpsCase{"DepthNotPositiveIsNoLimit", "DEPTH=-2\r\n", false, 0},
                      HttpsCase{"DepthNotANumberIsNoLimit", "depth = two\r\n", false, 0}),
    RowName<HttpsCase>);

TEST(DefaultSettings, FirstStartWritesThemAndTheSecondMigratesOnlyTheVersion) {
  testing::TempDir dir;
  const std::string path = dir / "vexalorn.ini";
  testing::TestApp first;
  ASSERT_EQ(LoadSettings(first.app, path).status, SettingsStatus::Ok);
  EXPECT_EQ(first.app.state.CharMode, 0);
  EXPECT_EQ(first.app.state.JumpMode, 0);
  EXPECT_EQ(first.app.state.ReportCharset, "");

  std::string written;
  ASSERT_TRUE(ReadFileBytes(path, written));
  bool finalBreak = false;
  const LineList lines = SplitLines(written, &finalBreak);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_TRUE(finalBreak);
  EXPECT_EQ(lines[19], "VER=1.5");

  testing::TestApp second;
  ASSERT_EQ(LoadSettings(second.app, path).status, SettingsStatus::Ok);
  std::string migrated;
  ASSERT_TRUE(ReadFileBytes(path, migrated));
  LineList expected = lines;
  expected.erase(expected.begin() + 19);              // VER=1.5
  expected.insert(expected.begin() + 20, "VER=2.6");  // after CHAR=0
  EXPECT_EQ(migrated, JoinLines(expected, true));

  testing::TestApp third;  // a current file is left alone
  ASSERT_EQ(LoadSettings(third.app, path).status, SettingsStatus::Ok);
  std::string again;
  ASSERT_TRUE(ReadFileBytes(path, again));
  EXPECT_EQ(again, migrated);
}

TEST(DefaultSettings, NameEveryKeyAndSection) {
  LineList image;
  WriteDefaultSettings(image);
  ASSERT_EQ(image.size(), 22u);
  EXPECT_EQ(FindEntry(image, "OPT", "VER"), "VER=1.5");
  EXPECT_EQ(FindEntry(image, "OPT", "CHAR"), "CHAR=0");
  EXPECT_EQ(image[0], "[NOCHECK]");
  EXPECT_EQ(image[11], "[CANNOTCHECK]");
  EXPECT_EQ(image[18], "[OPT]");
  EXPECT_EQ(LineList(image.begin() + 12, image.begin() + 16),
            (LineList{"MAILTO", "NEWS://", "SCRIPT:", "?"}));
  for (int i = 1; i <= 8; ++i) {
    const std::string& f = image[i];
    SCOPED_TRACE(f);
    // Host fragments bounded by dots, no scheme, no blanks, in lower case.
    EXPECT_TRUE(f.find('.') != std::string::npos && f.find("://") == std::string::npos);
    EXPECT_EQ(f.find(' '), std::string::npos);
    EXPECT_TRUE(f.front() == '.' || f.starts_with("www.")) << f;
  }
  EXPECT_EQ(image[4], kCurrentSearchFragment);
  EXPECT_EQ(kCurrentSearchFragment, "www." + std::string(kFormerSearchFragment.substr(1)));
}

TEST(LoadSettings, UnwritableDefaultsAreStillUsed) {
  testing::TempDir dir;
  const std::string blocker = dir.Write("plain", "x");
  testing::TestApp t;
  const auto result = LoadSettings(t.app, blocker + "/vexalorn.ini");
  EXPECT_EQ(result.status, SettingsStatus::CannotWrite);
  EXPECT_EQ(result.message, blocker + "/vexalorn.ini に書き込めません");
  EXPECT_EQ(t.app.SettingsImage().size(), 22u);
}

TEST(LoadSettings, UnreadableFileIsReportedAndLeftAlone) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir / "vexalorn.ini");  // exists, cannot be read as a file
  testing::TestApp t;
  const auto result = LoadSettings(t.app, dir / "vexalorn.ini");
  EXPECT_EQ(result.status, SettingsStatus::CannotRead);
  EXPECT_NE(result.message.find(dir / "vexalorn.ini"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "vexalorn.ini"));
}

TEST(SaveSetting, WritesTheFileNotTheImage) {
  testing::TempDir dir;
  testing::TestApp t;
  t.app.state.IniPath = dir.Write("vexalorn.ini", "[OPT]\r\nVER=2.6\r\nCHARSET=UTF-8\r\n");
  t.app.SettingsImage() = {"untouched"};
  const auto r = SaveSetting(t.app, "OPT", "CHAR", "1");
  EXPECT_TRUE(r.ok);
  std::string data;
  ASSERT_TRUE(ReadFileBytes(t.app.state.IniPath, data));
  EXPECT_EQ(data, "[OPT]\r\nVER=2.6\r\nCHARSET=UTF-8\r\nCHAR=1\r\n");
  EXPECT_EQ(t.app.SettingsImage(), LineList{"untouched"});
}

TEST(SaveSetting, UnwritableFileGivesTheMessage) {
  testing::TempDir dir;
  testing::TestApp t;
  t.app.state.IniPath = dir.path().string();  // a folder: cannot be written as a file
  const auto r = SaveSetting(t.app, "OPT", "JUMP", "2");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, dir.path().string() + " に書き込めません");
}

}  // namespace
}  // namespace vex
