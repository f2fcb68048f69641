#include "context/url_forms.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "context/app.h"
#include "context/browser.h"
#include "platform/system/file_system.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"
#include "support/test_app.h"

namespace vex {
namespace {

using testing::TempDir;

struct CurrentFolderGuard {
  std::string saved = CurrentFolder();
  ~CurrentFolderGuard() { (void)SetCurrentFolder(saved); }
};

// A small site on disk: a miscased name, a folder, a name with a blank.
class SiteFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("Site/Index.html", "<a href=\"x\">moved</a>\n<p>here</p>\n");
    dir.Write("Site/My Page.html", "blank\n");
    dir.Write("Site/Sub/leaf.htm", "leaf\n");
    root = dir.path().string();
  }
  TempDir dir;
  std::string root;
};

// --- CheckLocalPath -------------------------------------------------------------

class CheckLocalPathTest : public SiteFixture {};

TEST_F(CheckLocalPathTest, ComparesWithTheStoredSpelling) {
  struct Row {
    const char* name;
    std::string path;
    int expected;
  };
  const Row rows[] = {
      {"ExactFile", root + "/Site/Index.html", 0},
      {"FileMiscased", root + "/Site/index.HTML", 1},
      {"FolderPartMiscased", root + "/site/Index.html", 1},
      {"Missing", root + "/Site/None.html", -1},
      {"MissingEvenIgnoringCase", root + "/SITE/NONE.HTML", -1},
      {"FolderWithFinalSlash", root + "/Site/Sub/", 0},
      {"FolderWithoutFinalSlash", root + "/Site/Sub", 0},
      {"FolderMiscasedWithFinalSlash", root + "/Site/SUB/", 1},
      {"FileWithFinalSlash", root + "/Site/Index.html/", -1},
      {"BlankInName", root + "/Site/My Page.html", 0},
      {"DoubledSlash", root + "/Site//Index.html", 1},
      {"DotPart", root + "/Site/./Index.html", 1},
      {"DotDotPart", root + "/Site/Sub/../Index.html", 1},
      {"BlanksAround", " " + root + "/Site/Index.html ", 1},
      {"Empty", "", -1},
      {"OnlyBlanks", "   ", -1},
      {"Root", "/", 0},
  };
  for (const Row& row : rows) EXPECT_EQ(CheckLocalPath(row.path), row.expected) << row.name;
}

TEST_F(CheckLocalPathTest, RelativePathsResolveAgainstTheCurrentFolderAndLeaveItAlone) {
  CurrentFolderGuard guard;
  ASSERT_TRUE(SetCurrentFolder(root));
  const std::string here = CurrentFolder();
  EXPECT_EQ(CheckLocalPath("Site/Index.html"), 1);
  EXPECT_EQ(CheckLocalPath("site/index.html"), 1);
  EXPECT_EQ(CheckLocalPath("Site/None.html"), -1);
  // A file elsewhere does not move the current folder, so the next relative
  // entry still resolves from here.
  EXPECT_EQ(CheckLocalPath(root + "/Site/Sub/leaf.htm"), 0);
  EXPECT_EQ(CurrentFolder(), here);
  EXPECT_EQ(CheckLocalPath("Site/My Page.html"), 1);
}

// --- CheckFileAddress and UrlKind -----------------------------------------------

class CheckFileAddressTest : public SiteFixture {
 protected:
  RunState state;
};

TEST_F(CheckFileAddressTest, DecodesBlanksAndStoresTheTargetAsWritten) {
  state.CurrentTarget = "before";
  const std::string address = "file://" + root + "/Site/My%20Page.html";
  EXPECT_EQ(CheckFileAddress(state, address, PageText::Skip, AddressRole::Target), 0);
  EXPECT_EQ(state.CurrentTarget, root + "/Site/My Page.html");
}

TEST_F(CheckFileAddressTest, DecodesEveryEscapeOfTheTarget) {
  dir.Write("Site/C#/a+b%41.html", "x\n");
  state.CurrentTarget = "before";
  const std::string address = "file://localhost" + root + "/Site/C%23/a%2Bb%2541.html";
  EXPECT_EQ(UrlKind(state, address, false), 0);
  EXPECT_EQ(state.CurrentTarget, root + "/Site/C#/a+b%41.html");
}

TEST_F(CheckFileAddressTest, LinkOfThePageLeavesCurrentTargetAlone) {
  state.CurrentTarget = "file://" + root + "/Site/Index.html";
  const std::string link = "file://" + root + "/Site/My%20Page.html";
  EXPECT_EQ(CheckFileAddress(state, link, PageText::Load, AddressRole::Link), 0);
  EXPECT_EQ(state.CurrentTarget, "file://" + root + "/Site/Index.html");
}

