#include "probe/link_probe.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "context/app.h"
#include "platform/http/http_client.h"
#include "platform/text/text.h"
#include "support/loopback_server.h"
#include "support/probe_site.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using testing::Encoded;
using testing::ProbeContext;
using testing::SiteUrl;

LinkFlags FlagsOf(std::initializer_list<LinkFlag> set) {
  LinkFlags f{};
  for (LinkFlag flag : set) f[flag] = 1;
  return f;
}

std::string RowName(std::string name) {
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// --- ElapsedMs ----------------------------------------------------------------

struct ElapsedCase {
  const char* name;
  std::int64_t later;
  std::int64_t earlier;
  std::int32_t expected;
};

class ElapsedMsTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedMsTest, Difference) {
  EXPECT_EQ(ElapsedMs(GetParam().later, GetParam().earlier), GetParam().expected);
}

constexpr std::int64_t kMidnight = 1'700'006'400'000;  // any day boundary
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Readings, ElapsedMsTest,
    ::testing::Values(ElapsedCase{"forward", 1'700'000'003'200, 1'700'000'000'000, 3200},
                      ElapsedCase{"across_midnight", kMidnight + 500, kMidnight - 700, 1200},
                      ElapsedCase{"backward", 1000, 4000, -3000},
                      ElapsedCase{"largest_that_fits", kMax32, 0, kMax32},
                      ElapsedCase{"one_past_int32", std::int64_t{kMax32} + 1, 0, kMax32},
                      ElapsedCase{"far_backward", 0, std::int64_t{kMax32} * 4, kMax32},
                      ElapsedCase{"extreme_readings", std::numeric_limits<std::int64_t>::max(),
                                  std::numeric_limits<std::int64_t>::min(), kMax32}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the request --------------------------------------------------------------

TEST(ProbeRequestTest, BodyAndFreshCopyOnlyForLinkPages) {
  for (int jumpMode : {0, 1, 2}) {
    const http::Request q = ProbeRequest("http://h/x", jumpMode);
    EXPECT_EQ(q.url, "http://h/x");
    EXPECT_EQ(q.connectTimeoutMs, 5000);
    EXPECT_EQ(q.connectRetries, 3);
    EXPECT_EQ(q.connectBackoffMs, 500);
    EXPECT_GT(q.totalTimeoutMs, 15000);
    EXPECT_LE(q.totalTimeoutMs, 16000);
    EXPECT_EQ(q.noCache, jumpMode == 1);
    EXPECT_EQ(q.maxBodyBytes, jumpMode == 1 ? 999u : 0u);
  }
}

// --- reading a finished transfer ---------------------------------------------

constexpr const char* kAddress = "http://h.example/page.htm";
constexpr const char* kHeaders200 = "HTTP/1.1 200 OK\r\nContent-Type: text/html";

http::Response Answered(int status, std::int64_t ms, std::string headers = {},
                        std::string reached = kAddress) {
  http::Response r;
  r.status = status;
  r.headers = headers.empty() ? "HTTP/1.1 " + std::to_string(status) + " X" : std::move(headers);
  r.effectiveUrl = std::move(reached);
  r.startedAtMs = 1'700'000'000'000;
  r.headersAtMs = r.startedAtMs + ms;
  r.finishedAtMs = r.headersAtMs + 5;
  return r;
}

http::Response Failed(int error, std::int64_t ms) {
  http::Response r;
  r.error = error;
  r.effectiveUrl = kAddress;
  r.startedAtMs = 1'700'000'000'000;
  r.finishedAtMs = r.startedAtMs + ms;
  return r;
}

struct AnswerCase {
  const char* name;
  http::Response response;
  int charMode;
  WebVerdict verdict;
  bool redirected;
  const char* failureMark;  // for OpenFailed
};

class ReadWebAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ReadWebAnswerTest, Verdict) {
  const AnswerCase& c = GetParam();
  const WebAnswer a = ReadWebAnswer(c.response, kAddress, 0, c.charMode);
  EXPECT_EQ(a.verdict, c.verdict);
  EXPECT_EQ(a.redirected, c.redirected);
  EXPECT_EQ(a.answered, c.response.error == http::kOk);
  if (c.verdict == WebVerdict::OpenFailed) {
    EXPECT_EQ(a.failureMark, c.failureMark);
  }
}

