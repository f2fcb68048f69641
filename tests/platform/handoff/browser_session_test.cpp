#include "platform/handoff/browser_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/browser_fixtures.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using testing::MozLz4Bytes;
using testing::TempDir;

// A session of two windows; window 2 shows tab 2, which went back to its
// first of three entries.
constexpr const char* kSession = R"({
  "version": ["sessionrestore", 1],
  "windows": [
    {"tabs": [{"entries": [{"url": "http://w1.example/t1", "title": "W1"}], "index": 1}],
     "selected": 1},
    {"tabs": [
       {"entries": [{"url": "http://w2.example/t1", "title": "T1"}], "index": 1},
       {"entries": [{"url": "http://w2.example/a", "title": "A \u30da"},
                    {"url": "http://w2.example/b", "title": "B"},
                    {"url": "http://w2.example/c", "title": "C"}], "index": 1}],
     "selected": 2}
  ],
  "selectedWindow": 2,
  "_closedWindows": []
})";

TEST(SelectedPageOfSession, TakesSelectedWindowTabAndEntry) {
  auto page = SelectedPageOfSession(kSession);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->address, "http://w2.example/a");
  EXPECT_EQ(page->title, "A \xE3\x83\x9A");
}

TEST(SelectedPageOfSession, OutOfRangeNumbersAndGaps) {
  const std::string entries =
      R"("entries": [{"url": "http://e/1"}, {"url": "http://e/2"}, {"url": "http://e/3"}])";
  struct Case {
    const char* name;
    std::string json;
    const char* address;  // "" for none
  } cases[] = {
      {"no selectedWindow: first window",
       R"({"windows": [{"tabs": [{)" + entries + R"(, "index": 2}]}, {"tabs": []}]})",
       "http://e/2"},
      {"selectedWindow 0: first window",
       R"({"selectedWindow": 0, "windows": [{"tabs": [{)" + entries + R"(, "index": 3}]}]})",
       "http://e/3"},
      {"selected tab beyond the tabs: first tab",
       R"({"windows": [{"selected": 9, "tabs": [{)" + entries + R"(, "index": 1}]}]})",
       "http://e/1"},
      {"no index: last entry", R"({"windows": [{"tabs": [{)" + entries + R"(}]}]})", "http://e/3"},
      {"index beyond the entries: last entry",
       R"({"windows": [{"tabs": [{)" + entries + R"(, "index": 7}]}]})", "http://e/3"},
      {"no windows", R"({"windows": []})", ""},
      {"window without tabs", R"({"windows": [{"tabs": []}]})", ""},
      {"tab without entries", R"({"windows": [{"tabs": [{"entries": []}]}]})", ""},
      {"entry without url", R"({"windows": [{"tabs": [{"entries": [{"title": "x"}]}]}]})", ""},
      {"not JSON", "{\"windows\": [", ""},
      {"not an object", "[1, 2]", ""},
  };
  for (const Case& c : cases) {
    auto page = SelectedPageOfSession(c.json);
    EXPECT_EQ(page ? page->address : "", c.address) << c.name;
  }
}

TEST(FirstPageOfList, SkipsOtherTargetTypes) {
  struct Case {
    const char* name;
    const char* json;
    const char* address;
  } cases[] = {
      {"worker before the pages",
       R"([{"type": "service_worker", "url": "https://sw.example/sw.js"},
           {"type": "page", "url": "https://a.example/", "title": "A", "id": "1"},
           {"type": "page", "url": "https://b.example/", "title": "B", "id": "2"}])",
       "https://a.example/"},
      {"iframe and background page only",
       R"([{"type": "iframe", "url": "https://f.example/"},
           {"type": "background_page", "url": "chrome-extension://x/bg.html"}])",
       ""},
      {"empty list", "[]", ""},
      {"object instead of list", R"({"type": "page", "url": "https://a.example/"})", ""},
      {"page without url", R"([{"type": "page"}, {"type": "page", "url": "about:blank"}])",
       "about:blank"},
      {"garbage", "<html>", ""},
  };
  for (const Case& c : cases) {
    auto page = FirstPageOfList(c.json);
    EXPECT_EQ(page ? page->address : "", c.address) << c.name;
  }
}