TEST_F(CheckFileAddressTest, LoadsTheFoundPageTextOnlyInLinkPageMode) {
  struct Row {
    const char* name;
    int jumpMode;
    PageText pageText;
    std::string address;
    int expected;
    bool loaded;
  };
  const std::string index = "file://" + root + "/Site/Index.html";
  const Row rows[] = {
      {"LinkPageModeLoads", 1, PageText::Load, index, 0, true},
      {"SearchPageModeSkips", 0, PageText::Load, index, 0, false},
      {"NotAskedSkips", 1, PageText::Skip, index, 0, false},
      {"MiscasedFileIsNotLoaded", 1, PageText::Load, "file://" + root + "/Site/INDEX.html", 1,
       false},
  };
  for (const Row& row : rows) {
    RunState s;
    s.JumpMode = row.jumpMode;
    s.LocalFileLines = {"stale"};
    s.LinkPageText = "stale";
    EXPECT_EQ(CheckFileAddress(s, row.address, row.pageText, AddressRole::Link), row.expected)
        << row.name;
    if (row.loaded) {
      EXPECT_EQ(s.LocalFileLines, (LineList{"<a href=\"x\">moved</a>", "<p>here</p>"})) << row.name;
      EXPECT_EQ(s.LinkPageText, "<A HREF=\"X\">MOVED</A>\r\n<P>HERE</P>\r\n") << row.name;
    } else {
      EXPECT_EQ(s.LinkPageText, "stale") << row.name;
    }
  }
}

// Any page can link to a device, a FIFO or a huge file: the jump check reads
// a regular file's beginning only, and nothing else at all, without waiting.
TEST_F(CheckFileAddressTest, LinkedPageTextIsTheBeginningOfARegularFileOnly) {
  const std::string fifo = root + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  dir.Write("Site/big.html", "<p>moved</p>" + std::string(100000, 'x'));
  struct Row {
    std::string path;
    std::size_t textBytes;
  };
  const Row rows[] = {
      {"/dev/zero", 0},
      {"/dev/urandom", 0},
      {fifo, 0},
      {root + "/Site/Sub/", 0},
      {root + "/Site/big.html", kLinkedPageHeadBytes + 2},  // with its line end
  };
  for (const Row& row : rows) {
    RunState s;
    s.JumpMode = 1;
    s.LinkPageText = "stale";
    (void)CheckFileAddress(s, "file://" + row.path, PageText::Load, AddressRole::Link);
    EXPECT_EQ(s.LinkPageText.size(), row.textBytes) << row.path;
  }
}

TEST_F(CheckFileAddressTest, UrlKindTellsWebFromFileAddresses) {
  struct Row {
    const char* name;
    std::string address;
    bool acceptFiles;
    int expected;
  };
  const Row rows[] = {
      {"HttpWithBlanks", "  http://example.com/ ", false, 0},
      {"HttpsUpperCase", "HTTPS://EXAMPLE.COM/", false, 0},
      {"OtherScheme", "ftp://example.com/", true, -1},
      {"PlainPath", root + "/Site/Index.html", true, -1},
      {"FileAccepted", "file:///no/such/file.html", true, 0},
      {"FileExact", "file://" + root + "/Site/Index.html", false, 0},
      {"FileUpperScheme", "FILE://" + root + "/Site/Index.html", false, 0},
      {"FileMiscased", "file://" + root + "/Site/index.html", false, 1},
      {"FileMissing", "file://" + root + "/Site/gone.html", false, -1},
      {"FileWithBlankEscape", " file://" + root + "/Site/My%20Page.html", false, 0},
      {"Empty", "", false, -1},
  };
  for (const Row& row : rows) {
    RunState s;
    EXPECT_EQ(UrlKind(s, row.address, row.acceptFiles), row.expected) << row.name;
  }
}

TEST_F(CheckFileAddressTest, AppFormsWorkOnTheAppsRunState) {
  ManualClock clock;
  testing::ScriptedFrontEnd ui(clock);
  testing::OfflineHttpClient http;
  App app(ui, clock, http);
  EXPECT_EQ(UrlKind(app, "file://" + root + "/Site/My%20Page.html", false), 0);
  EXPECT_EQ(app.state.CurrentTarget, root + "/Site/My Page.html");
  app.state.JumpMode = 1;
  EXPECT_EQ(CheckFileAddress(app, "file://" + root + "/Site/Sub/leaf.htm", PageText::Load,
                             AddressRole::Link),
            0);
  EXPECT_EQ(app.state.LinkPageText, "LEAF\r\n");
}

// --- BaseOfAddress and ResolveFrameAddress --------------------------------------

struct BaseCase {
  const char* name;
  const char* address;
  AddressBase part;
  const char* expected;
};

class BaseOfAddressTest : public ::testing::TestWithParam<BaseCase> {};

