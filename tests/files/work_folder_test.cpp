#include "files/work_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <thread>

#include "context/app.h"
#include "platform/system/file_system.h"
#include "platform/system/profile_file.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"
#include "support/test_app.h"

namespace vex {
namespace {

using testing::TempDir;

constexpr const char* kDay1 = "20240301";
constexpr const char* kDay2 = "20240302";
constexpr const char* kDay3 = "20240303";

// --- Names and places ----------------------------------------------------------

TEST(WorkFolderName, TakesThreeCharactersOfTheProgramName) {
  struct Row {
    const char* name;
    const char* program;
    const char* expected;
  };
  const Row rows[] = {
      {"Long", "vexalorn", "vex_TEMP"},
      {"Cli", "vexalorn-cli", "vex_TEMP"},
      {"Short", "ab", "ab_TEMP"},
      {"Empty", "", "Temp_TEMP"},
      {"BlanksTrimmed", " ab.x", "ab_TEMP"},
      {"OnlyBlanks", "   x", "Temp_TEMP"},
      {"MultiByteCharacters", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE7\x89\x88",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E_TEMP"},
  };
  for (const Row& r : rows) EXPECT_EQ(WorkFolderName(r.program), r.expected) << r.name;
}

TEST(WorkBase, UsesTheHomeOrTheProgramsFolderElseTheUsersOwn) {
  TempDir dir;
  const std::string root = dir.path().string();
  ASSERT_TRUE(MakeFolders(root + "/bin"));
  const std::string own = root + "/data/vexalorn/";
  struct Row {
    const char* name;
    WorkLocation location;
    std::string expected;
  };
  const Row rows[] = {
      {"ProgramFolder", {root + "/bin/vexalorn", "", false, own}, root + "/bin"},
      {"HomeReplacesProgramFolder",
       {root + "/bin/vexalorn", root + "/home/", false, own},
       root + "/home"},
      {"HomeNotMadeYet", {"", root + "/later/home", false, own}, root + "/later/home"},
      // Never a folder that other users share, such as the temporary folder.
      {"NoProgramPath", {"", "", false, own}, root + "/data/vexalorn"},
      {"InstalledProgram", {root + "/bin/vexalorn", "", true, own}, root + "/data/vexalorn"},
      {"HomeWinsOverAnInstall", {root + "/bin/vexalorn", root + "/h", true, own}, root + "/h"},
      {"NoUserFolderEither", {"", "", true, ""}, ""},
  };
  for (const Row& r : rows) EXPECT_EQ(WorkBase(r.location), r.expected) << r.name;
  EXPECT_EQ(WorkFolder({root + "/bin/vexalorn", "", false, own}), root + "/bin/vex_TEMP");
  EXPECT_EQ(WorkFolder({root + "/bin/x", "", false, own}), root + "/bin/x_TEMP");
  EXPECT_EQ(WorkFolder({root + "/bin/vexalorn-cli", "", true, own}),
            root + "/data/vexalorn/vex_TEMP");
  EXPECT_EQ(WorkFolder({"", "", true, ""}), "");
}

TEST(WorkBase, UnwritableFolderFallsBackToTheUsersOwn) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
  TempDir dir;
  const std::string folder = dir / "ro";
  ASSERT_TRUE(MakeFolders(folder));
  chmod(folder.c_str(), 0555);
  EXPECT_EQ(WorkBase({folder + "/vexalorn", "", false, dir / "own/"}), dir / "own");
  chmod(folder.c_str(), 0755);
}

TEST(DayStamp, WritesTheLocalDate) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(DayStamp(1'709'251'200'000), "20240301");  // 2024-03-01 00:00 UTC
  EXPECT_EQ(DayStamp(1'709'337'599'000), "20240301");  // 23:59:59
}

// --- Numbering -----------------------------------------------------------------

class NumberingTest : public ::testing::Test {
 protected:
  std::string Next(const char* day) {
    std::string path = NextResultFile(folder, day);
    // Stand in for the page that the caller saves under that name.
    if (!path.empty()) dir.Write(NamePart(folder) + "/" + NamePart(path), "page");
    return path;
  }
  std::string File(int n) const { return ResultFilePath(folder, n); }
  std::string Log(const char* section, const char* key) const {
    return ReadProfileString(folder + "/000.log", section, key);
  }
  void SetLog(const char* section, const char* key, const std::string& value) {
    ASSERT_TRUE(WriteProfileString(folder + "/000.log", section, key, value));
  }
  void SetRange(const char* section, const char* date, const std::string& s, const std::string& e) {
    ASSERT_TRUE(MakeFolders(folder));
    SetLog(section, "date", date);
    SetLog(section, "s", s);
    SetLog(section, "e", e);
  }

  TempDir dir;
  std::string folder = dir / "vex_TEMP";
};