const std::string kLongHeader = std::string(kHeaders200) + "\r\nX-Pad: " + std::string(300, 'p');
const std::string kLongReached = std::string(kAddress) + "?" + std::string(300, 'q');

INSTANTIATE_TEST_SUITE_P(
    Responses, ReadWebAnswerTest,
    ::testing::Values(
        AnswerCase{"fast", Answered(200, 120, kHeaders200), 0, WebVerdict::Good, false, ""},
        AnswerCase{"just_under_slow", Answered(200, 2999), 0, WebVerdict::Good, false, ""},
        AnswerCase{"slow_from_3000", Answered(200, 3000), 0, WebVerdict::Slow, false, ""},
        AnswerCase{"slow_up_to_15000", Answered(200, 15000), 0, WebVerdict::Slow, false, ""},
        AnswerCase{"late_15001", Answered(200, 15001), 0, WebVerdict::TimedOut, false, ""},
        AnswerCase{"late_whatever_status", Answered(404, 15001), 0, WebVerdict::TimedOut, false,
                   ""},
        AnswerCase{"status_401", Answered(401, 10), 0, WebVerdict::Auth, false, ""},
        AnswerCase{"status_403", Answered(403, 10), 0, WebVerdict::Broken, false, ""},
        AnswerCase{"status_500", Answered(500, 10), 0, WebVerdict::Broken, false, ""},
        AnswerCase{"ok_with_not_found_text",
                   Answered(200, 10, "HTTP/1.1 200 OK\r\nX: 404 Not Found"), 0, WebVerdict::Broken,
                   false, ""},
        AnswerCase{"ok_with_authorization_text",
                   Answered(200, 10, "HTTP/1.1 200 OK\r\nX: 401 Authorization Required"), 0,
                   WebVerdict::Auth, false, ""},
        AnswerCase{"redirected", Answered(200, 10, kHeaders200, "http://h.example/other.htm"), 0,
                   WebVerdict::Good, true, ""},
        AnswerCase{"reached_in_other_case",
                   Answered(200, 10, kHeaders200, "HTTP://H.EXAMPLE/PAGE.HTM"), 0, WebVerdict::Good,
                   false, ""},
        AnswerCase{"long_header_block", Answered(200, 10, kLongHeader), 0, WebVerdict::Good, false,
                   ""},
        AnswerCase{"long_reached_address", Answered(200, 10, kHeaders200, kLongReached), 0,
                   WebVerdict::Good, true, ""},
        AnswerCase{"unresolved_host", Failed(http::kNameNotResolved, 30), 0, WebVerdict::OpenFailed,
                   false, "×"},
        AnswerCase{"unresolved_host_en", Failed(http::kNameNotResolved, 30), 1,
                   WebVerdict::OpenFailed, false, "(NG)"},
        AnswerCase{"connect_timed_out", Failed(http::kTimeout, 5000), 0, WebVerdict::OpenFailed,
                   false, "×"},
        AnswerCase{"never_answered", Failed(http::kTimeout, 15500), 0, WebVerdict::TimedOut, false,
                   ""},
        AnswerCase{"refused", Failed(http::kCannotConnect, 3), 0, WebVerdict::OpenFailed, false,
                   "(XOpenUrl Error:12029X)"},
        AnswerCase{"bad_address", Failed(http::kUnrecognizedScheme, 0), 1, WebVerdict::OpenFailed,
                   false, "(XOpenUrl Error:12006X)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadWebAnswerTest, StatusTextCarriesStatusHeadersAndReachedAddress) {
  WebAnswer a = ReadWebAnswer(Answered(200, 42, kHeaders200), kAddress, 0, 0);
  EXPECT_EQ(a.statusText, std::string("<><200><>:") + kHeaders200 + ":" + kAddress);
  EXPECT_EQ(a.LogLine(), "(42ms)" + a.statusText);

  a = ReadWebAnswer(Answered(404, 7, "HTTP/1.1 404 Not Found"), kAddress, 0, 0);
  EXPECT_EQ(a.statusText, "<><404><>:HTTP/1.1 404 Not Found");

  // What does not fit the client's query buffer is left out.
  a = ReadWebAnswer(Answered(200, 1, kLongHeader), kAddress, 0, 0);
  EXPECT_EQ(a.statusText, std::string("<><200><>::") + kAddress);
  a = ReadWebAnswer(Answered(200, 1, kHeaders200, kLongReached), kAddress, 0, 0);
  EXPECT_EQ(a.statusText, std::string("<><200><>:") + kHeaders200);

  a = ReadWebAnswer(Failed(http::kCannotConnect, 9), kAddress, 0, 0);
  EXPECT_EQ(a.LogLine(), "(9ms)OpenUrl Error:12029");
  a = ReadWebAnswer(Failed(http::kNameNotResolved, 9), kAddress, 0, 1);
  EXPECT_EQ(a.LogLine(), "(9ms)(NG)");
}

TEST(ReadWebAnswerTest, AddressWithoutPathIsItsRootPage) {
  const WebAnswer a =
      ReadWebAnswer(Answered(200, 1, kHeaders200, "http://h.example/"), "http://h.example", 0, 0);
  EXPECT_FALSE(a.redirected);
}

TEST(ReadWebAnswerTest, PageTextOnlyForLinkPagesAnsweringOk) {
  http::Response r = Answered(200, 1, kHeaders200);
  r.body = "<html>moved</html>";
  EXPECT_EQ(ReadWebAnswer(r, kAddress, 1, 0).pageText, "<HTML>MOVED</HTML>");
  EXPECT_EQ(ReadWebAnswer(r, kAddress, 0, 0).pageText, "");
  EXPECT_EQ(ReadWebAnswer(r, kAddress, 2, 0).pageText, "");
  r.status = 404;
  r.headers = "HTTP/1.1 404 Not Found";
  EXPECT_EQ(ReadWebAnswer(r, kAddress, 1, 0).pageText, "");
}

// --- character set and page text -----------------------------------------------

struct CharsetCase {
  const char* name;
  const char* headers;
  const char* body;
  const char* expected;
};

class CharsetOfReplyTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetOfReplyTest, Named) {
  EXPECT_EQ(CharsetOfReply(GetParam().headers, GetParam().body), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CharsetOfReplyTest,
    ::testing::Values(
        CharsetCase{"header", "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=EUC-JP", "",
                    "EUC-JP"},
        CharsetCase{"header_quoted",
                    "HTTP/1.1 200 OK\r\ncontent-type: text/html; charset=\"Shift_JIS\"", "",
                    "Shift_JIS"},
        CharsetCase{"header_blanks", "HTTP/1.1 200 OK\r\nContent-Type: text/html ; charset = utf-8",
                    "", "utf-8"},
        CharsetCase{
            "header_beyond_256_bytes",
            "HTTP/1.1 200 OK\r\nServer: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n"
            "Content-Type: text/html; charset=EUC-JP",
            "", "EUC-JP"},
        CharsetCase{"meta_charset", "HTTP/1.1 200 OK\r\nContent-Type: text/html",
                    "<html><head><meta charset=\"euc-jp\">", "EUC-JP"},
        CharsetCase{"meta_http_equiv", "HTTP/1.1 200 OK",
                    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\">",
                    "SHIFT_JIS"},
        CharsetCase{"header_before_meta",
                    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8",
                    "<meta charset=\"euc-jp\">", "UTF-8"},
        CharsetCase{"charset_word_outside_meta", "HTTP/1.1 200 OK", "<p>charset=euc-jp</p>", ""},
        CharsetCase{"other_header_naming_a_set", "HTTP/1.1 200 OK\r\nX-Note: charset=EUC-JP", "",
                    ""},
        CharsetCase{"none", "HTTP/1.1 200 OK\r\nContent-Type: text/html", "<html>", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkPageTextOfTest, JapanesePagesBecomeUtf8UpperCased) {
  const std::string phrase = "移転しました";
  const std::string expected = "<P>" + phrase + "</P>";
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=EUC-JP",
                           Encoded("<p>" + phrase + "</p>", "EUC-JP")),
            expected);
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=x-euc-jp",
                           Encoded("<p>" + phrase + "</p>", "EUC-JP")),
            expected);
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=Shift_JIS",
                           Encoded("<p>" + phrase + "</p>", "CP932")),
            expected);
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=ISO-2022-JP",
                           Encoded("<p>" + phrase + "</p>", "ISO-2022-JP")),
            expected);
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=utf-8", "<p>" + phrase + "</p>"),
            expected);
}

