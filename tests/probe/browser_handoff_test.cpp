#include "probe/browser_handoff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "context/app.h"
#include "support/browser_fixtures.h"
#include "support/loopback_server.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using testing::ChromiumCacheEntryBytes;
using testing::FirefoxCacheEntryBytes;
using testing::LoopbackServer;
using testing::MozLz4Bytes;
using testing::TempDir;

// The test servers' answers close their connections ("Connection: close" on
// each), so that stopping a server does not wait on a kept-alive one.

// Sets environment variables for one test and puts the old values back.
class EnvironmentOverride {
 public:
  ~EnvironmentOverride() {
    for (auto& [name, old] : saved_) {
      if (old)
        setenv(name.c_str(), old->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(WindowInfoReply, FirstFieldIsCutAtTheFirstQuoteAndComma) {
  struct Case {
    const char* name;
    std::string reply;
    const char* address;
  } cases[] = {
      {"address and title", R"("http://example.com/","Example")", "http://example.com/"},
      {"further fields", R"("http://a.example/x?y=1","T","0")", "http://a.example/x?y=1"},
      {"quote and comma inside the first field", R"("http://a.example/x",y","Title")",
       "http://a.example/x"},
      {"quote inside the first field, no comma after it", R"("say "hi" now","T")",
       "say \"hi\" now"},
      {"no quote followed by a comma", R"("http://a.example/" "T")", ""},
      {"no closing quote", R"("http://a.example/)", ""},
      {"empty reply", "", ""},
      {"empty first field", R"("","T")", ""},
      {"pair opens the reply", R"(",x")", ""},
      // The rule counts from the 2nd character whatever the 1st is.
      {"no opening quote", R"(abc",x)", "bc"},
  };
  for (const Case& c : cases) EXPECT_EQ(AddressFromWindowInfoReply(c.reply), c.address) << c.name;
}

TEST(WindowInfoReply, BuiltReplyGivesTheAddressBack) {
  for (const char* address :
       {"http://example.com/", "https://a.example/p?q=\"x\"", "file:///home/a.html", ""}) {
    std::string reply = WindowInfoReply(address, "Title, with \",\" inside");
    EXPECT_EQ(reply.front(), '"');
    EXPECT_EQ(AddressFromWindowInfoReply(reply), address);
  }
}

class HandOff : public ::testing::Test {
 protected:
  HandOff() : frontEnd(clock), client(http::MakeCurlClient()), app(frontEnd, clock, *client) {
    env.Set("HOME", home.path().string());
    env.Set("XDG_CACHE_HOME", std::nullopt);
    env.Set("VEXALORN_DEBUG_PORT", std::nullopt);
    env.Set("NO_PROXY", "127.0.0.1");
    env.Set("no_proxy", "127.0.0.1");
    env.Set("http_proxy", std::nullopt);
    env.Set("all_proxy", std::nullopt);
    env.Set("ALL_PROXY", std::nullopt);
  }

  void WriteFirefoxSession(const std::string& address) {
    home.Write(".mozilla/firefox/x.default/sessionstore-backups/recovery.jsonlz4",
               MozLz4Bytes(R"({"windows": [{"tabs": [{"entries": [{"url": ")" + address +
                           R"(", "title": "Fx"}], "index": 1}], "selected": 1}],
                              "selectedWindow": 1})"));
  }

  // A port on which nothing listens: a server's port, after it stopped.
  static int ClosedPort() {
    LoopbackServer gone;
    int port = gone.Start();
    gone.Stop();
    return port;
  }

  TempDir home;
  EnvironmentOverride env;
  ManualClock clock;
  testing::ScriptedFrontEnd frontEnd;
  std::unique_ptr<http::Client> client;
  App app;
};

TEST_F(HandOff, DebugPortFromEnvironmentThenSettings) {
  struct Case {
    const char* name;
    std::optional<std::string> environment;
    LineList settings;
    int port;
  } cases[] = {
      {"nothing set", std::nullopt, {"[OPT]", "VER=2.6", "CHAR=0"}, kDefaultDebugPort},
      {"settings key", std::nullopt, {"[OPT]", "VER=2.6", " debugport = 9333 ; mine"}, 9333},
      {"comment with slashes", std::nullopt, {"[OPT]", "DEBUGPORT=9334 // x"}, 9334},
      {"key in another section",
       std::nullopt,
       {"[NOCHECK]", "DEBUGPORT=9333", "[OPT]"},
       kDefaultDebugPort},
      {"indented header does not open the section",
       std::nullopt,
       {"  [OPT]", "DEBUGPORT=9333"},
       kDefaultDebugPort},
      {"longer key", std::nullopt, {"[OPT]", "DEBUGPORTS=9333"}, kDefaultDebugPort},
      {"not a number", std::nullopt, {"[OPT]", "DEBUGPORT=abc"}, kDefaultDebugPort},
      {"out of range", std::nullopt, {"[OPT]", "DEBUGPORT=70000"}, kDefaultDebugPort},
      {"environment wins", "9555", {"[OPT]", "DEBUGPORT=9333"}, 9555},
      {"bad environment value", "0", {"[OPT]", "DEBUGPORT=9333"}, kDefaultDebugPort},
  };
  for (const Case& c : cases) {
    env.Set("VEXALORN_DEBUG_PORT", c.environment);
    app.SettingsImage() = c.settings;
    EXPECT_EQ(BrowserDebugPort(app), c.port) << c.name;
  }
}

TEST_F(HandOff, DebuggingPortAnswersFirst) {
  LoopbackServer server;
  server.server().Get("/json/list", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Connection", "close");
    res.set_content(R"([
      {"type": "browser_ui", "url": "chrome://omnibox-popup.top-chrome/", "title": "Omnibox"},
      {"type": "page", "url": "http://active.example/tab", "title": "Active, \"quoted\""},
      {"type": "page", "url": "about:blank", "title": "about:blank"}])",
                    "application/json");
  });
  env.Set("VEXALORN_DEBUG_PORT", std::to_string(server.Start()));
  WriteFirefoxSession("http://firefox.example/");

  EXPECT_EQ(BrowserAddressByDde(app, 0), "http://active.example/tab");
  EXPECT_EQ(server.Hits("/json/list"), 1);
  // Index 1 asks Firefox alone.
  EXPECT_EQ(BrowserAddressByDde(app, 1), "http://firefox.example/");
  EXPECT_EQ(server.Hits("/json/list"), 1);
  EXPECT_TRUE(frontEnd.messages.empty());
}

