#include "probe/probe_prefetch.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <limits>
#include <utility>
#include <vector>

#include "context/app.h"
#include "context/browser.h"
#include "platform/html/html_decode.h"
#include "platform/text/text.h"
#include "probe/link_probe.h"

namespace vex {

namespace {

// Parsed pages kept for their anchors, counted by their nodes (some 100 to
// 200 bytes each); the oldest are let go beyond this and fetched (or read)
// again when asked for.
constexpr std::size_t kPageNodesKept = 500'000;
// Requests handed to the client beyond what a host may have at once: the
// client starts them by itself as earlier ones end, while the run is busy
// parsing and writing pages. It keeps the host's share (SetHostShare).
constexpr int kHandedAheadPerHost = 24;
// Pages read ahead are kept as fetched for their own load up to this many
// bytes in all.
constexpr std::size_t kFetchedPageBytes = 32u << 20;
// Pages fetched whose links are not read (yet) are kept unparsed up to this
// many bytes in all; they are parsed when asked for.
constexpr std::size_t kUnparsedPageBytes = 16u << 20;
// A probe is measured alone once for waiting behind other requests, and once
// more when a request outside the prefetcher (a page load) went beside that
// measurement too.
constexpr int kMaxRemeasures = 2;
// Answers of a host that come in under this keep its requests growing. A
// server that answers one request at a time makes each answer wait for the
// others in hand, so the host is held where its answers stay well below the
// slow band.
constexpr std::int64_t kCalmAnswerMs = kSlowAnswerMs / 2;
// After a slow answer a host gets one more request only after this many
// quick answers in a row: a host whose slow pages come between quick ones
// stays where no answer waits behind another.
constexpr int kCalmAnswersToGrow = 8;
// Pages read ahead parsed by one round of event processing: the round comes
// while something else is awaited (the page the run is loading), which is
// looked at again after each. Waiting for the walk's own answers parses all
// that are due (see ReadLinksAhead).
constexpr int kPumpPageParses = 1;
constexpr int kAllPageParses = std::numeric_limits<int>::max();

// The answer of a page request, as the probe of its address would have had
// it: a plain, quick 200 only, where the two requests (which differ in
// following redirects, in their time limits and in keeping the body) cannot
// be judged apart. The time counts to the end of the header block, as a
// probe's does. The page's body is set aside while the rest is copied.
std::optional<http::Response> ProbeAnswerFromPage(http::Response& page) {
  if (page.error != http::kOk || page.status != 200 || page.bodyCut) return std::nullopt;
  const std::int64_t doneMs = page.headersAtMs != 0 ? page.headersAtMs : page.finishedAtMs;
  if (doneMs - page.startedAtMs >= kCalmAnswerMs) return std::nullopt;
  std::string body;
  body.swap(page.body);
  http::Response r = page;
  body.swap(page.body);
  r.finishedAtMs = doneMs;
  return r;
}

// Whether a page's load would read the very page parsed for its links.
bool SameAnswer(const http::Response& copy, const http::Response& parsed) {
  return &copy == &parsed ||
         (copy.body == parsed.body && copy.effectiveUrl == parsed.effectiveUrl &&
          HeaderValue(copy.headers, "Content-Type") == HeaderValue(parsed.headers, "Content-Type"));
}

bool IsAdvised(int status) {
  return status == 429 || status == 503;
}

std::int64_t AnswerMs(const http::Response& r) {
  return (r.headersAtMs != 0 ? r.headersAtMs : r.finishedAtMs) - r.startedAtMs;
}

// A server that refuses, drops or ignores requests, or says it is overloaded.
bool SignOfOverload(const http::Response& r) {
  switch (r.error) {
    case http::kOk:
      return IsAdvised(r.status);
    case http::kTimeout:
    case http::kCannotConnect:
    case http::kConnectionAborted:
    case http::kConnectionReset:
      return true;
    default:
      return false;
  }
}

// Outcomes that a busy server or our own other requests can cause: a slow or
// late answer, a refused, cut or timed-out connection, a reply that says the
// server is overloaded.
bool LoadCanCause(const http::Response& r) {
  return SignOfOverload(r) || (r.error == http::kOk && AnswerMs(r) >= kSlowAnswerMs);
}

// "Wed, 21 Oct 2015 07:28:00 GMT" as ms since the epoch.
std::optional<std::int64_t> HttpDateMs(const std::string& text) {
  std::tm tm{};
  const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S", &tm);
  if (end == nullptr) return std::nullopt;
  return static_cast<std::int64_t>(timegm(&tm)) * 1000;
}

}  // namespace

std::string HostOfAddress(const std::string& address) {
  std::size_t begin = address.find("://");
  begin = begin == std::string::npos ? 0 : begin + 3;
  std::size_t end = address.find_first_of("/?#", begin);
  if (end == std::string::npos) end = address.size();
  std::string host = LowerAscii(std::string_view(address).substr(begin, end - begin));
  if (const std::size_t at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
  return host;
}

std::optional<std::int64_t> RetryAfterMs(const http::Response& response, std::int64_t nowMs) {
  if (response.error != http::kOk || !IsAdvised(response.status)) return std::nullopt;
  const std::string value = Trim(HeaderValue(response.headers, "Retry-After"));
  if (value.empty()) return std::nullopt;
  std::int64_t ms = 0;
  if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // Long digit strings are capped before they could overflow.
    ms = value.size() > 6 ? kRetryAfterCapMs : std::stoll(value) * 1000;
  } else if (std::optional<std::int64_t> at = HttpDateMs(value)) {
    ms = *at - nowMs;
  } else {
    return std::nullopt;
  }
  return std::clamp<std::int64_t>(ms, 0, kRetryAfterCapMs);
}

ProbePrefetcher::ProbePrefetcher(App& app, int maxTransfers, int maxPerHost)
    : app_(app),
      maxTransfers_(std::clamp(maxTransfers, 1, kMaxParallel)),
      maxPerHost_(std::clamp(maxPerHost, 1, std::clamp(maxTransfers, 1, kMaxParallel))),
      lastPollMs_(app.clock.NowMs()) {}

void ProbePrefetcher::PollClient(int waitMs) {
  app_.http.Poll(waitMs);
  lastPollMs_ = app_.clock.NowMs();
}

bool ProbePrefetcher::TimedUnreliably(const Entry& entry, const http::Response& r) const {
  return entry.shared && LoadCanCause(r);
}

ProbePrefetcher::~ProbePrefetcher() {
  Close();
}

void ProbePrefetcher::Close() {
  if (closed_) return;
  closed_ = true;
  CancelPending();
  // Requests made without the prefetcher are not held to its shares.
  for (auto& [name, host] : hosts_) {
    if (host.shareSent > 0) app_.http.SetHostShare(name, 0, 0);
  }
  app_.FetchedPages.clear();
}

void ProbePrefetcher::SendShare(const std::string& name, Host& host) {
  if (!host.resendShare && host.shareSent == host.limit &&
      host.resumeSentMs == host.pausedUntilMs) {
    return;
  }
  host.resendShare = false;
  host.shareSent = host.limit;
  host.resumeSentMs = host.pausedUntilMs;
  app_.http.SetHostShare(name, host.limit, host.pausedUntilMs);
}

ProbePrefetcher::Entry& ProbePrefetcher::Add(Table& table, Kind kind, const std::string& address,
                                             FetchPriority priority, bool readLinks) {
  auto [it, added] = table.try_emplace(address);
  if (!added) {
    Entry& known = *it->second;
    if (known.state == State::Queued && !known.solo && known.priority == FetchPriority::Ahead &&
        priority == FetchPriority::Now) {
      // Read ahead, and now on the page being walked: among its links, in
      // their order (the copy further back is passed over).
      known.priority = FetchPriority::Now;
      Enqueue(known, false);
    } else if (known.state == State::OnPage && priority == FetchPriority::Now) {
      known.priority = FetchPriority::Now;
      PromotePage(*known.onPage);
    }
    return known;
  }
  it->second = std::make_unique<Entry>();
  Entry& e = *it->second;
  e.kind = kind;
  e.address = address;
  e.host = HostOfAddress(address);
  e.priority = priority;
  e.readLinks = readLinks;
  if (kind == Kind::Probe) {
    QueueOrRide(e);
  } else {
    Enqueue(e, false);
  }
  return e;
}

void ProbePrefetcher::QueueOrRide(Entry& probe) {
  // In L-Page mode a probe asks the server afresh and reads the page's text.
  if (app_.state.JumpMode == 1) {
    Enqueue(probe, false);
    return;
  }
  auto it = pages_.find(probe.address);
  if (it == pages_.end()) {
    // A page the run is going to load: fetched now, for the probe and for
    // that load at once.
    if (targets_.count(probe.address) == 0) {
      Enqueue(probe, false);
      return;
    }
    Add(pages_, Kind::Page, probe.address, probe.priority);
    it = pages_.find(probe.address);
  }
  Entry& page = *it->second;
  probe.state = State::OnPage;
  probe.onPage = &page;
  page.riders.push_back(&probe);
  if (page.state == State::Done) {
    ReleaseRiders(page);  // its answer is in
  } else if (probe.priority == FetchPriority::Now) {
    PromotePage(page);
  }
}

void ProbePrefetcher::PromotePage(Entry& page) {
  if (page.state == State::Queued && !page.solo && page.priority == FetchPriority::Ahead) {
    page.priority = FetchPriority::Now;
    Enqueue(page, false);
  }
}

void ProbePrefetcher::ReleaseLateRiders() {
  const std::int64_t now = app_.clock.NowMs();
  for (auto& [id, entry] : inFlight_) {
    if (!entry->riders.empty() && now - entry->handedMs >= kCalmAnswerMs) ReleaseRiders(*entry);
  }
}

void ProbePrefetcher::ReleaseRiders(Entry& page) {
  std::vector<Entry*> riders;
  riders.swap(page.riders);
  // A page still under way has no answer to give.
  const std::optional<http::Response> answer =
      page.state == State::Done ? ProbeAnswerFromPage(page.response) : std::nullopt;
  for (Entry* probe : riders) {
    probe->onPage = nullptr;
    if (answer) {
      probe->response = *answer;
      probe->state = State::Done;
    } else {
      Enqueue(*probe, false);
    }
  }
}

void ProbePrefetcher::Enqueue(Entry& entry, bool first) {
  entry.state = State::Queued;
  Host& host = hosts_[entry.host];
  const bool now = entry.priority == FetchPriority::Now;
  std::deque<Entry*>& queue = now ? host.now : (entry.readLinks ? host.aheadPages : host.ahead);
  if (first) {
    queue.push_front(&entry);
  } else {
    queue.push_back(&entry);
  }
  bool& listed = now ? host.readyNow : host.readyAhead;
  if (!listed) {
    listed = true;
    (now ? readyNow_ : readyAhead_).push_back(&host);
  }
}

void ProbePrefetcher::EnqueueSolo(Entry& entry) {
  entry.state = State::Queued;
  entry.solo = true;
  Host& host = hosts_[entry.host];
  host.solo.push_back(&entry);
  if (!host.readyNow) {
    host.readyNow = true;
    readyNow_.push_back(&host);
  }
}

void ProbePrefetcher::QueueProbe(const std::string& address, FetchPriority priority,
                                 bool wantPage) {
  Entry& e = Add(probes_, Kind::Probe, address, priority);
  if (wantPage && !e.wantPage) {
    e.wantPage = true;
    // Found already: the page can come at once.
    if (e.state == State::Done && e.response.error == http::kOk && e.response.status == 200) {
      QueuePage(address, priority);
    }
  }
}

void ProbePrefetcher::QueuePage(const std::string& address, FetchPriority priority,
                                bool readLinks) {
  Entry& e = Add(pages_, Kind::Page, address, priority, readLinks);
  if (readLinks && !e.readLinks) {
    e.readLinks = true;
    // Fetched already (for a probe, or for anchors): its links are read
    // like those of a page read ahead that has just come in.
    if (e.state == State::Done) {
      e.linksPending = true;
      unread_.push_back(&e);
    }
    // Waiting among the probes: on to the pages to read (the copy further
    // back is passed over).
    if (e.state == State::Queued && !e.solo && e.priority == FetchPriority::Ahead) {
      Enqueue(e, false);
    }
  }
}

http::Request ProbePrefetcher::RequestOf(const Entry& entry, bool withinShare) const {
  http::Request q;
  if (entry.kind == Kind::Probe) {
    q = ProbeRequest(entry.address, app_.state.JumpMode);
  } else {
    q.url = entry.address;
    q.maxBodyBytes = kMaxPageBytes;
    q.totalTimeoutMs = kPageTransferLimitMs;
  }
  q.host = entry.host;
  q.withinShare = withinShare;
  q.shareHalvingMs = kCalmAnswerMs;
  // The page being walked goes before what is read ahead for the same host.
  q.first = entry.priority == FetchPriority::Now;
  return q;
}

void ProbePrefetcher::Start(Entry& entry) {
  Host& host = hosts_[entry.host];
  if (host.unresolved) {
    // The name could not be looked up a moment ago in this run: asking
    // again would only wait for the same answer.
    http::Response r;
    r.error = http::kNameNotResolved;
    r.errorText = "host name not resolved";
    r.startedAtMs = r.finishedAtMs = app_.clock.NowMs();
    Finish(entry, std::move(r));
    return;
  }
  SendShare(entry.host, host);
  entry.state = State::Running;
  // A page read ahead is not judged by its time: the page being walked goes
  // beside it, not behind (a slow one would stall the walk), within the
  // user's per-host limit.
  entry.handedAhead = entry.priority == FetchPriority::Ahead;
  // A lone measurement goes beyond the host's share (nothing else runs).
  http::Request request = RequestOf(entry, !entry.solo);
  request.background = entry.kind == Kind::Page && entry.handedAhead;
  entry.transfer = app_.http.Start(request);
  inFlight_[entry.transfer] = &entry;
  entry.handedMs = app_.clock.NowMs();
  ++host.running;
  ++running_;
  if (entry.handedAhead) {
    ++host.aheadRunning;
    ++aheadRunning_;
  }
}

bool ProbePrefetcher::HostOpen(const Host& host, std::int64_t nowMs, FetchPriority priority) const {
  if (!host.solo.empty() || host.soloRunning || host.pausedUntilMs > nowMs) return false;
  // What is read ahead does not keep the page being walked from being asked for.
  const int handed =
      priority == FetchPriority::Now ? host.running - host.aheadRunning : host.running;
  return handed < host.limit + kHandedAheadPerHost;
}

void ProbePrefetcher::Handed(Host& host, const Entry& entry) {
  --host.running;
  --running_;
  if (entry.handedAhead) {
    --host.aheadRunning;
    --aheadRunning_;
  }
}

bool ProbePrefetcher::RoomToHandOver(FetchPriority priority) const {
  const int handed = priority == FetchPriority::Now ? running_ - aheadRunning_ : running_;
  return handed < maxTransfers_ + kHandedAheadPerHost;
}

void ProbePrefetcher::AdjustLimit(Host& host, const http::Response& r) {
  if (SignOfOverload(r)) {
    host.limit = 1;
    host.calmAnswers = 0;
    host.settled = true;
    return;
  }
  if (r.error != http::kOk) return;  // says nothing about the server's load
  if (AnswerMs(r) >= kCalmAnswerMs) {
    host.limit = std::max(1, host.limit / 2);
    host.calmAnswers = 0;
    host.settled = true;
    // The client has halved its share by itself meanwhile (see
    // Request::shareHalvingMs): this one is sent again in any case.
    host.resendShare = true;
    return;
  }
  // Until the first slow answer every quick one adds a request (the count
  // doubles with each round of answers); after it, one per run of quick ones.
  if (!host.settled || ++host.calmAnswers >= kCalmAnswersToGrow) {
    host.limit = std::min(host.limit + 1, maxPerHost_);
    host.calmAnswers = 0;
  }
}

void ProbePrefetcher::StartSolo(Host& host) {
  while (!host.solo.empty() && host.solo.front()->state != State::Queued) host.solo.pop_front();
  if (host.solo.empty() || host.soloRunning || host.running > 0 ||
      !RoomToHandOver(FetchPriority::Now) || host.pausedUntilMs > app_.clock.NowMs()) {
    return;
  }
  Entry* e = host.solo.front();
  host.solo.pop_front();
  Start(*e);
  host.soloRunning = e->state == State::Running;
}

std::deque<ProbePrefetcher::Entry*>& ProbePrefetcher::NextQueue(Host& host,
                                                                FetchPriority priority) {
  if (priority == FetchPriority::Now) return host.now;
  return host.aheadPages.empty() ? host.ahead : host.aheadPages;
}

void ProbePrefetcher::StartWhatFits() {
  const std::int64_t now = app_.clock.NowMs();
  // Pages being walked first, on every host; then those still to come. Each
  // ready host is looked at once per call, and goes to the back of the list
  // while it still has entries.
  for (const FetchPriority priority : {FetchPriority::Now, FetchPriority::Ahead}) {
    const bool nowQueue = priority == FetchPriority::Now;
    std::deque<Host*>& ready = nowQueue ? readyNow_ : readyAhead_;
    for (std::size_t k = ready.size(); k > 0 && RoomToHandOver(priority); --k) {
      Host& host = *ready.front();
      ready.pop_front();
      if (nowQueue) StartSolo(host);
      while (RoomToHandOver(priority) && HostOpen(host, now, priority)) {
        std::deque<Entry*>& queue = NextQueue(host, priority);
        if (queue.empty()) break;
        Entry* e = queue.front();
        queue.pop_front();
        // An entry moved to the front of its queue (or finished otherwise)
        // may still stand further back.
        // A lone measurement starts only from the host's solo queue.
        if (e->state != State::Queued || e->solo) continue;
        // Starting may queue more (a parsed page's links), also on this host.
        Start(*e);
      }
      bool& listed = nowQueue ? host.readyNow : host.readyAhead;
      if (NextQueue(host, priority).empty() && (!nowQueue || host.solo.empty())) {
        listed = false;
      } else {
        ready.push_back(&host);
      }
    }
  }
}

void ProbePrefetcher::Collect(int pageParses) {
  if (collecting_ || (inFlight_.empty() && finished_.empty() && unread_.empty())) return;
  collecting_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{collecting_};
  while (true) {
    TakeFinished(finished_);
    while (!finished_.empty()) {
      auto [entry, response] = std::move(finished_.front());
      finished_.pop_front();
      Finish(*entry, std::move(response));
    }
    // What is queued goes to the client first; a page's links are read
    // when room is left (see ReadLinksAhead). Parsing a page takes a while:
    // the client is given the links just queued, and what finished meanwhile
    // is taken, before the next one.
    StartWhatFits();
    if (pageParses <= 0 || !ReadLinksAhead()) return;
    --pageParses;
  }
}

bool ProbePrefetcher::ReadLinksAhead() {
  // The client has enough at hand while it holds all it may be handed: the
  // links of the next page would only wait behind those. The parse is left
  // for when they run short, so that it does not take the processor from
  // the requests themselves (on a busy start it would).
  while (!unread_.empty() && RoomToHandOver(FetchPriority::Ahead)) {
    Entry* e = unread_.front();
    unread_.pop_front();
    if (!e->linksPending) continue;  // read already, when its page was asked for
    ReadLinks(*e);
    return true;
  }
  return false;
}

void ProbePrefetcher::ReadLinks(Entry& entry) {
  entry.linksPending = false;
  if (!entry.page && BodyAtHand(entry)) ParsePage(entry);
  if (entry.page && onPageLinks) onPageLinks(*entry.page);
}

void ProbePrefetcher::TakeFinished(std::deque<std::pair<Entry*, http::Response>>& taken) {
  std::vector<Entry*> done;
  for (auto& [id, entry] : inFlight_) {
    if (app_.http.Done(id)) done.push_back(entry);
  }
  // In the order they were handed over: pages read ahead are parsed first
  // come, first served (the walk needs the nearer ones first).
  std::sort(done.begin(), done.end(),
            [](const Entry* a, const Entry* b) { return a->transfer < b->transfer; });
  // Each finished request gives its place back at once.
  for (Entry* e : done) {
    inFlight_.erase(e->transfer);
    Host& host = hosts_[e->host];
    Handed(host, *e);
    if (e->solo) host.soloRunning = false;
    http::Response response = app_.http.Take(e->transfer);
    e->shared = response.hostShared;
    AdjustLimit(host, response);
    SendShare(e->host, host);
    taken.emplace_back(e, std::move(response));
  }
}

void ProbePrefetcher::Finish(Entry& entry, http::Response response) {
  Host& host = hosts_[entry.host];
  if (!entry.asked) {
    if (std::optional<std::int64_t> pause = RetryAfterMs(response, app_.clock.NowMs())) {
      // The server asked for a pause: leave the host alone that long, then
      // ask once more before the answer is judged.
      entry.asked = true;
      host.pausedUntilMs = std::max(host.pausedUntilMs, app_.clock.NowMs() + *pause);
      SendShare(entry.host, host);
      Enqueue(entry, true);
      return;
    }
  }
  if (entry.kind == Kind::Probe && entry.remeasures < kMaxRemeasures &&
      TimedUnreliably(entry, response)) {
    // Slow (or failed) perhaps only for waiting behind others: asked once
    // more with nothing else on its host, and that answer is judged. The
    // marks are then those of one request at a time.
    ++entry.remeasures;
    EnqueueSolo(entry);
    return;
  }
  if (response.error == http::kNameNotResolved) host.unresolved = true;
  entry.state = State::Done;
  entry.response = std::move(response);
  if (entry.kind == Kind::Probe) {
    if (entry.wantPage && entry.response.error == http::kOk && entry.response.status == 200) {
      QueuePage(entry.address, entry.priority);
    }
    return;
  }
  ReleaseRiders(entry);
  const bool copied = KeepForLoad(entry);
  // Parsed only when the page or its links are asked for, from one copy; the
  // links of a page read ahead when the client runs short of requests.
  if (copied) {
    std::string().swap(entry.response.body);
    entry.bodyInCopy = true;
  } else if (!KeepUnparsed(entry)) {
    ParsePage(entry);
  }
  if (entry.readLinks) {
    entry.linksPending = true;
    unread_.push_back(&entry);
  }
}

bool ProbePrefetcher::KeepForLoad(Entry& entry) {
  const http::Response& r = entry.response;
  const bool target =
      targets_.count(entry.address) != 0 || (mayBeLoaded && mayBeLoaded(entry.address));
  if (r.error != http::kOk || !target || FetchedBytes() + r.body.size() > kFetchedPageBytes) {
    return false;
  }
  targets_.erase(entry.address);
  app_.FetchedPages[entry.address] = {r, {}};
  return true;
}

bool ProbePrefetcher::BodyAtHand(const Entry& entry) const {
  return entry.bodyKept || (entry.bodyInCopy && app_.FetchedPages.count(entry.address) != 0);
}

bool ProbePrefetcher::KeepUnparsed(Entry& entry) {
  const std::size_t bytes = entry.response.body.size();
  if (bodyBytesKept_ + bytes > kUnparsedPageBytes) return false;
  bodyBytesKept_ += bytes;
  entry.bodyKept = true;
  return true;
}

void ProbePrefetcher::StopKeepingBody(Entry& entry) {
  bodyBytesKept_ -= std::min(bodyBytesKept_, entry.response.body.size());
  entry.bodyKept = false;
}

void ProbePrefetcher::ParsePage(Entry& entry) {
  http::Response& r = entry.response;
  const http::Response* source = &r;
  auto copy = app_.FetchedPages.find(entry.address);
  if (entry.bodyKept) {
    StopKeepingBody(entry);
  } else if (entry.bodyInCopy) {
    entry.bodyInCopy = false;
    if (copy == app_.FetchedPages.end()) return;  // its own load has taken it
    source = &copy->second.response;
  }
  const std::string address = r.effectiveUrl.empty() ? entry.address : r.effectiveUrl;
  DecodedPage decoded = DecodePage(source->body, HeaderValue(source->headers, "Content-Type"));
  entry.page = html::Document::Parse(decoded.text, address);
  // The page's own load reads the same answer: it takes this document (a
  // page cut short is cut there at another length, and is parsed anew).
  if (copy != app_.FetchedPages.end() && !source->bodyCut &&
      SameAnswer(copy->second.response, *source)) {
    copy->second.parsed = entry.page;
  }
  std::string().swap(r.body);
  entry.pageNodes = entry.page->NodeCount();
  pageNodesKept_ += entry.pageNodes;
  pageOrder_.push_back(&entry);
  ForgetPages();
}

void ProbePrefetcher::ExpectLoad(const std::string& address) {
  targets_.insert(address);
}

std::size_t ProbePrefetcher::FetchedBytes() const {
  std::size_t bytes = 0;
  for (const auto& [address, copy] : app_.FetchedPages) bytes += copy.response.body.size();
  return bytes;
}

void ProbePrefetcher::ForgetPages() {
  while (pageNodesKept_ > kPageNodesKept && pageOrder_.size() > 1) {
    Entry* oldest = pageOrder_.front();
    pageOrder_.pop_front();
    pageNodesKept_ -= std::min(pageNodesKept_, oldest->pageNodes);
    oldest->page.reset();
    oldest->pageNodes = 0;
  }
}

void ProbePrefetcher::Pump() {
  // Called while answers are being taken (events processed as a page read
  // ahead hands on its links): the taking goes on where it was.
  if (collecting_) return;
  StartWhatFits();
  // Called with every round of event processing, mostly while something
  // else is awaited (the browser's page): the client is driven at most once
  // per clock tick here, and one page read ahead is parsed at a time.
  if ((running_ > 0 || !finished_.empty() || !unread_.empty()) &&
      app_.clock.NowMs() != lastPollMs_) {
    PollClient(0);
    Collect(kPumpPageParses);
    ReleaseLateRiders();
    StartWhatFits();
  }
}

bool ProbePrefetcher::WaitFor(Entry& entry, bool stopOnCancel) {
  bool othersCancelled = false;
  while (entry.state != State::Done) {
    if (stopOnCancel && app_.state.CancelFlag != 0) return false;
    StartWhatFits();
    if (running_ > 0) {
      // Pages taken and not parsed yet are work at hand: no waiting then.
      PollClient(finished_.empty() ? kProbePollMs : 0);
    } else if (entry.state == State::Queued || entry.state == State::OnPage) {
      // Nothing runs: its host is pausing.
      const Host& host = hosts_[entry.host];
      const std::int64_t left = host.pausedUntilMs - app_.clock.NowMs();
      app_.Pause(static_cast<int>(std::clamp<std::int64_t>(left, 1, kProbePollMs)));
    }
    Collect(kAllPageParses);
    ReleaseLateRiders();
    app_.ProcessEvents();
    if (app_.state.CancelFlag != 0) {
      if (stopOnCancel) return false;
      // The link in hand completes; nothing else goes on.
      if (!othersCancelled) DropUnfinished(&entry);
      othersCancelled = true;
    }
  }
  return true;
}

void ProbePrefetcher::DropUnfinished(Entry* keep) {
  // What has arrived is kept: probes are judged, and `keep` (a page, too);
  // other pages not parsed yet are forgotten below like those in flight.
  std::deque<std::pair<Entry*, http::Response>> arrived;
  arrived.swap(finished_);
  for (Entry* page : unread_) page->linksPending = false;
  unread_.clear();
  for (auto& [entry, response] : arrived) {
    if (entry->kind == Kind::Probe || entry == keep) Finish(*entry, std::move(response));
  }
  // Probes waiting for a page's answer wait no more: they are forgotten
  // below like the rest, or (the one in hand) asked for on their own.
  for (auto& [address, page] : pages_) {
    for (Entry* probe : page->riders) {
      probe->onPage = nullptr;
      probe->state = State::Queued;
    }
    page->riders.clear();
  }
  for (auto it = inFlight_.begin(); it != inFlight_.end();) {
    if (it->second == keep) {
      ++it;
      continue;
    }
    app_.http.Cancel(it->first);
    Host& host = hosts_[it->second->host];
    Handed(host, *it->second);
    if (it->second->solo) host.soloRunning = false;
    it = inFlight_.erase(it);
  }
  for (auto& [name, host] : hosts_) {
    host.now.clear();
    host.ahead.clear();
    host.aheadPages.clear();
    host.solo.clear();
    host.readyNow = host.readyAhead = false;
  }
  readyNow_.clear();
  readyAhead_.clear();
  // Forget what was only queued or cut off: asked for later, it is requested
  // afresh.
  for (Table* table : {&probes_, &pages_}) {
    for (auto it = table->begin(); it != table->end();) {
      if (it->second.get() != keep && it->second->state != State::Done) {
        it = table->erase(it);
      } else {
        ++it;
      }
    }
  }
  if (keep && keep->state == State::Queued) {
    if (keep->solo) {
      EnqueueSolo(*keep);
    } else {
      Enqueue(*keep, true);
    }
  }
}

void ProbePrefetcher::CancelPending() {
  DropUnfinished(nullptr);
}

ProbePrefetcher::Entry& ProbePrefetcher::Wanted(Table& table, Kind kind,
                                                const std::string& address) {
  Entry& e = Add(table, kind, address, FetchPriority::Now);
  if (kind == Kind::Page && e.state == State::Done && !e.page && !BodyAtHand(e)) {
    e.state = State::Queued;  // let go to save memory: fetched again
  }
  if (e.state == State::Queued && !e.solo) {
    e.priority = FetchPriority::Now;
    Enqueue(e, true);
  }
  return e;
}

http::Response ProbePrefetcher::ProbeResponse(const std::string& address) {
  Entry& e = Wanted(probes_, Kind::Probe, address);
  (void)WaitFor(e, false);
  return e.response;
}

std::shared_ptr<html::Document> ProbePrefetcher::Page(const std::string& address) {
  Entry& e = Wanted(pages_, Kind::Page, address);
  if (!WaitFor(e, true)) return nullptr;
  if (e.linksPending) {
    ReadLinks(e);
  } else if (BodyAtHand(e)) {
    ParsePage(e);
  }
  return e.page;
}

bool ProbePrefetcher::KnowsPage(const std::string& address) const {
  auto it = pages_.find(address);
  return it != pages_.end() &&
         (it->second->page || BodyAtHand(*it->second) || it->second->state != State::Done);
}

void ProbePrefetcher::KeepPage(const std::string& address, std::shared_ptr<html::Document> page) {
  if (!page) return;
  auto [it, added] = pages_.try_emplace(address);
  if (!added && it->second->state != State::Done) return;  // its fetch is under way
  if (added) it->second = std::make_unique<Entry>();
  Entry& e = *it->second;
  e.kind = Kind::Page;
  e.address = address;
  e.host = HostOfAddress(address);
  e.state = State::Done;
  if (e.bodyKept) {
    StopKeepingBody(e);
    std::string().swap(e.response.body);
  }
  e.bodyInCopy = false;
  if (e.page) {
    pageNodesKept_ -= std::min(pageNodesKept_, e.pageNodes);
  } else {
    pageOrder_.push_back(&e);
  }
  e.page = std::move(page);
  e.pageNodes = e.page->NodeCount();
  pageNodesKept_ += e.pageNodes;
  ForgetPages();
}

const LocalProbeResult* ProbePrefetcher::LocalResult(const std::string& link) const {
  auto it = local_.find(link);
  return it == local_.end() ? nullptr : &it->second;
}

void ProbePrefetcher::KeepLocalResult(const std::string& link, LocalProbeResult result) {
  local_[link] = std::move(result);
}

}  // namespace vex
