#include "support/probe_site.h"

#include <cstdlib>

#include "platform/text/encoding.h"

namespace vex::testing {

namespace {

// Names by name and by id, one name twice, one on a META element, one
// written with UTF-8 (linked %-escaped) and one of exactly 255 bytes.
std::string AnchorPage() {
  return "<html><head><title>anchors</title><meta name=\"metaname\" content=\"x\"></head><body>"
         "<a name=\"byname\">by name</a>"
         "<div id=\"byid\">by id</div>"
         "<a name=\"twice\">one</a><p id=\"twice\">two</p>"
         "<h2 id=\"\xE6\x97\xA5\xE6\x9C\xAC\">escaped</h2>"
         "<p id=\"" +
         std::string(kLongAnchorBytes, 'n') +
         "\">long</p>"
         "<p>text</p></body></html>";
}

void Html(httplib::Response& res, const std::string& body, const std::string& type = "text/html") {
  res.set_content(body, type);
}

void AddRoutes(httplib::Server& s, ShiftableClock& clock) {
  s.Get("/fast", [](const httplib::Request&, httplib::Response& res) { Html(res, "<p>ok</p>"); });
  s.Get("/slow", [&clock](const httplib::Request&, httplib::Response& res) {
    clock.Advance(kSlowReplyMs);
    Html(res, "<p>slow</p>");
  });
  s.Get("/late", [&clock](const httplib::Request&, httplib::Response& res) {
    clock.Advance(kLateReplyMs);
    Html(res, "<p>late</p>");
  });
  s.Get("/late-missing", [&clock](const httplib::Request&, httplib::Response& res) {
    clock.Advance(kLateReplyMs);
    res.status = 404;
  });
  for (int status : {401, 403, 404, 500}) {
    s.Get("/status/" + std::to_string(status),
          [status](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            Html(res, "<p>status</p>");
          });
  }
  s.Get("/folder",
        [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/folder/", 301); });
  s.Get("/folder/", [](const httplib::Request&, httplib::Response& res) { Html(res, "index"); });
  s.Get("/CasePage", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/casepage", 301);
  });
  s.Get("/casepage", [](const httplib::Request&, httplib::Response& res) { Html(res, "case"); });

  // Jump and moved-page pages.
  s.Get("/refresh-head", [](const httplib::Request&, httplib::Response& res) {
    Html(res,
         "<html><head><meta http-equiv=\"Refresh\" content=\"0;url=/fast\"></head>"
         "<body>gone</body></html>");
  });
  s.Get("/refresh-body", [](const httplib::Request&, httplib::Response& res) {
    Html(res,
         "<html><head><title>t</title></head><body>"
         "<p>http-equiv refresh</p></body></html>");
  });
  s.Get("/moved-utf8", [](const httplib::Request&, httplib::Response& res) {
    // Longer than what is read, and cut inside a character: the phrase near
    // the beginning must still be seen.
    std::string body =
        "<html><head></head><body>x\xE7\xA7\xBB\xE8\xBB\xA2"
        "\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F";
    for (int i = 0; i < 600; ++i) body += "\xE3\x81\x82";
    Html(res, body, "text/html; charset=UTF-8");
  });
  s.Get("/moved-sjis", [](const httplib::Request&, httplib::Response& res) {
    Html(res, Encoded("<html><body>移転しました</body></html>", "CP932"),
         "text/html; charset=Shift_JIS");
  });
  s.Get("/moved-euc", [](const httplib::Request&, httplib::Response& res) {
    Html(res,
         Encoded("<html><head><meta http-equiv=\"Content-Type\" "
                 "content=\"text/html; charset=EUC-JP\"></head><body>移転しました</body></html>",
                 "EUC-JP"));
  });
  s.Get("/plain-sjis", [](const httplib::Request&, httplib::Response& res) {
    Html(res, Encoded("<html><body>ようこそ</body></html>", "CP932"),
         "text/html; charset=Shift_JIS");
  });
  s.Get("/not-found-text", [](const httplib::Request&, httplib::Response& res) {
    Html(res, "<html><body>The page was nOT fOUnd here</body></html>");
  });
  s.Get("/long",
        [](const httplib::Request&, httplib::Response& res) { Html(res, std::string(5000, 'a')); });

  // Anchors.
  s.Get("/anchors",
        [](const httplib::Request&, httplib::Response& res) { Html(res, AnchorPage()); });
  s.Get("/anchors2",
        [](const httplib::Request&, httplib::Response& res) { Html(res, AnchorPage()); });
  s.Get("/slow-anchors", [&clock](const httplib::Request&, httplib::Response& res) {
    clock.Advance(kSlowReplyMs);
    Html(res, AnchorPage());
  });
}

}  // namespace

ShiftableClock& SiteClock() {
  static ShiftableClock clock;
  return clock;
}

LoopbackServer& ProbeSite() {
  ShiftableClock& clock = SiteClock();  // outlives the server
  static LoopbackServer server;
  static const bool started = [&] {
    KeepRequestsOnLoopback();
    AddRoutes(server.server(), clock);
    server.Start();
    return true;
  }();
  (void)started;
  return server;
}

std::string SiteUrl(const std::string& path) {
  return ProbeSite().Url(path);
}

ProbeContext::ProbeContext()
    : ui(SiteClock()), client(http::MakeCurlClient(SiteClock())), app(ui, SiteClock(), *client) {
  ProbeSite();
}

std::string Encoded(const std::string& utf8, const std::string& charset) {
  std::string out;
  if (!ConvertCharset(utf8, "UTF-8", charset, out, OnInvalid::Fail)) return {};
  return out;
}

}  // namespace vex::testing