TEST(LinkPageTextOfTest, BadBytesCostOneCharacterNotTheText) {
  // "移" is three bytes; the read ended after two of them.
  const std::string cut = "<p>\xE9\x96\x89\xE9\x8E\x96 \xE7\xA7";
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=UTF-8", cut),
            "<P>\xE9\x96\x89\xE9\x8E\x96 \xEF\xBF\xBD");
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html; charset=UTF-8",
                           "ab\xE7"
                           "cd"),
            "AB\xEF\xBF\xBD"
            "CD");
}

TEST(LinkPageTextOfTest, UndeclaredPagesAreReadAsTheirBytesTell) {
  const std::string phrase = "移転しました";
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html", Encoded("<p>" + phrase + "</p>", "CP932")),
            "<P>" + phrase + "</P>");
  EXPECT_EQ(
      LinkPageTextOf("Content-Type: text/html", Encoded("<p>" + phrase + "</p>", "ISO-2022-JP")),
      "<P>" + phrase + "</P>");
  EXPECT_EQ(LinkPageTextOf("Content-Type: text/html", ""), "");
}

// --- probing links on the loopback site -------------------------------------------

struct LinkCase {
  const char* name;
  std::string link;  // a path of the site, or a whole address
  int jumpMode;
  int charMode;
  std::string expected;
  LinkFlags flags;
};

class ProbeWebLinkTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ProbeWebLinkTest, Mark) {
  const LinkCase& c = GetParam();
  ProbeContext ctx;
  ctx.app.state.JumpMode = c.jumpMode;
  ctx.app.state.CharMode = c.charMode;
  const std::string link = c.link.rfind("/", 0) == 0 ? SiteUrl(c.link) : c.link;
  EXPECT_EQ(ProbeLink(ctx.app, link), c.expected);
  EXPECT_EQ(ctx.app.state.Flags, c.flags);
}

const std::vector<LinkCase> kWebCases = {
    {"fast", "/fast", 0, 0, "◎", {}},
    {"fast_en", "/fast", 2, 1, "(OK)", {}},
    {"slow", "/slow", 0, 0, "○", {}},
    {"slow_en", "/slow", 0, 1, "(ok)", {}},
    {"slow_link_page", "/slow", 1, 0, "○", {}},
    {"late", "/late", 0, 0, "？", FlagsOf({FlagTimedOut})},
    {"late_en", "/late", 1, 1,
     "(?"
     "?)",
     FlagsOf({FlagTimedOut})},
    {"late_whatever_status", "/late-missing", 0, 0, "？", FlagsOf({FlagTimedOut})},
    {"status_401", "/status/401", 0, 0, "(認)△", FlagsOf({FlagAuth})},
    {"status_401_en", "/status/401", 1, 1, "(Auth)", FlagsOf({FlagAuth})},
    {"status_403", "/status/403", 0, 0, "×", FlagsOf({FlagBroken})},
    {"status_404", "/status/404", 1, 0, "×", FlagsOf({FlagBroken})},
    {"status_500", "/status/500", 0, 1, "(NG)", FlagsOf({FlagBroken})},
    {"folder_without_slash", "/folder", 0, 0, "R-◎", FlagsOf({FlagRedirected})},
    {"folder_without_slash_en", "/folder", 1, 1, "R-(OK)", FlagsOf({FlagRedirected})},
    {"redirect_only_in_letter_case", "/CasePage", 0, 0, "◎", {}},
    {"refresh_in_head", "/refresh-head", 1, 0, "(J)◎", FlagsOf({FlagJump})},
    {"refresh_in_head_en", "/refresh-head", 1, 1, "(J)(OK)", FlagsOf({FlagJump})},
    {"refresh_in_head_search_page", "/refresh-head", 0, 0, "◎", {}},
    {"refresh_in_head_home_page", "/refresh-head", 2, 0, "◎", {}},
    {"refresh_words_after_head", "/refresh-body", 1, 0, "◎", {}},
    {"moved_utf8_cut_inside_a_character", "/moved-utf8", 1, 0, "(J?)◎", FlagsOf({FlagJump})},
    {"moved_utf8_search_page", "/moved-utf8", 0, 0, "◎", {}},
    {"moved_shift_jis_header_only", "/moved-sjis", 1, 0, "(J?)◎", FlagsOf({FlagJump})},
    {"moved_euc_jp_meta_only", "/moved-euc", 1, 1, "(J?)(OK)", FlagsOf({FlagJump})},
    {"plain_shift_jis", "/plain-sjis", 1, 0, "◎", {}},
    {"not_found_in_any_case", "/not-found-text", 1, 0, "(J?)◎", FlagsOf({FlagJump})},
    {"anchor_by_name", "/anchors#byname", 0, 0, "#◎", {}},
    {"anchor_by_name_en", "/anchors#byname", 0, 1, "#OK#", {}},
    {"anchor_by_id", "/anchors#byid", 2, 0, "#◎", {}},
    {"anchor_twice", "/anchors#twice", 0, 0, "#x○", FlagsOf({FlagAnchor})},
    {"anchor_twice_en", "/anchors#twice", 0, 1, "#xok#", FlagsOf({FlagAnchor})},
    {"anchor_on_meta", "/anchors#metaname", 0, 0, "#x○", FlagsOf({FlagAnchor})},
    {"anchor_missing", "/anchors#nothing", 0, 0, "#×", {}},
    {"anchor_missing_en", "/anchors#nothing", 0, 1, "#NG#", {}},
    {"anchor_top", "/anchors#top", 0, 0, "#x○", FlagsOf({FlagAnchor})},
    {"anchor_top_upper", "/anchors#TOP", 0, 1, "#xok#", FlagsOf({FlagAnchor})},
    {"anchor_escaped", "/anchors#%E6%97%A5%E6%9C%AC", 0, 0, "#◎", {}},
    {"anchor_with_second_hash", "/anchors#byname#x", 0, 0, "#×", {}},
    {"anchor_after_jump_note", "/refresh-head#x", 1, 0, "(J)#×", FlagsOf({FlagJump})},
    {"slow_anchor_found", "/slow-anchors#byname", 0, 0, "#○", {}},
    {"slow_anchor_found_en", "/slow-anchors#byid", 0, 1, "#ok#", {}},
    {"slow_anchor_missing", "/slow-anchors#nothing", 0, 0, "#×", {}},
    {"slow_anchor_doubtful", "/slow-anchors#twice", 0, 0, "#x○", FlagsOf({FlagAnchor})},
    {"empty_anchor", "/fast#", 0, 0, "#△", {}},
    {"empty_anchor_en", "/fast#", 0, 1, "#--#", {}},
    {"unresolvable_host", "http://nonexistent.invalid/", 0, 0, "×", FlagsOf({FlagBroken})},
    {"unresolvable_host_en", "http://nonexistent.invalid/", 1, 1, "(NG)", FlagsOf({FlagBroken})},
    // Only addresses with "HTTP://" in them are requested.
    {"https_given_directly", "https://127.0.0.1:9/fast", 0, 0, "×", FlagsOf({FlagBroken})},
};

