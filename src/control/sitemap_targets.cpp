#include "control/sitemap_targets.h"

#include <expat.h>

#include <memory>
#include <unordered_set>

#include "context/app.h"
#include "context/browser.h"
#include "context/texts.h"
#include "control/check_run.h"
#include "platform/http/http_client.h"
#include "platform/text/text.h"
#include "probe/probe_prefetch.h"

namespace vex {

namespace {

// A sitemap index names at most this many sitemaps that are read.
constexpr std::size_t kMaxSitemaps = 1000;

// Element names come as "namespace local" (or "local" without a namespace).
std::string_view LocalName(const XML_Char* name) {
  std::string_view n(name);
  const std::size_t space = n.rfind(' ');
  return space == std::string_view::npos ? n : n.substr(space + 1);
}

struct ParseState {
  SitemapEntries result;
  std::vector<std::string> open;  // local names of the open elements
  bool inLoc = false;
  std::string loc;
};

void OnStart(void* user, const XML_Char* name, const XML_Char**) {
  auto* s = static_cast<ParseState*>(user);
  const std::string_view local = LocalName(name);
  if (s->open.empty()) {
    if (local == "urlset") s->result.kind = SitemapEntries::Kind::Pages;
    if (local == "sitemapindex") s->result.kind = SitemapEntries::Kind::Sitemaps;
  }
  const std::string_view item = s->result.kind == SitemapEntries::Kind::Pages ? "url" : "sitemap";
  if (s->result.kind != SitemapEntries::Kind::None && local == "loc" && s->open.size() == 2 &&
      s->open[1] == item) {
    s->inLoc = true;
    s->loc.clear();
  }
  s->open.emplace_back(local);
}

void OnEnd(void* user, const XML_Char*) {
  auto* s = static_cast<ParseState*>(user);
  if (s->inLoc && s->open.size() == 3) {
    s->inLoc = false;
    std::string address = Trim(s->loc);
    if (!address.empty()) s->result.addresses.push_back(std::move(address));
  }
  if (!s->open.empty()) s->open.pop_back();
}

void OnText(void* user, const XML_Char* text, int length) {
  auto* s = static_cast<ParseState*>(user);
  if (s->inLoc) s->loc.append(text, static_cast<std::size_t>(length));
}

http::Response Read(App& app, const std::string& address) {
  http::Request q;
  q.url = address;
  q.maxBodyBytes = kMaxPageBytes;
  q.totalTimeoutMs = kPageTransferLimitMs;
  return http::Fetch(app.http, q, [&app] { app.ProcessEvents(); });
}

}  // namespace

SitemapEntries ParseSitemap(std::string_view xml) {
  ParseState state;
  const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(
      XML_ParserCreateNS(nullptr, ' '), XML_ParserFree);
  if (!parser) return {};
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  const bool parsed =
      XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
  // A document that breaks off keeps what it listed before the fault, but
  // text that is no XML at all is no sitemap.
  if (!parsed && state.result.addresses.empty()) return {};
  return state.result;
}

bool MayNameSitemap(std::string_view address) {
  std::string path(address.substr(0, address.find_first_of("?#")));
  path = LowerAscii(path);
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return EndsWith(name, ".xml") || Contains(name, "sitemap");
}

SitemapTargets ListSitemapTargets(App& app, const std::string& address) {
  RunState& st = app.state;
  http::Response first = Read(app, address);
  const SitemapEntries top =
      first.error == http::kOk && first.status == 200 ? ParseSitemap(first.body) : SitemapEntries{};
  if (top.kind == SitemapEntries::Kind::None) {
    // Loaded from this answer, not asked for again (the run's prefetcher
    // keeps such copies and lets them go with the run).
    if (app.Prefetch && first.error == http::kOk)
      app.FetchedPages[address] = {std::move(first), {}};
    return SitemapTargets::NotSitemap;
  }

  std::vector<std::string> pages;
  if (top.kind == SitemapEntries::Kind::Pages) {
    pages = top.addresses;
  } else {
    std::size_t read = 0;
    for (const std::string& sitemap : top.addresses) {
      if (st.CancelFlag != 0 || ++read > kMaxSitemaps) break;
      const http::Response r = Read(app, sitemap);
      if (r.error != http::kOk || r.status != 200) continue;
      const SitemapEntries listed = ParseSitemap(r.body);
      if (listed.kind != SitemapEntries::Kind::Pages) continue;
      pages.insert(pages.end(), listed.addresses.begin(), listed.addresses.end());
    }
  }

  st.TargetList = {std::string(texts::BatchHeader)};
  std::unordered_set<std::string> seen;
  for (const std::string& page : pages) {
    if (!seen.insert(page).second) continue;
    st.TargetList.push_back(page);
    if (AskFileLimit(app, static_cast<int>(st.TargetList.size()) - 1) != 0) {
      return SitemapTargets::Stopped;
    }
  }
  return st.TargetList.size() > 1 ? SitemapTargets::Listed : SitemapTargets::Empty;
}

}  // namespace vex