TEST_F(NumberingTest, FollowsTheWorkedSequenceOverThreeDays) {
  struct Step {
    const char* day;
    int number;
    const char* aS;
    const char* aE;
    const char* bS;
    const char* bE;
  };
  const Step steps[] = {
      {kDay1, 1, "1", "1", "", ""},   {kDay1, 2, "1", "2", "", ""},
      {kDay1, 3, "1", "3", "", ""},   {kDay2, 4, "4", "4", "1", "3"},
      {kDay2, 5, "4", "5", "1", "3"}, {kDay3, 6, "6", "6", "4", "5"},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(Next(step.day), File(step.number)) << step.number;
    EXPECT_EQ(Log("a", "date"), step.day) << step.number;
    EXPECT_EQ(Log("a", "s"), step.aS) << step.number;
    EXPECT_EQ(Log("a", "e"), step.aE) << step.number;
    EXPECT_EQ(Log("b", "s"), step.bS) << step.number;
    EXPECT_EQ(Log("b", "e"), step.bE) << step.number;
    if (step.number == 4) {
      // The first new day finds no earlier day to clean up.
      for (int n : {1, 2, 3}) EXPECT_TRUE(FileExists(File(n))) << n;
    }
  }
  EXPECT_EQ(Log("b", "date"), kDay2);
  for (int n : {1, 2, 3}) EXPECT_FALSE(FileExists(File(n))) << n;
  for (int n : {4, 5, 6}) EXPECT_TRUE(FileExists(File(n))) << n;
}

TEST_F(NumberingTest, FirstCallMakesTheFolderWithItsParentsForTheUserAlone) {
  folder = dir / "deep/down/vex_TEMP";
  EXPECT_EQ(NextResultFile(folder, kDay1), folder + "/001.htm");
  EXPECT_TRUE(FileExists(folder + "/000.log"));
  // What the user checked is nobody else's business.
  for (const std::string& made : {dir / "deep", folder}) {
    struct stat info {};
    ASSERT_EQ(stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u) << made;
  }
}

TEST_F(NumberingTest, SameDayWrapsAfter999AndOverwrites) {
  SetRange("a", kDay1, "1", "998");
  EXPECT_EQ(Next(kDay1), File(999));
  EXPECT_EQ(Next(kDay1), File(1));
  EXPECT_EQ(Next(kDay1), File(2));
  EXPECT_EQ(Log("a", "s"), "1");
  EXPECT_EQ(Log("a", "e"), "2");
}

// A run of more pages than numbers: after the wrap it goes on above 999, and
// a later run of the same day after that; the next day but one removes them.
TEST_F(NumberingTest, ARunNeverOverwritesItsOwnPages) {
  SetRange("a", kDay1, "1", "997");
  std::set<int> run;
  for (int n = 1; n <= 997; ++n) run.insert(n);
  auto take = [&](const std::string& day) {
    const std::string path = NextResultFile(folder, day, run);
    const int n = std::stoi(path.substr(folder.size() + 1));
    run.insert(n);
    EXPECT_TRUE(WriteFileBytes(path, "page"));
    return n;
  };
  EXPECT_EQ(take(kDay1), 998);
  EXPECT_EQ(take(kDay1), 999);
  EXPECT_EQ(take(kDay1), 1000);
  EXPECT_EQ(take(kDay1), 1001);
  EXPECT_EQ(Log("a", "o"), "1001");
  // The 1..999 numbering goes on as ever, for the runs to come.
  EXPECT_EQ(Log("a", "e"), "2");

  run = {2, 3};
  EXPECT_EQ(take(kDay1), 1002);  // 3 is this run's: on after 1001
  EXPECT_EQ(Log("a", "o"), "1002");
  run.clear();
  EXPECT_EQ(take(kDay2), 4);
  EXPECT_EQ(Log("b", "o"), "1002");
  EXPECT_TRUE(FileExists(File(1000)));
  EXPECT_EQ(take(kDay3), 5);
  for (int n : {1000, 1001, 1002}) EXPECT_FALSE(FileExists(File(n))) << n;
  EXPECT_EQ(Log("b", "o"), "0");
}

TEST_F(NumberingTest, StoredValuesAreReadLeniently) {
  struct Row {
    const char* name;
    const char* s;
    const char* e;
    int number;
    const char* aS;
    const char* aE;
  };
  const Row rows[] = {
      {"StartZeroRestarts", "0", "5", 1, "1", "1"},
      {"Start1000Restarts", "1000", "5", 1, "1", "1"},
      {"StartMalformedRestarts", "x1", "5", 1, "1", "1"},
      {"EndZeroContinuesFromStart", "7", "0", 8, "7", "8"},
      {"EndMissingContinuesFromStart", "7", "", 8, "7", "8"},
      {"EndReducedBy1000", "3", "1005", 6, "3", "6"},
      {"BlanksTrimmed", " 3 ", " 4 ", 5, "3", "5"},
      {"EndTooLargeWraps", "3", "4000", 1, "3", "1"},
  };
  for (const Row& r : rows) {
    SetRange("a", kDay1, r.s, r.e);
    EXPECT_EQ(NextResultFile(folder, kDay1), File(r.number)) << r.name;
    EXPECT_EQ(Log("a", "s"), r.aS) << r.name;
    EXPECT_EQ(Log("a", "e"), r.aE) << r.name;
  }
}

