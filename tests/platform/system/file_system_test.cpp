#include "platform/system/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/temp_dir.h"

namespace vex {
namespace {

using Names = std::vector<std::string>;
using testing::TempDir;

// Sets (or clears) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Restores the current folder at scope end.
struct CurrentFolderGuard {
  std::string saved = CurrentFolder();
  ~CurrentFolderGuard() { (void)SetCurrentFolder(saved); }
};

// --- Path text ---------------------------------------------------------------

struct PathCase {
  const char* name;
  const char* path;
  const char* folder;
  const char* file;
  const char* extension;
};

class PathPartsTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathPartsTest, SplitsAtLastSlash) {
  const PathCase& c = GetParam();
  EXPECT_EQ(FolderPart(c.path), c.folder);
  EXPECT_EQ(NamePart(c.path), c.file);
  EXPECT_EQ(FileExtension(c.path), c.extension);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathPartsTest,
    ::testing::Values(PathCase{"Absolute", "/site/dir/page.htm", "/site/dir/", "page.htm", ".htm"},
                      PathCase{"NoFolder", "*.html", "", "*.html", ".html"},
                      PathCase{"FolderOnly", "/site/dir/", "/site/dir/", "", ""},
                      PathCase{"DotInFolderOnly", "/a.b/name", "/a.b/", "name", ""},
                      PathCase{"TwoDots", "/x/list.tar.bchk", "/x/", "list.tar.bchk", ".bchk"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AbsoluteCase {
  const char* name;
  const char* path;
  const char* base;
  const char* expected;
};

class AbsolutePathTest : public ::testing::TestWithParam<AbsoluteCase> {};

TEST_P(AbsolutePathTest, FoldsLexically) {
  const AbsoluteCase& c = GetParam();
  EXPECT_EQ(AbsolutePath(c.path, c.base), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AbsolutePathTest,
    ::testing::Values(AbsoluteCase{"AbsoluteIgnoresBase", "/a/b.htm", "/base", "/a/b.htm"},
                      AbsoluteCase{"Relative", "sub/b.htm", "/base", "/base/sub/b.htm"},
                      AbsoluteCase{"DotParts", "./sub/../b.htm", "/base/", "/base/b.htm"},
                      AbsoluteCase{"DoubledSlash", "/a//b", "/", "/a/b"},
                      AbsoluteCase{"UpPastRoot", "../../x", "/base", "/x"},
                      AbsoluteCase{"FinalSlashKept", "sub/", "/base", "/base/sub/"},
                      AbsoluteCase{"Root", "/", "/base", "/"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Searching folders -------------------------------------------------------

class FindEntriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"a.htm", "B.HTM", "c.txt", "x[1].htm", "ab.htm", ".hidden.htm",
                          "sub/inner.htm", ".cache/kept.htm", "Zeta/readme.txt"}) {
      dir.Write(f, "x");
    }
    std::filesystem::create_directory_symlink(dir.path() / "sub", dir.path() / "sublink");
    std::filesystem::create_symlink(dir.path() / "a.htm", dir.path() / "alink.htm");
  }
  TempDir dir;
};

TEST_F(FindEntriesTest, FilesMatchTheLastPartLikeTheShell) {
  const std::string folder = dir.path().string();
  struct Row {
    const char* pattern;
    Names expected;
  };
  const Row rows[] = {
      {"*", {"a.htm", "ab.htm", "alink.htm", "B.HTM", "c.txt", "x[1].htm"}},
      {"*.htm", {"a.htm", "ab.htm", "alink.htm", "x[1].htm"}},  // case counts
      {"*.HTM", {"B.HTM"}},
      {"?.htm", {"a.htm"}},
      {"x[1].htm", {"x[1].htm"}},  // brackets are no wildcard
      {"*.none", {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FindEntries(folder, row.pattern, EntryKind::File), row.expected) << row.pattern;
  }
  EXPECT_EQ(MatchFiles(folder + "/?b.htm"), Names{"ab.htm"});
}

TEST_F(FindEntriesTest, SubfoldersLeaveOutHiddenOnesAndLinks) {
  EXPECT_EQ(ListSubfolders(dir.path().string()), (Names{"sub", "Zeta"}));
}

TEST_F(FindEntriesTest, EmptyFolderTextMeansTheCurrentFolder) {
  CurrentFolderGuard guard;
  ASSERT_TRUE(SetCurrentFolder(dir / "sub"));
  EXPECT_EQ(MatchFiles("*.htm"), Names{"inner.htm"});
}

TEST(FindEntries, UnreadableFolderGivesNothing) {
  EXPECT_TRUE(ListFiles("/no/such/folder").empty());
}

TEST(SortIgnoringCase, OrdersWithoutRegardToCaseAndStably) {
  Names lines = {"b.htm", "A.htm", "a.htm", "C.htm", "_x.htm", "10.htm"};
  SortIgnoringCase(lines);
  EXPECT_EQ(lines, (Names{"10.htm", "_x.htm", "A.htm", "a.htm", "b.htm", "C.htm"}));
}

// --- Changing the file system -------------------------------------------------

TEST(MakeFolders, MakesMissingParentsAndAcceptsExisting) {
  TempDir dir;
  const std::string deep = dir / "one/two/three";
  EXPECT_TRUE(MakeFolders(deep));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(MakeFolders(deep));
  const std::string file = dir.Write("plain", "x");
  EXPECT_FALSE(MakeFolders(file + "/below"));
}

TEST(RemoveFile, DeletesAndReportsMissing) {
  TempDir dir;
  const std::string file = dir.Write("f.htm", "x");
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(RemoveFile(file));
}

// --- Temporary folder and file-system kinds -----------------------------------

TEST(SystemTempFolder, TakesTheFirstVariableNamingAFolder) {
  TempDir a, b, c;
  struct Row {
    const char* name;
    std::optional<std::string> temp, tmp, tmpdir;
    std::string expected;
  };
  const Row rows[] = {
      {"Temp", a.path().string(), b.path().string(), c.path().string(), a.path().string()},
      {"TempMissing", "/no/such", b.path().string() + "/", std::nullopt, b.path().string()},
      {"OnlyTmpdir", std::nullopt, "", c.path().string(), c.path().string()},
      {"NoneSet", std::nullopt, std::nullopt, std::nullopt, "/tmp"},
  };
  for (const Row& row : rows) {
    ScopedEnv temp("TEMP", row.temp), tmp("TMP", row.tmp), tmpdir("TMPDIR", row.tmpdir);
    EXPECT_EQ(SystemTempFolder(), row.expected) << row.name;
  }
}

TEST(IsNetworkFileSystemType, TellsRemoteKinds) {
  struct Row {
    const char* name;
    long long type;
    bool remote;
  };
  const Row rows[] = {
      {"Nfs", 0x6969, true},
      {"Cifs", 0xFF534D42, true},
      {"Smb2", 0xFE534D42, true},
      {"Fuse", 0x65735546, true},
      {"NineP", 0x01021997, true},
      {"Ext4", 0xEF53, false},
      {"Tmpfs", 0x01021994, false},
      {"Btrfs", 0x9123683E, false},
      {"SignExtendedCifs", static_cast<long long>(static_cast<std::int32_t>(0xFF534D42)), true},
  };
  for (const Row& row : rows) EXPECT_EQ(IsNetworkFileSystemType(row.type), row.remote) << row.name;
}

TEST(IsNetworkOrUnwritable, LocalWritableFolderIsFine) {
  TempDir dir;
  EXPECT_FALSE(IsNetworkOrUnwritable(dir.path().string()));
  EXPECT_TRUE(IsNetworkOrUnwritable(dir / "missing"));
}

TEST(IsNetworkOrUnwritable, ReadOnlyFolderIsUnsuitable) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
  TempDir dir;
  const std::string folder = dir / "ro";
  ASSERT_TRUE(MakeFolders(folder));
  chmod(folder.c_str(), 0555);
  EXPECT_TRUE(IsNetworkOrUnwritable(folder));
  chmod(folder.c_str(), 0755);
}

// --- Stored spelling ----------------------------------------------------------

TEST(StoredSpelling, ResolvesEachPartIgnoringCase) {
  TempDir dir;
  dir.Write("Site/Pages/Index.html", "x");
  const std::string root = dir.path().string();
  struct Row {
    const char* name;
    std::string query;
    std::string expected;
  };
  const Row rows[] = {
      {"Exact", root + "/Site/Pages/Index.html", root + "/Site/Pages/Index.html"},
      {"EveryPartMiscased", root + "/SITE/pages/INDEX.HTML", root + "/Site/Pages/Index.html"},
      {"FolderWithFinalSlash", root + "/site/pages/", root + "/Site/Pages/"},
      {"FileWithFinalSlash", root + "/Site/Pages/Index.html/", ""},
      {"Missing", root + "/Site/Pages/Other.html", ""},
      {"MissingFolder", root + "/Nope/Index.html", ""},
      {"Root", "/", "/"},
      {"Relative", "Site/Pages", ""},
      {"FirstOfTwoSpellings", root + "/Site/Pages/twice.HTML", root + "/Site/Pages/Twice.html"},
  };
  dir.Write("Site/Pages/Twice.html", "x");
  dir.Write("Site/Pages/twice.html", "x");
  for (const Row& row : rows) EXPECT_EQ(StoredSpelling(row.query), row.expected) << row.name;
  // The same answers when the folders are read once and remembered, asked
  // twice.
  const FolderListingCache listings;
  for (int round = 0; round < 2; ++round) {
    for (const Row& row : rows) {
      EXPECT_EQ(StoredSpelling(row.query), row.expected) << row.name << " round " << round;
    }
  }
}

TEST(StoredSpelling, LeavesTheCurrentFolderAlone) {
  TempDir dir;
  dir.Write("A/B/c.htm", "x");
  CurrentFolderGuard guard;
  ASSERT_TRUE(SetCurrentFolder(dir.path().string()));
  const std::string before = CurrentFolder();
  EXPECT_FALSE(StoredSpelling(dir / "a/b/C.HTM").empty());
  EXPECT_EQ(CurrentFolder(), before);
}

// --- Locking ------------------------------------------------------------------

TEST(FileLock, ExcludesOtherDescriptorsUntilReleased) {
  TempDir dir;
  const std::string path = dir / "run.lock";
  auto otherCanLock = [&] {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    bool got = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return got;
  };
  {
    FileLock lock(path);
    ASSERT_TRUE(lock.held());
    EXPECT_FALSE(otherCanLock());
  }
  EXPECT_TRUE(otherCanLock());
}

TEST(FileLock, UnopenableFileIsNotHeld) {
  FileLock lock("/no/such/folder/run.lock");
  EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace vex
