#include "control/site_crawl.h"

#include <utility>

#include "context/app.h"
#include "context/texts.h"
#include "control/check_run.h"
#include "platform/html/html_decode.h"
#include "platform/http/http_client.h"
#include "platform/text/text.h"
#include "probe/link_probe.h"
#include "probe/probe_prefetch.h"

namespace vex {

namespace {

// robots.txt is read up to this size (longer files are cut there).
constexpr std::size_t kRobotsBytes = 512 * 1024;
constexpr long kRobotsTimeoutMs = 15000;

struct WebParts {
  std::string scheme;     // lower case
  std::string authority;  // lower case, without a default port
  std::string rest;       // path and query, beginning with "/"
};

std::optional<WebParts> SplitWebAddress(std::string_view address) {
  const std::string trimmed = Trim(address);
  std::string_view a = trimmed;
  const std::size_t sep = a.find("://");
  if (sep == std::string_view::npos) return std::nullopt;
  WebParts p;
  p.scheme = LowerAscii(a.substr(0, sep));
  if (p.scheme != "http" && p.scheme != "https") return std::nullopt;
  a.remove_prefix(sep + 3);
  if (const std::size_t hash = a.find('#'); hash != std::string_view::npos) a = a.substr(0, hash);
  const std::size_t end = a.find_first_of("/?");
  p.authority = LowerAscii(a.substr(0, end));
  if (p.authority.empty()) return std::nullopt;
  const std::string_view defaultPort = p.scheme == "http" ? ":80" : ":443";
  if (EndsWith(p.authority, defaultPort))
    p.authority.resize(p.authority.size() - defaultPort.size());
  p.rest = end == std::string_view::npos ? std::string() : std::string(a.substr(end));
  if (p.rest.empty() || p.rest.front() == '?') p.rest = "/" + p.rest;
  return p;
}

bool IsHtmlType(std::string_view contentType) {
  const std::string type = LowerAscii(Trim(contentType.substr(0, contentType.find(';'))));
  return type == "text/html" || type == "application/xhtml+xml";
}

}  // namespace

std::optional<std::string> CrawlStartOf(std::string_view target) {
  const std::string t = Trim(target);
  if (!EndsWith(t, "/*")) return std::nullopt;
  const std::optional<WebParts> parts = SplitWebAddress(t);
  // The "*" must be the path's last segment: no query or fragment after it.
  if (!parts || !EndsWith(parts->rest, "/*") || Contains(parts->rest, "?")) return std::nullopt;
  if (Contains(t, "#")) return std::nullopt;
  return t.substr(0, t.size() - 1);
}

bool IsBelowPrefix(std::string_view prefix, std::string_view address) {
  const std::optional<WebParts> p = SplitWebAddress(prefix);
  const std::optional<WebParts> a = SplitWebAddress(address);
  return p && a && p->scheme == a->scheme && p->authority == a->authority &&
         StartsWith(a->rest, p->rest);
}

std::string CrawlKey(std::string_view address) {
  const std::optional<WebParts> p = SplitWebAddress(address);
  if (!p) return Trim(address);
  return p->scheme + "://" + p->authority + p->rest;
}

SiteCrawl::SiteCrawl(App& app, std::string start) : app_(app), start_(std::move(start)) {}

SiteCrawl::~SiteCrawl() {
  app_.state.KeepPageLinks = false;
  app_.state.PageLinks.clear();
  if (app_.Prefetch) app_.Prefetch->mayBeLoaded = nullptr;
}

void SiteCrawl::Begin() {
  RunState& st = app_.state;
  FetchRobots();
  st.TargetList = {std::string(texts::BatchHeader), start_};
  depths_ = {0, 0};
  seen_ = {CrawlKey(start_)};
  st.KeepPageLinks = true;
  st.PageLinks.clear();
  if (app_.Prefetch) {
    app_.Prefetch->mayBeLoaded = [start = start_](const std::string& address) {
      return IsBelowPrefix(start, address);
    };
  }
}

void SiteCrawl::FetchRobots() {
  const std::optional<WebParts> p = SplitWebAddress(start_);
  if (!p) return;
  http::Request q;
  q.url = p->scheme + "://" + p->authority + "/robots.txt";
  q.maxBodyBytes = kRobotsBytes;
  q.totalTimeoutMs = kRobotsTimeoutMs;
  const http::Response r = http::Fetch(app_.http, q, [this] { app_.ProcessEvents(); });
  // Without a readable robots.txt every page may be crawled.
  if (r.error == http::kOk && r.status == 200) robots_ = RobotsRules::Parse(r.body);
}

bool SiteCrawl::AnswersAsPage(const std::string& address, std::string& reached) {
  // The walk has just asked for every link of the page: the prefetcher
  // still holds the answer. Links probed one after another ask again.
  const http::Response r = app_.Prefetch ? app_.Prefetch->ProbeResponse(address)
                                         : http::Fetch(app_.http, ProbeRequest(address, 0),
                                                       [this] { app_.ProcessEvents(); });
  reached = r.effectiveUrl.empty() ? address : r.effectiveUrl;
  return r.error == http::kOk && r.status == 200 &&
         IsHtmlType(HeaderValue(r.headers, "Content-Type")) && IsBelowPrefix(start_, reached);
}

void SiteCrawl::AddFoundPages(int index) {
  RunState& st = app_.state;
  LineList found;
  found.swap(st.PageLinks);
  if (full_ || st.CancelFlag != 0 || index < 0) return;
  const int depth = static_cast<std::size_t>(index) < depths_.size() ? depths_[index] : 0;
  if (st.CrawlDepth > 0 && depth >= st.CrawlDepth) return;

  for (const std::string& link : found) {
    if (st.CancelFlag != 0) return;
    const std::string address = link.substr(0, link.find('#'));
    if (!IsBelowPrefix(start_, address)) continue;
    if (!seen_.insert(CrawlKey(address)).second) continue;
    const std::optional<WebParts> parts = SplitWebAddress(address);
    if (!parts || !robots_.Allows(parts->rest)) continue;
    std::string reached;
    if (!AnswersAsPage(address, reached)) continue;
    // A page reached by a redirect counts under both addresses.
    if (CrawlKey(reached) != CrawlKey(address) && !seen_.insert(CrawlKey(reached)).second) {
      continue;
    }
    st.TargetList.push_back(address);
    depths_.resize(st.TargetList.size(), depth + 1);
    if (app_.Prefetch) app_.Prefetch->ExpectLoad(address);
    if (AskFileLimit(app_, static_cast<int>(st.TargetList.size()) - 1) != 0) {
      full_ = true;
      return;
    }
  }
}

}  // namespace vex