INSTANTIATE_TEST_SUITE_P(Site, ProbeWebLinkTest, ::testing::ValuesIn(kWebCases),
                         [](const auto& info) { return RowName(info.param.name); });

TEST(ProbeLinkTest, EmptyAnchorsNeedNoRequest) {
  ProbeContext ctx;
  for (const std::string link : {"", "#", "page.htm#"}) {
    EXPECT_EQ(ProbeLink(ctx.app, link), "#△") << link;
  }
  EXPECT_EQ(ctx.app.state.Flags, LinkFlags{});
  EXPECT_TRUE(ctx.app.state.FrameUrls.empty());
}

TEST(ProbeLinkTest, LogLineAndProgressMarkers) {
  ProbeContext ctx;
  ctx.app.progress.Label2 = "3/9";
  const std::string url = SiteUrl("/fast");
  ASSERT_EQ(ProbeLink(ctx.app, url), "◎");
  ASSERT_EQ(ctx.app.state.FrameUrls.size(), 1u);
  const std::string& line = ctx.app.state.FrameUrls[0];
  EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\([0-9]+ms\)<><200><>:HTTP/1\.1 200 OK\r\n)")))
      << line;
  EXPECT_TRUE(line.ends_with(":" + url)) << line;
  EXPECT_EQ(ctx.app.progress.Label2, "hqo>3/9");
  EXPECT_FALSE(ctx.ui.refreshes.empty());
  EXPECT_GT(ctx.ui.eventsProcessed, 3);

  ctx.app.progress.Label2.clear();
  ASSERT_EQ(ProbeLink(ctx.app, "http://nonexistent.invalid/"), "×");
  ASSERT_EQ(ctx.app.state.FrameUrls.size(), 2u);
  EXPECT_TRUE(std::regex_match(ctx.app.state.FrameUrls[1], std::regex(R"(\([0-9]+ms\)×)")));
  EXPECT_EQ(ctx.app.progress.Label2, "o>");
}

