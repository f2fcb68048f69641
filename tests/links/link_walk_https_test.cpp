// https links in the walk: marked as not verifiable by default, probed like
// http links when asked for, against a loopback server whose certificate the
// client trusts through SSL_CERT_FILE.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "context/app.h"
#include "links/link_walk.h"
#include "platform/html/html_document.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/tls_loopback_server.h"
#include "support/walk_context.h"

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
  testing::WalkContext ctx;
  App& app = ctx.app;
  ASSERT_TRUE(Trusted().WriteCertificate(ctx.home / "trusted.pem"));
  const testing::ScopedEnv certs("SSL_CERT_FILE", (ctx.home / "trusted.pem").c_str());
  ctx.SetModes(1, 0);
  app.state.HttpsProbes = c.probed;
  app.state.ParallelProbes = c.parallel;

  const std::vector<std::string> links = {
      Trusted().Url("/good"),         Trusted().Url("/gone"),         Trusted().Url("/moved"),
      Trusted().Url("/anchors#here"), Trusted().Url("/anchors#none"), Untrusted().Url("/good")};
  std::string body;
  for (const std::string& l : links) body += "<a href=\"" + l + "\">x</a>\r\n";
  ctx.SetPage(body, "T");
  const int trustedBefore = Trusted().Requests();
  const int untrustedBefore = Untrusted().Requests();

  std::string path = "target";
  ASSERT_EQ(WalkLinks(app, path), 0);
  EXPECT_TRUE(ctx.ui.messages.empty());

  const std::shared_ptr<html::Document> doc = testing::ReadSaved(path).doc;
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
