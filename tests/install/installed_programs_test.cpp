// The programs as a user gets them: installed into a prefix, moved elsewhere,
// and run by a user whose home and XDG folders are temporary folders.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "support/loopback_server.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

using testing::RunShell;
using testing::ShellQuoted;
using testing::ShellRun;

// Installs the build into a prefix, then moves the prefix: the programs must
// find their data from where they are, not from where they were installed.
class InstalledPrograms : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testing::TempDir;
    const std::string first = *dir_ / "first";
    const ShellRun install =
        RunShell(ShellQuoted(VEXALORN_CMAKE) + " --install " + ShellQuoted(VEXALORN_BUILD_DIR) +
                 " --prefix " + ShellQuoted(first));
    ASSERT_EQ(install.status, 0) << install.out;
    fs::rename(first, Prefix());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string Prefix() { return *dir_ / "moved prefix"; }

  // A user of the installed programs, with an empty home.
  struct User {
    testing::TempDir home;
    std::string config = home / "cfg";
    std::string data = home / "data";
    bool xdg = true;  // the XDG variables name folders; else only HOME is set

    std::string Environment() const {
      std::string env =
          "env -u VEXALORN_HOME -u VEXALORN_HOME_SITE -u VEXALORN_DIAG -u "
          "XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME HOME=" +
          ShellQuoted(home.path().string()) + " BROWSER=true";
      if (xdg)
        env += " XDG_CONFIG_HOME=" + ShellQuoted(config) + " XDG_DATA_HOME=" + ShellQuoted(data);
      return env;
    }
    std::string ConfigFolder() const {
      return xdg ? config + "/vexalorn" : home / ".config/vexalorn";
    }
    std::string DataFolder() const {
      return xdg ? data + "/vexalorn" : home / ".local/share/vexalorn";
    }
  };

  static testing::TempDir* dir_;
};

testing::TempDir* InstalledPrograms::dir_ = nullptr;

// A page on 127.0.0.1 with one good and one missing link. Pages from the web
// carry the header block with the home site's images.
class PageServer {
 public:
  PageServer() {
    server_.server().Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html>\n<head>\n<title>Served</title>\n</head>\n<body>\n"
          "<a href=\"there.html\">there</a> <a href=\"gone.html\">gone</a>\n"
          "</body>\n</html>\n",
          "text/html");
    });
    server_.server().Get("/there.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body>here</body></html>", "text/html");
    });
    server_.Start();
  }
  std::string Page() const { return server_.Url("/page.html"); }

 private:
  testing::LoopbackServer server_;
};

std::string ReadText(const std::string& path) {
  std::string bytes;
  return ReadFileBytes(path, bytes) ? bytes : std::string();
}

// Width and height from a PNG file's header.
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::string& path) {
  const std::string bytes = ReadText(path);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  auto at = [&bytes](std::size_t i) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(bytes[i + k]);
    return v;
  };
  return {at(16), at(20)};
}

TEST_F(InstalledPrograms, LayOutWhatTheDesktopAndTheShellLookFor) {
  const std::string p = Prefix();
  std::vector<std::string> files = {
      "bin/vexalorn-cli",
      "share/vexalorn/help/index.html",
      "share/vexalorn/site/index.html",
      "share/vexalorn/site/img/counter.gif",
      "share/applications/vexalorn.desktop",
      "share/man/man1/vexalorn.1.gz",
      "share/man/man1/vexalorn-cli.1.gz",
      "share/bash-completion/completions/vexalorn-cli",
  };
#ifdef VEXALORN_WITH_GUI
  files.push_back("bin/vexalorn");
#endif
  for (const std::string& f : files) EXPECT_TRUE(fs::is_regular_file(p + "/" + f)) << f;

  // Every icon is as large as the folder it lies in says.
  int icons = 0;
  for (const auto& entry : fs::directory_iterator(p + "/share/icons/hicolor")) {
    const std::string size = entry.path().filename().string();
    const std::string png = entry.path().string() + "/apps/vexalorn.png";
    const auto n = static_cast<std::uint32_t>(ToIntOr(size.substr(0, size.find('x')), 0));
    EXPECT_EQ(PngSize(png), std::make_pair(n, n)) << png;
    ++icons;
  }
  EXPECT_GE(icons, 3);

  // The menu entry in both languages, starting the program by its icon.
  const std::string desktop = ReadText(p + "/share/applications/vexalorn.desktop");
  for (const char* key : {"\nName=", "\nName[ja]=", "\nGenericName=", "\nGenericName[ja]=",
                          "\nComment=", "\nComment[ja]=", "\nExec=vexalorn", "\nIcon=vexalorn\n",
                          "\nCategories=", "\nType=Application\n"}) {
    EXPECT_TRUE(Contains(desktop, key)) << key;
  }
}