TEST(ProbeLinkTest, RefusedPortGivesTheClientsCode) {
  int port = 0;
  {
    testing::LoopbackServer closed;
    port = closed.Start();
  }
  ProbeContext ctx;
  // Each round of events stands for a while, so the connect retries' pauses
  // pass without waiting for them.
  ctx.ui.onEvents = [] { testing::SiteClock().Advance(200); };
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/x";
  EXPECT_EQ(ProbeLink(ctx.app, url), "(XOpenUrl Error:12029X)");
  EXPECT_EQ(ctx.app.state.Flags, FlagsOf({FlagBroken}));
}

TEST(ProbeLinkTest, PageTextIsTheBeginningOfLinkPagesOnly) {
  ProbeContext ctx;
  RunState& st = ctx.app.state;
  st.JumpMode = 1;
  ASSERT_EQ(ProbeLink(ctx.app, SiteUrl("/long")), "◎");
  EXPECT_GT(st.LinkPageText.size(), 999u);
  EXPECT_LE(st.LinkPageText.size(), 1499u);
  EXPECT_EQ(st.LinkPageText, std::string(st.LinkPageText.size(), 'A'));

  ASSERT_EQ(ProbeLink(ctx.app, SiteUrl("/moved-sjis")), "(J?)◎");
  EXPECT_EQ(st.LinkPageText, "<HTML><BODY>移転しました</BODY></HTML>");

  // Other answers and other modes clear it.
  ASSERT_EQ(ProbeLink(ctx.app, SiteUrl("/status/404")), "×");
  EXPECT_EQ(st.LinkPageText, "");
  st.LinkPageText = "OLD";
  st.JumpMode = 0;
  ASSERT_EQ(ProbeLink(ctx.app, SiteUrl("/long")), "◎");
  EXPECT_EQ(st.LinkPageText, "");
}

TEST(ProbeLinkTest, TwoAnchorsOfOnePageLoadItOnce) {
  ProbeContext ctx;
  const testing::LoopbackServer& site = testing::ProbeSite();
  const int before = site.Hits("/anchors2");
  EXPECT_EQ(ProbeLink(ctx.app, SiteUrl("/anchors2#byname")), "#◎");
  EXPECT_EQ(ProbeLink(ctx.app, SiteUrl("/anchors2#nothing")), "#×");
  EXPECT_EQ(ctx.app.state.AnchorPageUrl, SiteUrl("/anchors2"));
  // Two probes and one load of the anchor browser.
  EXPECT_EQ(site.Hits("/anchors2") - before, 3);
}

TEST(ProbeLinkTest, AnchorOfTheCurrentPage) {
  ProbeContext ctx;
  RunState& st = ctx.app.state;
  st.CurrentTarget = SiteUrl("/anchors");
  EXPECT_EQ(ProbeLink(ctx.app, "#byid"), "#◎");
  EXPECT_EQ(ProbeLink(ctx.app, "#top"), "#x○");
  EXPECT_TRUE(st.FrameUrls.empty());

  st.JumpMode = 1;
  st.Flags = {};
  st.WorkLines = {"<html><head>", "<meta http-equiv=\"refresh\" content=\"5\">", "</head>"};
  EXPECT_EQ(ProbeLink(ctx.app, "#byname"), "(J)#◎");
  EXPECT_EQ(st.Flags, FlagsOf({FlagJump}));
  EXPECT_TRUE(st.LinkPageText.starts_with("<HTML><HEAD>\r\n<META HTTP-EQUIV"));
}

