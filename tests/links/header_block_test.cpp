#include "links/header_block.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "context/app.h"
#include "platform/text/encoding.h"
#include "platform/text/text.h"
#include "support/loopback_server.h"
#include "support/scripted_front_end.h"

namespace vex {
namespace {

// Answers every transfer with one scripted response and keeps the requests.
class ScriptedHttpClient final : public http::Client {
 public:
  http::TransferId Start(const http::Request& request) override {
    requests.push_back(request);
    return requests.size();
  }
  bool Poll(int) override { return true; }
  bool Done(http::TransferId) const override { return true; }
  http::Response Take(http::TransferId) override { return response; }
  void Cancel(http::TransferId) override {}
  void CancelAll() override {}
  std::size_t InFlight() const override { return 0; }
  void SetLimits(int, int) override {}

  http::Response response;
  std::vector<http::Request> requests;
};

// Sets VEXALORN_HOME_SITE for the lifetime of the object.
class HomeSiteOverride {
 public:
  explicit HomeSiteOverride(const std::string& base) {
    ::setenv("VEXALORN_HOME_SITE", base.c_str(), 1);
  }
  ~HomeSiteOverride() { ::unsetenv("VEXALORN_HOME_SITE"); }
};

const std::string kBase = "http://site.test/v/";
const std::string kFolder = kBase + "banner/";
const std::string kMarker = "<P style=\"MARGIN-LEFT: 1px\">";

std::string Default(const std::string& code) {
  return DefaultBanner(kFolder, code);
}

std::array<std::string, 16> Defaults() {
  std::array<std::string, 16> d;
  for (int k = 0; k < 8; ++k) {
    d[k] = Default("c1" + std::to_string(k + 1));
    d[8 + k] = Default("c2" + std::to_string(k + 1));
  }
  return d;
}

class HeaderBlockTest : public ::testing::Test {
 protected:
  HeaderBlockTest() : site(kBase), ui(clock), app(ui, clock, client) {
    app.NoCheckList() = {"site.test/v/", "site.test/v/en/", "javascript:vexalorn1", "---SEP---"};
  }

  void Serve(const std::string& body, int status = 200) {
    client.response = {};
    client.response.status = status;
    client.response.body = body;
  }

