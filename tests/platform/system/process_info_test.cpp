#include "platform/system/process_info.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/system/file_system.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

TEST(ProcessInfo, ExeFolderIsTheTestProgramsFolder) {
  const std::string folder = ExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder, std::string(VEXALORN_BUILD_DIR) + "/");
}

TEST(ProcessInfo, LayoutTellsABuildFromAnInstall) {
  testing::TempDir dir;
  const std::string root = dir.path().string();
  // A build: the data beside the programs.
  ASSERT_TRUE(MakeFolders(root + "/build/site"));
  // An install in some prefix: the data under share/vexalorn.
  ASSERT_TRUE(MakeFolders(root + "/p/bin"));
  ASSERT_TRUE(MakeFolders(root + "/p/share/vexalorn/site"));
  // Neither: the data is missing.
  ASSERT_TRUE(MakeFolders(root + "/bare"));
  struct Row {
    const char* name;
    std::string exeFolder;
    std::string data;
    bool installed;
  };
  const Row rows[] = {
      {"Build", root + "/build/", root + "/build/", false},
      {"Install", root + "/p/bin/", root + "/p/share/vexalorn/", true},
      {"InstallWithoutFinalSlash", root + "/p/bin", root + "/p/share/vexalorn/", true},
      {"NoDataAnywhere", root + "/bare/", root + "/bare/", false},
      {"Unknown", "", "", false},
  };
  for (const Row& r : rows) {
    const ProgramLayout layout = LayoutOf(r.exeFolder);
    EXPECT_EQ(layout.dataFolder, r.data) << r.name;
    EXPECT_EQ(layout.installed, r.installed) << r.name;
  }
  EXPECT_FALSE(CurrentLayout().installed);  // the tests run in the build
}

TEST(ProcessInfo, UserFoldersFollowTheXdgRules) {
  struct Row {
    const char* name;
    const char* xdg;
    const char* home;
    std::string expected;
  };
  const Row rows[] = {
      {"Variable", "/x/data", "/home/u", "/x/data/"},
      {"Default", nullptr, "/home/u", "/home/u/.local/share/"},
      {"EmptyVariable", "", "/home/u/", "/home/u/.local/share/"},
      {"RelativeVariableIgnored", "x/data", "/home/u", "/home/u/.local/share/"},
      {"NoHome", nullptr, nullptr, ""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ChooseUserFolder(r.xdg, r.home, ".local/share"), r.expected) << r.name;
}

struct IniCase {
  std::string name;
  const char* home;
  const char* xdg;
  const char* user;
  std::set<std::string> usable;
  std::string expected;
  bool installed = false;
};
class IniPathTest : public ::testing::TestWithParam<IniCase> {};
TEST_P(IniPathTest, Chooses) {
  const auto& c = GetParam();
  IniPathInputs in{"/opt/vx/", c.home, c.xdg, c.user, c.installed};
  EXPECT_EQ(ChooseIniPath(in, [&](const std::string& f) { return c.usable.count(f) > 0; }),
            c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, IniPathTest,
    ::testing::Values(
        IniCase{
            "BesideTheProgram", nullptr, nullptr, "/home/u", {"/opt/vx/"}, "/opt/vx/vexalorn.ini"},
        IniCase{"HomeReplacesTheProgramFolder",
                "/tmp/h",
                nullptr,
                "/home/u",
                {"/opt/vx/", "/tmp/h/"},
                "/tmp/h/vexalorn.ini"},
        IniCase{"EmptyHomeIsNotSet", "", nullptr, "/home/u", {"/opt/vx/"}, "/opt/vx/vexalorn.ini"},
        IniCase{"ConfigFolderWhenNotWritable",
                nullptr,
                "/cfg/",
                "/home/u",
                {},
                "/cfg/vexalorn/vexalorn.ini"},
        IniCase{"DefaultConfigFolder",
                nullptr,
                nullptr,
                "/home/u",
                {},
                "/home/u/.config/vexalorn/vexalorn.ini"},
        IniCase{"UnusableHomeFallsBackToConfig",
                "/ro",
                "/cfg",
                nullptr,
                {"/opt/vx/"},
                "/cfg/vexalorn/vexalorn.ini"},
        IniCase{"NowhereElse", nullptr, nullptr, nullptr, {}, "/opt/vx/vexalorn.ini"},
        // An installed program's folder is shared by every user, even when
        // this one (root) may write to it.
        IniCase{"InstalledUsesTheConfigFolder",
                nullptr,
                nullptr,
                "/home/u",
                {"/opt/vx/"},
                "/home/u/.config/vexalorn/vexalorn.ini",
                true},
        IniCase{"InstalledWithHome",
                "/tmp/h",
                nullptr,
                "/home/u",
                {"/opt/vx/", "/tmp/h/"},
                "/tmp/h/vexalorn.ini",
                true},
        IniCase{"RelativeConfigVariableIgnored",
                nullptr,
                "cfg",
                "/home/u",
                {},
                "/home/u/.config/vexalorn/vexalorn.ini"}),
    [](const auto& info) { return info.param.name; });

TEST(ProcessInfo, TracerPidIsRead) {
  EXPECT_EQ(TracerPidOf("Name:\tx\nState:\tR\nTracerPid:\t4711\nUid:\t0\n"), 4711);
  EXPECT_EQ(TracerPidOf("Name:\tx\nTracerPid:\t0\n"), 0);
  EXPECT_EQ(TracerPidOf("Name:\tx\n"), 0);
}

TEST(ProcessInfo, OsNameOfAnUnknownPlatform) {
  EXPECT_EQ(OsName(), "error");
}

}  // namespace
}  // namespace vex