TEST_F(HandOff, PortIsNotAskedThroughAProxy) {
  LoopbackServer server;
  server.server().Get("/json/list", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Connection", "close");
    res.set_content(R"([{"type": "page", "url": "http://debug.example/"}])", "application/json");
  });
  env.Set("VEXALORN_DEBUG_PORT", std::to_string(server.Start()));
  WriteFirefoxSession("http://firefox.example/");
  // A proxy on a closed loopback port: nothing may be sent there.
  env.Set("http_proxy", "http://127.0.0.1:" + std::to_string(ClosedPort()));
  struct Case {
    const char* name;
    const char* noProxy;
    const char* address;
  } cases[] = {
      {"no bypass list", nullptr, "http://firefox.example/"},
      {"list without the loopback", "example.org,.local", "http://firefox.example/"},
      {"list naming the loopback", "localhost, 127.0.0.1", "http://debug.example/"},
      {"everything bypassed", "*", "http://debug.example/"},
  };
  for (const Case& c : cases) {
    env.Set("NO_PROXY", std::nullopt);
    env.Set("no_proxy", c.noProxy ? std::optional<std::string>(c.noProxy) : std::nullopt);
    EXPECT_EQ(BrowserAddressByDde(app, 0), c.address) << c.name;
  }
  EXPECT_EQ(server.Hits("/json/list"), 2);
}

TEST_F(HandOff, FirefoxWhenThePortGivesNoPage) {
  LoopbackServer server;
  server.server().Get("/json/list", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_header("Connection", "close");
    res.set_content("no such target", "text/plain");
  });
  int notFoundPort = server.Start();
  LoopbackServer workersOnly;
  workersOnly.server().Get("/json/list", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Connection", "close");
    res.set_content(R"([{"type": "service_worker", "url": "https://w.example/sw.js"}])",
                    "application/json");
  });
  int workersPort = workersOnly.Start();
  WriteFirefoxSession("http://firefox.example/page");

  for (int port : {ClosedPort(), notFoundPort, workersPort}) {
    env.Set("VEXALORN_DEBUG_PORT", std::to_string(port));
    EXPECT_EQ(BrowserAddressByDde(app, 0), "http://firefox.example/page") << port;
  }
}

