// The browser and the page wait over the real HTTP client, against a server
// on 127.0.0.1: the encodings as a web server declares them, redirects, and
// a server that does not answer in time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "browser/page_load.h"
#include "context/app.h"
#include "context/browser.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"
#include "platform/text/line_list.h"
#include "support/loopback_server.h"
#include "support/scripted_front_end.h"

namespace vex {
namespace {

[[maybe_unused]] ::testing::Environment* const kNoProxy =
    ::testing::AddGlobalTestEnvironment(new testing::LoopbackOnlyEnvironment);

std::string Fixture(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(std::string(VEXALORN_FIXTURES) + "/html/" + name, bytes)) << name;
  return bytes;
}

struct ServedPage {
  const char* name;
  const char* fixture;
  const char* contentType;
  const char* title;
};

const ServedPage kServedPages[] = {
    {"shift_jis_in_meta", "sjis_meta.html", "text/html", "日本語のページ"},
    {"euc_jp_in_meta", "eucjp_meta.html", "text/html", "日本語のページ"},
    {"iso_2022_jp_in_meta", "iso2022jp_meta.html", "text/html", "日本語のページ"},
    {"utf8_with_bom", "utf8_bom.html", "text/html", "日本語のページ"},
    {"utf8_in_header_only", "utf8_plain.html", "text/html; charset=utf-8", "日本語のページ"},
    {"latin1_in_header_only", "latin1_plain.html", "text/html; charset=iso-8859-1",
     "Café “quoted”"},
    {"latin1_in_meta", "latin1_meta.html", "text/html", "Café “quoted”"},
};

class BrowserLoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = server.server();
    for (const ServedPage& p : kServedPages) {
      s.Get(std::string("/") + p.name, [p](const httplib::Request&, httplib::Response& res) {
        res.set_content(Fixture(p.fixture), p.contentType);
      });
    }
    s.Get("/old", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/new/index.html");
    });
    s.Get("/new/index.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<title>New</title><a href='x.html'>x</a>", "text/html");
    });
    server.Start();
    // The wait's pauses are the manual clock's; the transfer itself needs a
    // few real milliseconds, given to it on every event of the front end.
    ui.onEvents = [this] { (void)client->Poll(5); };
  }

  testing::LoopbackServer server;
  ManualClock clock;
  testing::ScriptedFrontEnd ui{clock};
  std::unique_ptr<http::Client> client = http::MakeCurlClient();
  App app{ui, clock, *client};
};

TEST_F(BrowserLoopbackTest, LoadsEachPageInItsEncoding) {
  for (const ServedPage& p : kServedPages) {
    SCOPED_TRACE(p.name);
    x_OpenIE(app, server.Url(std::string("/") + p.name));
    ASSERT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitReady);
    EXPECT_EQ(app.PageBrowser->Document()->title(), p.title);
    EXPECT_EQ(app.PageBrowser->LoadError(), "");
    // The same file from disk, where only the page itself declares its encoding.
    if (std::string(p.contentType) != "text/html") continue;
    x_OpenIE(app, std::string(VEXALORN_FIXTURES) + "/html/" + p.fixture);
    ASSERT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitReady);
    EXPECT_EQ(app.PageBrowser->Document()->title(), p.title);
  }
}

TEST_F(BrowserLoopbackTest, RedirectedPageResolvesAgainstTheAddressReached) {
  x_OpenIE(app, server.Url("/old"));
  ASSERT_EQ(x_WaitIE(app, kWaitPageProgress, "2"), kWaitReady);
  auto doc = app.PageBrowser->Document();
  EXPECT_EQ(doc->title(), "New");
  EXPECT_EQ(doc->links().item(0).href(), server.Url("/new/x.html"));
}

TEST_F(BrowserLoopbackTest, RefusedPortLoadsAnEmptyPage) {
  int port = 0;
  {
    testing::LoopbackServer gone;
    port = gone.Start();
  }
  x_OpenIE(app, "http://127.0.0.1:" + std::to_string(port) + "/");
  ASSERT_EQ(x_WaitIE(app, kWaitPage, "4"), kWaitReady);
  EXPECT_NE(app.PageBrowser->LoadError(), "");
  EXPECT_EQ(app.PageBrowser->Document()->links().length(), 0u);
}

}  // namespace
}  // namespace vex