// --- local links --------------------------------------------------------------

class ProbeLocalLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = dir.Write("Site/page.html",
                     "<html><body><a name=\"here\">x</a><p>移転しました</p></body></html>");
    spaced = dir.Write("Site/two words.html", "<html><body>plain</body></html>");
    for (const char* name : {"日.html", "funky+path.html", "pct%41.html"}) {
      dir.Write(std::string("Site/") + name, "<html><body>plain</body></html>");
    }
    folder = (dir.path() / "Site").string();
  }
  std::string Probe(const std::string& link, int jumpMode = 0, int charMode = 0) {
    ctx.app.state.Flags = {};
    ctx.app.state.JumpMode = jumpMode;
    ctx.app.state.CharMode = charMode;
    return ProbeLink(ctx.app, link);
  }
  testing::TempDir dir;
  ProbeContext ctx;
  std::string page, spaced, folder;
};

TEST_F(ProbeLocalLinkTest, FilesAndFolders) {
  struct Row {
    const char* name;
    std::string link;
    int jumpMode;
    int charMode;
    std::string expected;
    LinkFlags flags;
  };
  const std::string fileUrl = "file://" + page;
  const std::string miscased = "file://" + folder + "/PAGE.html";
  const std::vector<Row> rows = {
      {"file", page, 0, 0, "◎", {}},
      {"file_with_fragment_unchecked", page + "#nothing", 1, 0, "◎", {}},
      {"folder", folder, 0, 1, "(OK)", {}},
      {"file_address", fileUrl, 0, 0, "◎", {}},
      {"file_address_en", fileUrl, 2, 1, "(OK)", {}},
      {"file_address_link_page", fileUrl, 1, 0, "(J?)◎", FlagsOf({FlagJump})},
      {"file_address_anchor", fileUrl + "#here", 0, 0, "#◎", {}},
      {"file_address_anchor_missing", fileUrl + "#gone", 0, 1, "#NG#", {}},
      {"escaped_blank", "file://" + folder + "/two%20words.html", 0, 0, "◎", {}},
      // Every escape is decoded as UTF-8 bytes before the file is looked up.
      {"escaped_utf8_name", "file://" + folder + "/%E6%97%A5.html", 0, 0, "◎", {}},
      {"escaped_plus", "file://" + folder + "/funky%2Bpath.html", 0, 0, "◎", {}},
      {"escaped_percent", "file://" + folder + "/pct%2541.html", 0, 0, "◎", {}},
      {"localhost", "file://localhost" + page, 0, 0, "◎", {}},
      {"other_host", "file://server" + page, 0, 0, "×", FlagsOf({FlagBroken})},
      // A text fragment is a directive: what stands before it is the anchor.
      {"text_fragment_alone", fileUrl + "#:~:text=plain", 0, 0, "◎", {}},
      {"anchor_before_text_fragment", fileUrl + "#here:~:text=x", 0, 0, "#◎", {}},
      {"missing_anchor_before_text_fragment", fileUrl + "#gone:~:text=x", 0, 1, "#NG#", {}},
      {"other_letter_case", miscased, 0, 0, "×a)", FlagsOf({FlagBroken})},
      {"other_letter_case_en", miscased, 0, 1, "(NG)a)", FlagsOf({FlagBroken})},
      {"missing_file_address", "file://" + folder + "/gone.html", 0, 0, "×", FlagsOf({FlagBroken})},
      {"missing_path", folder + "/gone.html", 0, 1, "(NG)", FlagsOf({FlagBroken})},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Probe(r.link, r.jumpMode, r.charMode), r.expected) << r.name;
    EXPECT_EQ(ctx.app.state.Flags, r.flags) << r.name;
  }
  EXPECT_TRUE(ctx.app.state.FrameUrls.empty());
}

TEST_F(ProbeLocalLinkTest, EscapedLinkLeavesTheTargetAlone) {
  ctx.app.state.CurrentTarget = "http://127.0.0.1/index.html";
  ASSERT_EQ(Probe("file://" + folder + "/two%20words.html"), "◎");
  EXPECT_EQ(ctx.app.state.CurrentTarget, "http://127.0.0.1/index.html");
}

}  // namespace
}  // namespace vex