TEST_F(InstalledPrograms, TerminalProgramKeepsSettingsAndResultsInTheUsersFolders) {
  for (const bool xdg : {true, false}) {
    SCOPED_TRACE(xdg ? "XDG folders named" : "only HOME");
    User user;
    user.xdg = xdg;
    PageServer site;
    const std::string page = site.Page();
    const ShellRun run =
        RunShell(user.Environment() + " " + ShellQuoted(Prefix() + "/bin/vexalorn-cli") + " -s:1 " +
                 ShellQuoted(page));
    // The missing link makes the page one that needs a check.
    EXPECT_EQ(run.status, 1) << run.out;

    EXPECT_TRUE(fs::is_regular_file(user.ConfigFolder() + "/vexalorn.ini")) << run.out;
    const std::string result = user.DataFolder() + "/vex_TEMP/001.htm";
    EXPECT_TRUE(Contains(run.out, "Result page: " + result)) << run.out;
    const std::string annotated = ReadText(result);
    EXPECT_TRUE(Contains(annotated, "(NG)")) << annotated;
    // The header block shows the home site of this install, wherever it lies now.
    EXPECT_TRUE(Contains(
        annotated, "file://" + ReplaceAll(Prefix(), " ", "%20") + "/share/vexalorn/site/img/"))
        << annotated.substr(0, 3000);
    // Nothing is left beside the installed program, even for a user who may write there.
    EXPECT_FALSE(fs::exists(Prefix() + "/bin/vexalorn.ini"));
    EXPECT_FALSE(fs::exists(Prefix() + "/bin/vex_TEMP"));
    // The user's folders are the user's alone.
    const auto perms = fs::status(user.DataFolder() + "/vex_TEMP").permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
  }
}

TEST_F(InstalledPrograms, HomeVariableStillWins) {
  User user;
  testing::TempDir chosen;
  PageServer site;
  const ShellRun run =
      RunShell(user.Environment() + " VEXALORN_HOME=" + ShellQuoted(chosen.path().string()) + " " +
               ShellQuoted(Prefix() + "/bin/vexalorn-cli") + " -s:1 " + ShellQuoted(site.Page()));
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_TRUE(fs::is_regular_file(chosen / "vexalorn.ini"));
  EXPECT_TRUE(fs::is_regular_file(chosen / "vex_TEMP/001.htm")) << run.out;
  EXPECT_FALSE(fs::exists(user.DataFolder()));
}

#ifdef VEXALORN_WITH_GUI
TEST_F(InstalledPrograms, DesktopProgramChecksInAutomaticModeWithoutADisplay) {
  User user;
  PageServer site;
  const ShellRun run =
      RunShell(user.Environment() + " QT_QPA_PLATFORM=offscreen " +
               ShellQuoted(Prefix() + "/bin/vexalorn") + " -a -s:1 " + ShellQuoted(site.Page()));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(fs::is_regular_file(user.ConfigFolder() + "/vexalorn.ini")) << run.out;
  EXPECT_TRUE(fs::is_regular_file(user.DataFolder() + "/vex_TEMP/001.htm")) << run.out;
}
#endif

TEST_F(InstalledPrograms, CompletionOffersOptionsAndTargets) {
  testing::TempDir site;
  site.Write("a.html", "<html></html>");
  site.Write("list.bchk", "[vexalorn batch file]\n");
  site.Write("notes.txt", "");
  site.Write("sub/b.html", "<html></html>");
  const std::string script = Prefix() + "/share/bash-completion/completions/vexalorn-cli";
  // bash splits "-m:" into "-m" and ":"; the completion puts the word together.
  struct Row {
    const char* name;
    std::string words;
    std::string expected;
  };
  const std::string d = site.path().string();
  const Row rows[] = {
      {"Options", "-", "--format --help --https --version -h -i -m:0 -m:1 -m:2 -s:0 -s:1 "},
      {"FormatValues", "--format j", "json "},
      {"ValuesAfterTheColon", "-s :", "0 1 "},
      {"Targets", ShellQuoted(d + "/"), d + "/a.html " + d + "/list.bchk " + d + "/sub/ "},
      {"TheWordInternet", "in", "internet "},
  };
  for (const Row& r : rows) {
    const std::string command =
        "bash -c " +
        ShellQuoted("source " + ShellQuoted(script) + "; COMP_WORDS=(vexalorn-cli " + r.words +
                    "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vexalorn_cli; "
                    "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort | tr '\\n' ' '");
    const ShellRun run = RunShell(command);
    EXPECT_EQ(run.out, r.expected) << r.name;
  }
}

}  // namespace
}  // namespace vex