// What the browsers really write, and what a hostile answer may hold.
TEST(FirstPageOfList, ReadsOddButValidTextsAndSurvivesHostileOnes) {
  struct Case {
    const char* name;
    std::string json;
    const char* address;  // "" for none
    const char* title;
  } cases[] = {
      {"escapes decoded to UTF-8",
       R"([{"type": "page", "url": "http:\/\/a.example\/\u30c1", "title": "\ud83d\ude00"}])",
       "http://a.example/\xE3\x83\x81", "\xF0\x9F\x98\x80"},
      {"title cut inside a surrogate pair keeps the page",
       R"([{"type": "page", "url": "http://a.example/", "title": "x\ud83d"}])", "http://a.example/",
       "x\xEF\xBF\xBD"},
      {"lone low surrogate", R"([{"type": "page", "url": "http://a.example/", "title": "\ude00"}])",
       "http://a.example/", "\xEF\xBF\xBD"},
      {"escaped backslash before u is no escape",
       R"([{"type": "page", "url": "http://a.example/", "title": "\\ud83d"}])", "http://a.example/",
       "\\ud83d"},
      {"nesting far too deep", std::string(100000, '['), "", ""},
      {"trailing garbage", R"([{"type": "page", "url": "http://a.example/"}] [])", "", ""},
  };
  for (const Case& c : cases) {
    auto page = FirstPageOfList(c.json);
    EXPECT_EQ(page ? page->address : "", c.address) << c.name;
    EXPECT_EQ(page ? page->title : "", c.title) << c.name;
  }
}

TEST(SelectedPageOfSession, NumbersCountOnlyWhenWhole) {
  const std::string entries =
      R"("entries": [{"url": "http://e/1"}, {"url": "http://e/2"}, {"url": "http://e/3"}])";
  struct Case {
    const char* index;
    const char* address;
  } cases[] = {{"2", "http://e/2"},     {"2.0", "http://e/2"},   {"2.5", "http://e/3"},
               {"\"2\"", "http://e/3"}, {"1e300", "http://e/3"}, {"-0", "http://e/3"}};
  for (const Case& c : cases) {
    auto page = SelectedPageOfSession(R"({"windows": [{"tabs": [{)" + entries + R"(, "index": )" +
                                      c.index + "}]}]}");
    EXPECT_EQ(page ? page->address : "", c.address) << c.index;
  }
}

class FirefoxProfiles : public ::testing::Test {
 protected:
  // Writes a profile's recovery file, `ageSeconds` old.
  std::string WriteSession(const std::string& profileFolder, const std::string& json,
                           int ageSeconds) {
    std::string path =
        home.Write(profileFolder + "/sessionstore-backups/recovery.jsonlz4", MozLz4Bytes(json));
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
    return path;
  }
  static std::string SessionOf(const std::string& address) {
    return R"({"windows": [{"tabs": [{"entries": [{"url": ")" + address + R"("}]}]}]})";
  }
  TempDir home;
};

TEST_F(FirefoxProfiles, NewestRecoveryFileWins) {
  home.Write(".mozilla/firefox/profiles.ini",
             "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\n"
             "Path=abcd.default\nDefault=1\n\n[Profile1]\nName=work\nIsRelative=0\nPath=" +
                 (home / "elsewhere/work") + "\n");
  WriteSession(".mozilla/firefox/abcd.default", SessionOf("http://old.example/"), 600);
  std::string newest = WriteSession("elsewhere/work", SessionOf("http://new.example/"), 5);
  WriteSession(".mozilla/firefox/efgh.unlisted", SessionOf("http://middle.example/"), 60);

  EXPECT_EQ(NewestFirefoxSessionFile(home.path().string()), newest);
  auto page = FirefoxCurrentPage(home.path().string());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->address, "http://new.example/");
}

TEST_F(FirefoxProfiles, SnapProfileAndMissingIni) {
  WriteSession(".mozilla/firefox/a.default", SessionOf("http://old.example/"), 600);
  WriteSession("snap/firefox/common/.mozilla/firefox/b.default", SessionOf("http://snap.example/"),
               1);
  auto page = FirefoxCurrentPage(home.path().string());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->address, "http://snap.example/");
}

TEST_F(FirefoxProfiles, NothingUsableGivesNothing) {
  EXPECT_EQ(NewestFirefoxSessionFile(home.path().string()), "");
  EXPECT_FALSE(FirefoxCurrentPage(home.path().string()));
  EXPECT_FALSE(FirefoxCurrentPage(""));
  // A profile without a recovery file, and one whose file is not compressed.
  home.Write(".mozilla/firefox/a.default/prefs.js", "");
  home.Write(".mozilla/firefox/b.default/sessionstore-backups/recovery.jsonlz4",
             SessionOf("http://plain.example/"));
  EXPECT_FALSE(FirefoxCurrentPage(home.path().string()));
}

}  // namespace
}  // namespace vex