TEST_F(NumberingTest, NewDayCleansUpAcrossTheWrap) {
  struct Row {
    const char* name;
    const char* aS;
    const char* aE;
    const char* bS;
    const char* bE;
    std::set<int> deleted;
    int number;
  };
  const Row rows[] = {
      {"WrappedRanges", "3", "10", "995", "5", {995, 996, 997, 998, 999, 1, 2}, 11},
      {"LatestWrapsOverBefore", "998", "2", "997", "999", {997}, 3},
      {"BeforeOutOfRangeDeletesNothing", "4", "5", "0", "3", {}, 6},
      {"LatestOutOfRangeDeletesAllBefore", "0", "5", "1", "3", {1, 2, 3}, 1},
      {"LatestEndsAt999", "990", "999", "5", "6", {5, 6}, 1},
  };
  for (const Row& r : rows) {
    TempDir fresh;
    folder = fresh / "vex_TEMP";
    ASSERT_TRUE(MakeFolders(folder));
    for (int n = 1; n <= 999; ++n) ASSERT_TRUE(WriteFileBytes(File(n), "page"));
    SetRange("a", kDay1, r.aS, r.aE);
    SetRange("b", "20240229", r.bS, r.bE);
    EXPECT_EQ(NextResultFile(folder, kDay2), File(r.number)) << r.name;
    for (int n = 1; n <= 999; ++n) {
      EXPECT_EQ(FileExists(File(n)), r.deleted.count(n) == 0) << r.name << " file " << n;
    }
    EXPECT_EQ(Log("b", "date"), kDay1) << r.name;
    EXPECT_EQ(Log("b", "s"), r.aS) << r.name;
    EXPECT_EQ(Log("a", "date"), kDay2) << r.name;
    EXPECT_EQ(Log("a", "s"), std::to_string(r.number)) << r.name;
  }
}

TEST_F(NumberingTest, MissingDateCountsAsAnotherDay) {
  ASSERT_TRUE(MakeFolders(folder));
  SetLog("a", "s", "2");
  SetLog("a", "e", "4");
  EXPECT_EQ(NextResultFile(folder, kDay1), File(5));
  EXPECT_EQ(Log("b", "date"), "");
  EXPECT_EQ(Log("b", "e"), "4");
}

TEST_F(NumberingTest, UnwritableLogGivesNoFile) {
  // A folder in the log's place: the log can be neither read nor written.
  ASSERT_TRUE(MakeFolders(folder + "/000.log"));
  EXPECT_EQ(NextResultFile(folder, kDay1), "");
}

TEST_F(NumberingTest, NoFolderGivesNoFile) {
  EXPECT_EQ(NextResultFile("", kDay1), "");
  const std::string file = dir.Write("plain", "x");
  EXPECT_EQ(NextResultFile(file + "/vex_TEMP", kDay1), "");
}

TEST_F(NumberingTest, ProgramsRunningAtOnceNeverShareANumber) {
  constexpr int kPerCaller = 150;
  std::vector<std::string> got[2];
  auto caller = [&](int who) {
    for (int i = 0; i < kPerCaller; ++i) got[who].push_back(NextResultFile(folder, kDay1));
  };
  std::thread one(caller, 0), two(caller, 1);
  one.join();
  two.join();
  std::set<std::string> distinct;
  for (const auto& list : got) {
    for (const std::string& path : list) {
      EXPECT_FALSE(path.empty());
      distinct.insert(path);
    }
  }
  EXPECT_EQ(distinct.size(), 2u * kPerCaller);
  EXPECT_EQ(Log("a", "e"), std::to_string(2 * kPerCaller));
}

// --- Through the app ---------------------------------------------------------------

TEST(NextResultFileOfTheProgram, UsesTheHomeAndTheAppsClock) {
  TempDir home;
  setenv("VEXALORN_HOME", home.path().c_str(), 1);
  setenv("TZ", "UTC", 1);
  tzset();
  ManualClock clock(1'709'251'200'000);  // 2024-03-01
  testing::ScriptedFrontEnd ui(clock);
  testing::OfflineHttpClient http;
  App app(ui, clock, http);
  const std::string folder = home / WorkFolderName(NamePart(ExecutablePath()));
  EXPECT_EQ(NextResultFile(app), folder + "/001.htm");
  EXPECT_EQ(NextResultFile(app), folder + "/002.htm");
  clock.Advance(24LL * 3600 * 1000);
  EXPECT_EQ(NextResultFile(app), folder + "/003.htm");
  EXPECT_EQ(ReadProfileString(folder + "/000.log", "a", "date"), "20240302");
  unsetenv("VEXALORN_HOME");
}

}  // namespace
}  // namespace vex