TEST_P(BaseOfAddressTest, CutsTheAddress) {
  const BaseCase& c = GetParam();
  EXPECT_EQ(BaseOfAddress(c.address, c.part), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, BaseOfAddressTest,
    ::testing::Values(
        BaseCase{"WebFolder", "http://host/dir/page.htm", AddressBase::Folder, "http://host/dir/"},
        BaseCase{"QueryWithSlashesCutBeforeQuery", "http://host/dir/page?a=/x/y",
                 AddressBase::Folder, "http://host/dir/"},
        BaseCase{"WebRoot", "https://host/dir/sub/page.htm", AddressBase::Root, "https://host/"},
        BaseCase{"WebRootWithQuery", "http://host/dir/page?a=/x/y", AddressBase::Root,
                 "http://host/"},
        BaseCase{"HostOnly", "http://host", AddressBase::Folder, "http://"},
        BaseCase{"FileRoot", "file:///home/a/b.html", AddressBase::Root, "file:///"},
        BaseCase{"FileFolder", "file:///home/a/b.html", AddressBase::Folder, "file:///home/a/"},
        BaseCase{"PlainPathFolder", "/home/a/b.html", AddressBase::Folder, "/home/a/"},
        BaseCase{"PlainPathRoot", "/home/a/b.html", AddressBase::Root, "/"},
        BaseCase{"NoSlash", "page.htm", AddressBase::Folder, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct FrameCase {
  const char* name;
  const char* src;
  const char* page;
  const char* expected;
};

class ResolveFrameAddressTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ResolveFrameAddressTest, MakesTheSourceAbsolute) {
  const FrameCase& c = GetParam();
  EXPECT_EQ(ResolveFrameAddress(c.src, c.page), c.expected);
  RunState state;
  state.CurrentTarget = c.page;
  EXPECT_EQ(ResolveFrameAddress(state, c.src), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ResolveFrameAddressTest,
    ::testing::Values(
        FrameCase{"FolderRelative", "folder/name.htm", "http://host/dir/page?q=/a/b",
                  "http://host/dir/folder/name.htm"},
        FrameCase{"RootRelative", "/name.htm", "http://host/dir/page?q=/a/b",
                  "http://host/name.htm"},
        FrameCase{"AbsoluteHttp", "HTTP://other/x.htm", "http://host/dir/page",
                  "HTTP://other/x.htm"},
        FrameCase{"AbsoluteHttpsStays", "https://other/x.htm", "http://host/dir/page",
                  "https://other/x.htm"},
        FrameCase{"AbsoluteFile", "file:///home/x.htm", "http://host/dir/page",
                  "file:///home/x.htm"},
        FrameCase{"RootRelativeOnFilePage", "/top.htm", "file:///home/site/index.htm",
                  "file:///top.htm"},
        FrameCase{"RootRelativeOnPlainPath", "/top.htm", "/home/site/index.htm", "/top.htm"},
        FrameCase{"RelativeOnPlainPath", "menu.htm", "/home/site/index.htm", "/home/site/menu.htm"},
        // Another host, in the page's own scheme.
        FrameCase{"SchemeRelative", "//cdn.example/f.htm", "http://host/dir/page",
                  "http://cdn.example/f.htm"},
        FrameCase{"SchemeRelativeOnHttpsPage", "//cdn.example/f.htm", "https://host/page",
                  "https://cdn.example/f.htm"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- StripSuffix and EnsureSuffix -----------------------------------------------

struct SuffixCase {
  const char* name;
  const char* text;
  const char* ending;
  const char* stripped;
  const char* ensured;
};

class SuffixTest : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(SuffixTest, AddsOrRemovesTheEnding) {
  const SuffixCase& c = GetParam();
  EXPECT_EQ(StripSuffix(c.text, c.ending), c.stripped);
  EXPECT_EQ(EnsureSuffix(c.text, c.ending), c.ensured);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, SuffixTest,
    ::testing::Values(SuffixCase{"FolderWithSlash", "/site/", "/", "/site", "/site/"},
                      SuffixCase{"FolderWithoutSlash", "/site", "/", "/site", "/site/"},
                      SuffixCase{"OnlyOneSlashGoes", "/site//", "/", "/site/", "/site//"},
                      SuffixCase{"Empty", "", "/", "", "/"},
                      // The last character is multi-byte; no byte of it is taken for a "/".
                      SuffixCase{"MultiByteLastCharacter", "/site/\xE3\x82\xBD", "/",
                                 "/site/\xE3\x82\xBD", "/site/\xE3\x82\xBD/"},
                      SuffixCase{"MultiByteEnding", "/a\xE8\xA1\xA8", "\xE8\xA1\xA8", "/a",
                                 "/a\xE8\xA1\xA8"},
                      SuffixCase{"LongerEnding", "index.htm", ".htm", "index", "index.htm"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vex
