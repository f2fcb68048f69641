// The terminal program as a user starts it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/text/line_list.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

CliRun StartCli(const std::string& home, const std::string& args) {
  const std::string command = "VEXALORN_HOME='" + home + "' VEXALORN_DIAG= '" +
                              std::string(VEXALORN_BUILD_DIR) + "/vexalorn-cli' " + args +
                              " </dev/null 2>&1";
  CliRun run;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return run;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) run.out.append(buf, n);
  run.status = pclose(pipe.release());
  return run;
}

TEST(VexalornCli, CreatesTheSettingsThenMigratesThem) {
  testing::TempDir home;
  const std::string ini = home / "vexalorn.ini";

  // A missing target ends the run with the message, after the settings are made.
  const CliRun first = StartCli(home.path().string(), "-m:1 /nowhere/page.html");
  EXPECT_EQ(WEXITSTATUS(first.status), 2) << first.out;
  EXPECT_NE(first.out.find("ファイルがありません。"), std::string::npos) << first.out;
  LineList lines;
  ASSERT_TRUE(LoadLines(ini, lines));
  EXPECT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[19], "VER=1.5");

  const CliRun second = StartCli(home.path().string(), "");
  EXPECT_EQ(WEXITSTATUS(second.status), 2) << second.out;
  ASSERT_TRUE(LoadLines(ini, lines));
  EXPECT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[20], "VER=2.6");
  // Automatic mode never writes the modes back.
  for (const auto& l : lines) EXPECT_NE(l, "JUMP=1");
}

TEST(VexalornCli, HelpFollowsTheLanguage) {
  testing::TempDir home;
  const CliRun en = StartCli(home.path().string(), "-s:1 --help");
  EXPECT_EQ(en.status, 0);
  EXPECT_TRUE(en.out.starts_with("Usage: vexalorn-cli")) << en.out;
  const CliRun jp = StartCli(home.path().string(), "--help");
  EXPECT_TRUE(jp.out.starts_with("使い方: vexalorn-cli")) << jp.out;
}

}  // namespace
}  // namespace vex
