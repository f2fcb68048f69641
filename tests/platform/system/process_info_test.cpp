#include "platform/system/process_info.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vex {
namespace {

TEST(ProcessInfo, ExeFolderIsTheTestProgramsFolder) {
  const std::string folder = ExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder, std::string(VEXALORN_BUILD_DIR) + "/");
}

struct IniCase {
  std::string name;
  const char* home;
  const char* xdg;
  const char* user;
  std::set<std::string> usable;
  std::string expected;
};
class IniPathTest : public ::testing::TestWithParam<IniCase> {};
TEST_P(IniPathTest, Chooses) {
  const auto& c = GetParam();
  IniPathInputs in{"/opt/vx/", c.home, c.xdg, c.user};
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
        IniCase{"NowhereElse", nullptr, nullptr, nullptr, {}, "/opt/vx/vexalorn.ini"}),
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
