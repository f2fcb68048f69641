// What the link walk hands to the prefetcher: the web links of a page that
// its rules will probe, the anchor pages they name, and the pages of the run
// still to come, so that their links are asked for while earlier pages are
// walked.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/html/html_document.h"
#include "platform/system/file_system.h"
#include "probe/probe_prefetch.h"

namespace vex {

struct App;

// Pages of a batch or wildcard read ahead of the one being walked: up to
// kFirstLookAheadPages per page walked so far, at most kLookAheadPages.
inline constexpr int kLookAheadPages = 64;
inline constexpr int kFirstLookAheadPages = 16;

// Queues the probe of every link of the collection that the walk will
// request (web links not excluded by the two lists); a link with a fragment
// asks for its page too.
void QueueLinkProbes(App& app, const html::Collection& links, FetchPriority priority);

// Reads the targets after `current` (indices into TargetList, as the batch
// loop counts them) ahead: web pages are fetched, local pages read, and the
// links of each are queued.
void LookAhead(App& app, int current);

// Before a target of the run is loaded: when its page is on its way (read
// ahead), waits for it, so that the load takes that copy instead of asking
// the server again.
void AwaitTargetAhead(App& app, const std::string& target);

// A prefetcher for the time of a run (or of a walk outside a run), when more
// than one request may be in flight; the previous one, if any, is kept. The
// folders that local links are looked up in are read once meanwhile.
class PrefetchScope {
 public:
  explicit PrefetchScope(App& app);
  ~PrefetchScope();
  PrefetchScope(const PrefetchScope&) = delete;
  PrefetchScope& operator=(const PrefetchScope&) = delete;

 private:
  App& app_;
  bool owner_ = false;
  std::optional<FolderListingCache> listings_;
};

}  // namespace vex