TEST_F(HandOff, NothingAnsweringGivesEmptyWithinTheLimit) {
  env.Set("VEXALORN_DEBUG_PORT", std::to_string(ClosedPort()));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(BrowserAddressByDde(app, 0), "");
  EXPECT_EQ(BrowserAddressByDde(app, 1), "");
  EXPECT_EQ(BrowserAddressByDde(app, 2), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(frontEnd.messages.empty());
}

TEST_F(HandOff, HangingPortIsGivenUp) {
  std::mutex mutex;
  std::condition_variable released;
  bool release = false;
  {
    LoopbackServer server;
    server.server().Get("/json/list", [&](const httplib::Request&, httplib::Response& res) {
      std::unique_lock<std::mutex> lock(mutex);
      released.wait_for(lock, std::chrono::seconds(8), [&] { return release; });
      res.set_header("Connection", "close");
      res.set_content("[]", "application/json");
    });
    env.Set("VEXALORN_DEBUG_PORT", std::to_string(server.Start()));
    WriteFirefoxSession("http://firefox.example/after-hang");

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BrowserAddressByDde(app, 0), "http://firefox.example/after-hang");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    {
      std::lock_guard<std::mutex> lock(mutex);
      release = true;
    }
    released.notify_all();
  }
}

TEST_F(HandOff, CacheFileFoundInOtherLetterCase) {
  std::string firefox = home.Write(".cache/mozilla/firefox/x.default/cache2/entries/0A1B2C3D",
                                   FirefoxCacheEntryBytes("a,:http://example.com/fx.html"));
  std::string chromium = home.Write(".cache/chromium/Default/Cache/Cache_Data/9f00aa_0",
                                    ChromiumCacheEntryBytes("1/0/_dk_http://example.com "
                                                            "http://example.com "
                                                            "http://example.com/cr.html"));
  std::string base = home.path().string();
  struct Case {
    const char* name;
    std::string path;
    const char* address;
  } cases[] = {
      {"firefox as stored", firefox, "http://example.com/fx.html"},
      {"firefox in other case", base + "/.CACHE/Mozilla/FIREFOX/X.Default/CACHE2/entries/0a1b2c3d",
       "http://example.com/fx.html"},
      {"chromium in other case", base + "/.cache/CHROMIUM/default/cache/cache_data/9F00AA_0",
       "http://example.com/cr.html"},
      {"no such file in any case", base + "/.cache/chromium/Default/Cache/Cache_Data/00_0", ""},
      {"a folder", base + "/.cache/CHROMIUM", ""},
      {"empty path", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CacheUrlOfFile(c.path), c.address) << c.name;

  // A relative path in other case, from the home folder.
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(home.path());
  EXPECT_EQ(CacheUrlOfFile(".cache/CHROMIUM/Default/Cache/Cache_Data/9f00aa_0"),
            "http://example.com/cr.html");
  std::filesystem::current_path(old);
}

TEST_F(HandOff, NotACacheEntryGivesEmpty) {
  std::string page = home.Write("Site/Index.html", "<html><title>x</title></html>");
  EXPECT_EQ(CacheUrlOfFile(page), "");
  EXPECT_EQ(CacheUrlOfFile(home / "site/index.HTML"), "");
}

TEST_F(HandOff, WalkOverTheUserCaches) {
  home.Write(".cache/mozilla/firefox/x.default/cache2/entries/AAAA",
             FirefoxCacheEntryBytes(":http://example.com/1"));
  home.Write(".cache/mozilla/firefox/x.default/cache2/entries/BBBB",
             FirefoxCacheEntryBytes(":http://example.com/2"));
  home.Write(".cache/chromium/Default/Cache/Cache_Data/01_0",
             ChromiumCacheEntryBytes("http://example.com/3"));
  home.Write(".cache/chromium/Default/Cache/Cache_Data/index", std::string(24, '\0'));
  home.Write(".cache/google-chrome/Profile 1/Cache/Cache_Data/02_0",
             ChromiumCacheEntryBytes("http://example.com/4"));

  EXPECT_EQ(UserCacheFolders().size(), 3u);
  std::vector<std::string> seen;
  EXPECT_TRUE(ForEachCacheEntry([&](const CacheEntry& e) {
    EXPECT_EQ(CacheUrlOfFile(e.localFile), e.address);
    seen.push_back(e.address);
    return true;
  }));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"http://example.com/1", "http://example.com/2",
                                            "http://example.com/3", "http://example.com/4"}));

  int visits = 0;
  EXPECT_FALSE(ForEachCacheEntry([&](const CacheEntry&) { return ++visits < 2; }));
  EXPECT_EQ(visits, 2);

  // The cache home follows XDG_CACHE_HOME.
  TempDir other;
  env.Set("XDG_CACHE_HOME", other.path().string());
  EXPECT_TRUE(UserCacheFolders().empty());
  EXPECT_TRUE(ForEachCacheEntry([](const CacheEntry&) { return true; }));
}

}  // namespace
}  // namespace vex
