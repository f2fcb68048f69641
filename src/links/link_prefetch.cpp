#include "links/link_prefetch.h"

#include <algorithm>

#include "browser/html_source.h"
#include "context/app.h"
#include "context/browser.h"
#include "context/url_forms.h"
#include "links/link_walk.h"
#include "platform/html/html_decode.h"
#include "platform/html/url_resolve.h"
#include "platform/system/file_system.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

void QueueLinkProbes(App& app, const html::Collection& links, FetchPriority priority) {
  ProbePrefetcher* prefetch = app.Prefetch.get();
  if (!prefetch) return;
  try {
    for (std::size_t i = 0; i < links.length(); ++i) {
      const std::string address = links.item(i).href();
      if (LinkRuleOf(app, address, UpperAscii(address)) != LinkRule::Web) continue;
      const std::size_t hash = address.find('#');
      // A "#" alone at the end is judged without a request.
      if (hash == 0 || hash + 1 == address.size()) continue;
      if (hash == std::string::npos) {
        prefetch->QueueProbe(address, priority);
      } else {
        prefetch->QueueProbe(address.substr(0, hash), priority, true);
      }
    }
  } catch (const BrowserError&) {
    // A link that cannot be read is the walk's to report; requests made so
    // far stand.
  }
}

namespace {

// A local page is read once, as it comes into reach, and kept for the
// anchors into it.
void ReadLocalPageAhead(App& app, const std::string& path) {
  const std::string address = FileUrlFromPath(path);
  if (app.Prefetch->KnowsPage(address)) return;
  std::string bytes;
  if (!ReadFileHead(path, kMaxPageBytes, bytes)) return;
  // A page without a web link has nothing to ask for ahead.
  const std::string upper = UpperAscii(bytes);
  if (!Contains(upper, "HTTP://") && !(app.state.HttpsProbes && Contains(upper, "HTTPS://"))) {
    return;
  }
  const DecodedPage decoded = DecodePage(bytes, {});
  std::string().swap(bytes);
  std::shared_ptr<html::Document> page = html::Document::Parse(decoded.text, address);
  QueueLinkProbes(app, page->links(), FetchPriority::Ahead);
  app.Prefetch->KeepPage(address, std::move(page));
}

}  // namespace

void LookAhead(App& app, int current) {
  ProbePrefetcher* prefetch = app.Prefetch.get();
  if (!prefetch) return;
  const LineList& targets = app.state.TargetList;
  if (current <= 1) {
    // The run's web pages, so that a page fetched before its turn (for the
    // anchors into it) is kept for its own load too.
    for (std::size_t j = 1; j < targets.size(); ++j) {
      const std::string entry = Trim(targets[j]);
      if (IsProbedWebPage(app.state, UpperAscii(entry))) prefetch->ExpectLoad(entry);
    }
  }
  // The pages read ahead come in together and are parsed here, on the run's
  // own thread: a few at the start, so that their links go out at once, more
  // as the walk moves on.
  const int reach = std::min(kLookAheadPages, kFirstLookAheadPages * std::max(current, 1));
  const int last = std::min(static_cast<int>(targets.size()) - 1, current + reach);
  for (int j = std::max(current + 1, 1); j <= last; ++j) {
    const std::string entry = Trim(targets[static_cast<std::size_t>(j)]);
    if (entry.empty()) continue;
    const std::string upper = UpperAscii(entry);
    if (IsProbedWebPage(app.state, upper)) {
      prefetch->QueuePage(entry, FetchPriority::Ahead, true);
    } else if (entry.front() == '/' && IsHtmlFile(entry)) {
      ReadLocalPageAhead(app, entry);
    }
  }
}

void AwaitTargetAhead(App& app, const std::string& target) {
  if (app.Prefetch && app.Prefetch->KnowsPage(target)) (void)app.Prefetch->Page(target);
}

PrefetchScope::PrefetchScope(App& app) : app_(app) {
  const RunState& st = app.state;
  if (app.Prefetch || st.ParallelProbes <= 1) return;
  owner_ = true;
  listings_.emplace();
  app.http.SetLimits(st.ParallelProbes, st.ProbesPerHost);
  app.Prefetch = std::make_shared<ProbePrefetcher>(app, st.ParallelProbes, st.ProbesPerHost);
  app.Prefetch->onPageLinks = [&app](html::Document& page) {
    QueueLinkProbes(app, page.links(), FetchPriority::Ahead);
  };
  app.MoveTransfers = [&app] { app.Prefetch->Pump(); };
}

PrefetchScope::~PrefetchScope() {
  if (!owner_) return;
  app_.MoveTransfers = nullptr;
  if (app_.exitsAfterRun) {
    app_.Prefetch->Close();
    app_.keptToExit.push_back(std::move(app_.Prefetch));
    return;
  }
  app_.Prefetch.reset();
}

}  // namespace vex