  HomeSiteOverride site;
  ManualClock clock;
  testing::ScriptedFrontEnd ui;
  ScriptedHttpClient client;
  App app;
};

TEST_F(HeaderBlockTest, BlockLinesWithDefaultBanners) {
  client.response.error = http::kCannotConnect;
  app.state.BannerPick1 = 2;
  app.state.BannerPick2 = 5;
  BuildHeaderBlock(app);
  const std::string cell = "    <td width=\"20%\" rowspan=\"2\"><p style=\"margin-left: 0\">";
  const LineList expected = {
      "<table border=\"0\" width=\"100%\">",
      "  <tr>",
      cell,
      "      <A href=\"http://site.test/v/index.html\">",
      "      <IMG alt=VEXALORN hspace=0 src=\"http://site.test/v/img/P00260.gif\" align=left>",
      "      </A>",
      "    </td>",
      "    <td width=\"20%\"><p style=\"margin-left: 0\">",
      "      <IMG src=\"http://site.test/v/img/counter.gif\">",
      "    </td>",
      "    <td width=\"20%\">",
      "      <p style=\"margin-left: 0\">suport\u3000<A href=\"http://site.test/v/legend.html\" "
      "target=\"_blank\">凡例</A></td>",
      cell,
      "       <A href=\"http://site.test/v/banner/c13.htm\"><IMG hspace=0 "
      "src=\"http://site.test/v/banner/c13.gif\" align=left>       </A>",
      "    </td>",
      cell,
      "       " + Default("c26"),
      "    </td>",
      "  </tr>",
      "  <tr>",
      "    <td width=\"20%\"></td>",
      "    <td width=\"20%\"></td>",
      "  </tr>",
      "</table><HR>",
  };
  EXPECT_EQ(app.HeaderBlock(), expected);
  EXPECT_EQ(app.state.BannerEntries, Defaults());
  EXPECT_EQ(app.NoCheckList().size(), 4u);
}

TEST_F(HeaderBlockTest, DownloadsTheBannerListOnceWithItsLimits) {
  Serve(kMarker + "<a href=\"http://ads.test/a\">A</a></P>");
  BuildHeaderBlock(app);
  BuildHeaderBlock(app);
  ASSERT_EQ(client.requests.size(), 1u);
  const http::Request& r = client.requests[0];
  EXPECT_EQ(r.url, kBase + "banner/banners.htm");
  EXPECT_EQ(r.connectTimeoutMs, 1000);
  EXPECT_EQ(r.bodyTimeLimitMs, 2000);
  EXPECT_EQ(r.maxBodyBytes, 8000u);
  EXPECT_GT(ui.eventsProcessed, 0);
}

TEST_F(HeaderBlockTest, PicksAdvanceAndWrapAfterEightPages) {
  client.response.error = http::kCannotConnect;
  app.state.BannerPick1 = 3;
  app.state.BannerPick2 = 6;
  std::vector<LineList> pages;
  for (int i = 0; i < 9; ++i) {
    BuildHeaderBlock(app);
    const LineList& block = app.HeaderBlock();
    ASSERT_EQ(block.size(), 24u);
    EXPECT_EQ(block[13], "       " + Default("c1" + std::to_string((3 + i) % 8 + 1))) << i;
    EXPECT_EQ(block[16], "       " + Default("c2" + std::to_string((6 + i) % 8 + 1))) << i;
    pages.push_back(block);
  }
  EXPECT_EQ(pages[8], pages[0]);
  EXPECT_NE(pages[1], pages[0]);
}

TEST_F(HeaderBlockTest, PicksOutOfRangeStillPickABanner) {
  client.response.error = http::kCannotConnect;
  app.state.BannerPick1 = 8;
  app.state.BannerPick2 = -1;
  BuildHeaderBlock(app);
  EXPECT_EQ(app.HeaderBlock()[13], "       " + Default("c11"));
  EXPECT_EQ(app.HeaderBlock()[16], "       " + Default("c28"));
  EXPECT_EQ(app.state.BannerPick1, 1);
  EXPECT_EQ(app.state.BannerPick2, 0);
}

TEST_F(HeaderBlockTest, ParagraphsAreTakenInPairs) {
  struct Case {
    const char* name;
    std::string page;
    std::map<int, std::string> taken;  // entries that differ from the defaults
  };
  auto p = [](const std::string& s) { return kMarker + s + "</P>"; };
  std::string eighteen;
  for (int i = 0; i < 18; ++i) eighteen += p("<b>" + std::to_string(i) + "</b>");
  std::map<int, std::string> sixteen;
  for (int k = 0; k < 8; ++k) {
    sixteen[k] = "<b>" + std::to_string(2 * k) + "</b>";
    sixteen[8 + k] = "<b>" + std::to_string(2 * k + 1) + "</b>";
  }
  const std::vector<Case> cases = {
      {"no marker", "<p>nothing</p>", {}},
      {"one pair", p(" <b>A</b> ") + "\r\n" + p("<b>B</b>"), {{0, "<b>A</b>"}, {8, "<b>B</b>"}}},
      {"three paragraphs",
       p("<b>A</b>") + p("<b>B</b>") + p("<b>C</b>"),
       {{0, "<b>A</b>"}, {8, "<b>B</b>"}, {1, "<b>C</b>"}}},
      {"empty first keeps its default", p("  ") + p("<b>B</b>"), {{8, "<b>B</b>"}}},
      {"paragraph without end keeps its default", kMarker + "<b>A</b>", {}},
      {"marker is case-sensitive", "<p style=\"MARGIN-LEFT: 1px\"><b>A</b></P>", {}},
      {"at most eight pairs", eighteen, sixteen},
  };
  for (const auto& c : cases) {
    app.state.BannerEntries = {};
    app.NoCheckList().resize(4);
    Serve(c.page);
    BuildHeaderBlock(app);
    auto expected = Defaults();
    for (const auto& [k, v] : c.taken) expected[k] = v;
    EXPECT_EQ(app.state.BannerEntries, expected) << c.name;
  }
}

TEST_F(HeaderBlockTest, BannerLinksAwayFromTheHomeSiteAreNotProbed) {
  Serve(kMarker + "<a href=\"http://ads.test/one\"><img src=\"x.gif\"></a></P>" + kMarker +
        "<a href=\"http://ads.test/two \">two</a></P>" + kMarker +
        "<A HREF=\"http://upper.test/\">up</A></P>" + kMarker +
        "<a href=\"http://site.test/v/banner/c12.htm\">home</a></P>" + kMarker +
        "<a href=\"http://site.test/v/en/\">en</a></P>");
  BuildHeaderBlock(app);
  // Entries 0 to 15 in order (the second paragraph is entry 8); each one
  // found is put at position 2. The relative image does not hide the link.
  EXPECT_EQ(app.NoCheckList(), (LineList{"site.test/v/", "site.test/v/en/", "ads.test/two",
                                         "ads.test/one", "javascript:vexalorn1", "---SEP---"}));
}

TEST_F(HeaderBlockTest, RelativeBannerAddressesPointIntoTheBannerFolder) {
  Serve(kMarker +
        "<A href=\"c31.htm\"><IMG src=\"img/c31.gif\"></A> <a href=\"/top.htm\">t</a> "
        "<a href=\"#x\">x</a> <a href=\"mailto:a@b.test\">m</a> <a HREF=\"\">e</a>"
        "<img src=\"//cdn.test/p.gif\"></P>" +
        kMarker +
        "<a href=\"http://other.test/c.htm\"><img SRC=\"https://other.test/c.gif\"></a></P>");
  BuildHeaderBlock(app);
  EXPECT_EQ(app.state.BannerEntries[0],
            "<A href=\"http://site.test/v/banner/c31.htm\"><IMG "
            "src=\"http://site.test/v/banner/img/c31.gif\"></A> <a "
            "href=\"http://site.test/top.htm\">t</a> "
            "<a href=\"#x\">x</a> <a href=\"mailto:a@b.test\">m</a> <a HREF=\"\">e</a>"
            "<img src=\"http://cdn.test/p.gif\">");
  EXPECT_EQ(app.state.BannerEntries[8],
            "<a href=\"http://other.test/c.htm\"><img SRC=\"https://other.test/c.gif\"></a>");
}

TEST_F(HeaderBlockTest, BannerPagesAreTakenAsUtf8Text) {
  const std::string banner = "<b>バナー広告</b>";
  struct Case {
    const char* name;
    std::string charset;  // iconv name the page is written in
    std::string declaration;
  };
  const std::vector<Case> cases = {
      {"euc-jp", "EUC-JP", "charset=EUC-JP"},
      {"shift_jis", "CP932", "charset=Shift_JIS"},
      {"utf-8", "UTF-8", "charset=utf-8"},
      {"undeclared utf-8", "UTF-8", ""},
  };
  for (const auto& c : cases) {
    std::string page;
    ASSERT_TRUE(ConvertCharset(
        "<meta content=\"text/html; " + c.declaration + "\">" + kMarker + banner + "</P>", "UTF-8",
        c.charset, page));
    app.state.BannerEntries = {};
    Serve(page);
    BuildHeaderBlock(app);
    EXPECT_EQ(app.state.BannerEntries[0], banner) << c.name;
  }
}

TEST_F(HeaderBlockTest, PageCutInsideACharacterKeepsItsBanners) {
  // The size limit cuts the page at any byte; the banners before the cut stay.
  std::string page = kMarker + "<b>一</b></P>" + kMarker + "<b>二</b></P><p>三";
  page.pop_back();
  Serve("<meta charset=UTF-8>" + page);
  BuildHeaderBlock(app);
  EXPECT_EQ(app.state.BannerEntries[0], "<b>一</b>");
  EXPECT_EQ(app.state.BannerEntries[8], "<b>二</b>");
}

TEST_F(HeaderBlockTest, ErrorPagesAreNotBannerLists) {
  Serve(kMarker + "<b>A</b></P>", 404);
  BuildHeaderBlock(app);
  EXPECT_EQ(app.state.BannerEntries, Defaults());
}

TEST_F(HeaderBlockTest, SlowListUsesWhatArrived) {
  Serve(kMarker + "<b>A</b></P>" + kMarker + "<b>B");
  client.response.error = http::kTimeout;
  BuildHeaderBlock(app);
  auto expected = Defaults();
  expected[0] = "<b>A</b>";
  EXPECT_EQ(app.state.BannerEntries, expected);
}

// The banner list page served on loopback, through the real client.
TEST(HeaderBlockLoopback, TakesTheBannerListPage) {
  testing::LoopbackServer server;
  std::string page;
  server.server().Get("/site/banner/banners.htm",
                      [&page](const httplib::Request&, httplib::Response& res) {
                        res.set_content(page, "text/html; charset=utf-8");
                      });
  const int port = server.Start();
  const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/site/";
  const std::string host = "127.0.0.1:" + std::to_string(port) + "/site/";
  page =
      "<html><head><meta charset=utf-8></head><body>\r\n" + kMarker +
      "<a href=\"http://banners.test/first\"><img src=\"http://banners.test/1.gif\"></a></P>\r\n" +
      kMarker + "<A HREF=\"http://upper.test/second\">SECOND</A></P>\r\n" + kMarker + "<a href=\"" +
      base + "banner/c13.htm\"><img src=\"c13.gif\"></a></P>\r\n</body></html>";

  HomeSiteOverride site(base);
  ManualClock clock;
  testing::ScriptedFrontEnd ui(clock);
  auto client = http::MakeCurlClient();
  App app(ui, clock, *client);
  app.NoCheckList() = {host, host + "en/", "javascript:vexalorn1", "---SEP---"};

  BuildHeaderBlock(app);
  BuildHeaderBlock(app);
  EXPECT_EQ(server.Hits("/site/banner/banners.htm"), 1);

  const auto& e = app.state.BannerEntries;
  EXPECT_EQ(e[0],
            "<a href=\"http://banners.test/first\"><img src=\"http://banners.test/1.gif\"></a>");
  EXPECT_EQ(e[8], "<A HREF=\"http://upper.test/second\">SECOND</A>");
  EXPECT_EQ(e[1],
            "<a href=\"" + base + "banner/c13.htm\"><img src=\"" + base + "banner/c13.gif\"></a>");
  EXPECT_EQ(e[9], DefaultBanner(base + "banner/", "c22"));
  EXPECT_EQ(e[7], DefaultBanner(base + "banner/", "c18"));
  // Only the lower-case link away from the home site is left alone by the walk.
  EXPECT_EQ(app.NoCheckList(), (LineList{host, host + "en/", "banners.test/first",
                                         "javascript:vexalorn1", "---SEP---"}));
  EXPECT_EQ(app.HeaderBlock()[3], "      <A href=\"" + base + "index.html\">");
}

TEST(HeaderBlockLoopback, NoServerGivesTheDefaults) {
  int port = 0;
  {
    testing::LoopbackServer closed;
    port = closed.Start();
  }
  const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/site/";
  HomeSiteOverride site(base);
  ManualClock clock;
  testing::ScriptedFrontEnd ui(clock);
  auto client = http::MakeCurlClient();
  App app(ui, clock, *client);
  app.NoCheckList() = {"x/", "y/", "javascript:vexalorn1", "---SEP---"};
  BuildHeaderBlock(app);
  EXPECT_EQ(app.state.BannerEntries[0], DefaultBanner(base + "banner/", "c11"));
  EXPECT_EQ(app.state.BannerEntries[15], DefaultBanner(base + "banner/", "c28"));
  EXPECT_EQ(app.NoCheckList().size(), 4u);
  EXPECT_EQ(app.HeaderBlock().size(), 24u);
}

// The shipped site read through its file address gives the same banners as
// the defaults.
TEST(HeaderBlockShippedSite, BannerListMatchesTheDefaults) {
  const std::string base = std::string("file://") + VEXALORN_SOURCE_DIR + "/data/site/";
  HomeSiteOverride site(base);
  ManualClock clock;
  testing::ScriptedFrontEnd ui(clock);
  auto client = http::MakeCurlClient();
  App app(ui, clock, *client);
  app.NoCheckList() = {std::string(VEXALORN_SOURCE_DIR) + "/data/site/", "y/", "---SEP---"};
  BuildHeaderBlock(app);
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(app.state.BannerEntries[k],
              DefaultBanner(base + "banner/", "c1" + std::to_string(k + 1)));
    EXPECT_EQ(app.state.BannerEntries[8 + k],
              DefaultBanner(base + "banner/", "c2" + std::to_string(k + 1)));
  }
  EXPECT_EQ(app.NoCheckList().size(), 3u);
}

}  // namespace
}  // namespace vex
