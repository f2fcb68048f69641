// https links in the walk: marked as not verifiable by default, probed like
// http links when asked for, against a loopback server whose certificate the
// client trusts through SSL_CERT_FILE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "context/app.h"
#include "context/texts.h"
#include "links/exclusion_lists.h"
#include "links/link_walk.h"
#include "platform/html/html_document.h"
#include "platform/http/http_client.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "settings/settings_file.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/scripted_front_end.h"
#include "support/shiftable_clock.h"
#include "support/temp_dir.h"
#include "support/tls_loopback_server.h"

namespace vex {
namespace {

using testing::TlsLoopbackServer;

void Html(httplib::Response& res, const std::string& body) {
  res.set_content(body, "text/html");
}

// The trusted site, and one whose certificate nobody trusts; both live as
// long as the program.
TlsLoopbackServer& Trusted() {
  static TlsLoopbackServer* site = [] {
    testing::KeepRequestsOnLoopback();
    auto* s = new TlsLoopbackServer;
    httplib::Server& h = s->server();
    h.Get("/good", [](const httplib::Request&, httplib::Response& res) { Html(res, "<p>ok</p>"); });
    h.Get("/gone", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    h.Get("/moved",
          [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/good", 301); });
    h.Get("/anchors", [](const httplib::Request&, httplib::Response& res) {
      Html(res, "<html><body><p id=\"here\">here</p></body></html>");
    });
    s->Start();
    return s;
  }();
  return *site;
}

TlsLoopbackServer& Untrusted() {
  static TlsLoopbackServer* site = [] {
    auto* s = new TlsLoopbackServer;
    s->server().Get(
        "/good", [](const httplib::Request&, httplib::Response& res) { Html(res, "<p>ok</p>"); });
    s->Start();
    return s;
  }();
  return *site;
}

struct HttpsCase {
  const char* name;
  bool probed;
  int parallel;
};

class HttpsWalkTest : public ::testing::TestWithParam<HttpsCase> {};

TEST_P(HttpsWalkTest, MarksAndRequests) {
  const HttpsCase& c = GetParam();
  testing::TempDir home;
  ASSERT_TRUE(Trusted().WriteCertificate(home / "trusted.pem"));
  const testing::ScopedEnv certs("SSL_CERT_FILE", (home / "trusted.pem").c_str());
  const testing::ScopedEnv work("VEXALORN_HOME", home.path().c_str());

  testing::ShiftableClock clock;
  testing::ScriptedFrontEnd ui{clock};
  std::unique_ptr<http::Client> client = http::MakeCurlClient(clock);
  App app{ui, clock, *client};
  WriteDefaultSettings(app.SettingsImage());
  BuildCannotCheckList(app);
  app.state.NoHeaderBlock = 1;
  app.state.CharMode = 1;
  app.main.Button7.caption = std::string(texts::JumpModeCaptions[0][1]);
  app.state.HttpsProbes = c.probed;
  app.state.ParallelProbes = c.parallel;

  const std::vector<std::string> links = {
      Trusted().Url("/good"),         Trusted().Url("/gone"),         Trusted().Url("/moved"),
      Trusted().Url("/anchors#here"), Trusted().Url("/anchors#none"), Untrusted().Url("/good")};
  std::string body;
  for (const std::string& l : links) body += "<a href=\"" + l + "\">x</a>\r\n";
  app.state.WorkLines =
      SplitLines("<html><head><title>T</title></head>\r\n<body>" + body + "</body></html>");
  const int trustedBefore = Trusted().Requests();
  const int untrustedBefore = Untrusted().Requests();

  std::string path = "target";
  ASSERT_EQ(WalkLinks(app, path), 0);
  EXPECT_TRUE(ui.messages.empty());

  std::string saved;
  ASSERT_TRUE(ReadFileBytes(path, saved));
  const auto doc = html::Document::Parse(std::string_view(saved).substr(3), "file://" + path);
  const html::Collection found = doc->links();
  ASSERT_EQ(found.length(), links.size());
  const std::vector<std::string> expected =
      c.probed ? std::vector<std::string>{"(OK)", "(NG)", "R-(OK)",
                                          "#OK#", "#NG#", "(XOpenUrl Error:12045X)"}
               : std::vector<std::string>(links.size(), "(Auth)");
  for (std::size_t i = 0; i < links.size(); ++i) {
    html::Node* u = found.item(i).node()->firstChild;
    ASSERT_TRUE(u && u->IsHtml("u")) << links[i];
    EXPECT_EQ(html::Element(doc, u).text(), expected[i]) << links[i];
  }

  if (c.probed) {
    EXPECT_EQ(doc->title(), "((VEXALORN:S-Page: 6links X:2 R:1 )) T");
    EXPECT_GT(Trusted().Requests(), trustedBefore);
    EXPECT_EQ(app.state.UnprobedSecureLinks, 0);
  } else {
    // Not one request: the default leaves https alone.
    EXPECT_EQ(doc->title(), "((VEXALORN:S-Page: 6links good! )) T");
    EXPECT_EQ(Trusted().Requests(), trustedBefore);
    EXPECT_EQ(Untrusted().Requests(), untrustedBefore);
    EXPECT_EQ(app.state.UnprobedSecureLinks, 6);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpsWalkTest,
                         ::testing::Values(HttpsCase{"default_one_at_a_time", false, 1},
                                           HttpsCase{"default_in_parallel", false, 16},
                                           HttpsCase{"probed_one_at_a_time", true, 1},
                                           HttpsCase{"probed_in_parallel", true, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vex
