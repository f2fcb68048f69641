// The terminal program as a user starts it.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/line_list.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

testing::ShellRun StartCli(const std::string& home, const std::string& args) {
  return testing::RunShell("VEXALORN_HOME='" + home + "' VEXALORN_DIAG= '" +
                           std::string(VEXALORN_BUILD_DIR) + "/vexalorn-cli' " + args);
}

TEST(VexalornCli, CreatesTheSettingsThenMigratesThem) {
  testing::TempDir home;
  const std::string ini = home / "vexalorn.ini";

  // A missing target ends the run with the message, after the settings are made.
  const testing::ShellRun first = StartCli(home.path().string(), "-m:1 /nowhere/page.html");
  EXPECT_EQ(first.status, 2) << first.out;
  EXPECT_NE(first.out.find("ファイルがありません。"), std::string::npos) << first.out;
  LineList lines;
  ASSERT_TRUE(LoadLines(ini, lines));
  EXPECT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[19], "VER=1.5");

  const testing::ShellRun second = StartCli(home.path().string(), "");
  EXPECT_EQ(second.status, 2) << second.out;
  ASSERT_TRUE(LoadLines(ini, lines));
  EXPECT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[20], "VER=2.6");
  // Automatic mode never writes the modes back.
  for (const auto& l : lines) EXPECT_NE(l, "JUMP=1");
}

TEST(VexalornCli, HelpAndVersionAsPeopleTypeThem) {
  testing::TempDir home;
  struct Case {
    const char* args;
    const char* begins;
  };
  const Case cases[] = {
      {"-s:1 --help", "Usage: vexalorn-cli"},
      {"-s:1 -h", "Usage: vexalorn-cli"},
      {"-s:1 '-?'", "Usage: vexalorn-cli"},
      // Japanese, with a pointer for English readers on top.
      {"--help", "(English: vexalorn-cli -s:1 --help)\n使い方: vexalorn-cli"},
      {"--version", "vexalorn-cli 2."},
      {"-s:1 --version page.html", "vexalorn-cli 2."},
  };
  for (const Case& c : cases) {
    const testing::ShellRun run = StartCli(home.path().string(), c.args);
    EXPECT_EQ(run.status, 0) << c.args;
    EXPECT_TRUE(run.out.starts_with(c.begins)) << c.args << "\n" << run.out;
  }
  // The usage names every option.
  const std::string usage = StartCli(home.path().string(), "-s:1 --help").out;
  for (const char* option : {"-m:N", "-s:N", "-i", "internet", "--format", "--help", "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  const testing::ShellRun bad = StartCli(home.path().string(), "-s:1 --format xml page.html");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.out.find("--format takes text or json, not: xml"), std::string::npos) << bad.out;
}

}  // namespace
}  // namespace vex
