// Probes ahead of the link walk. The walk hands it every web address it is
// going to probe; the prefetcher runs those requests through the HTTP client,
// many at once but a few per host, while the walk still takes the links one
// by one in document order and asks for each link's response when it gets
// there. Within one run every address is requested once (and a page whose
// anchors are looked up is fetched once): a second link to it gets the same
// response, so the same mark and flags. A link to a page that is read ahead
// (or that the run is going to load) takes that page's answer when the two
// could not be judged apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "context/run_results.h"
#include "context/run_state.h"
#include "platform/html/html_document.h"
#include "platform/http/http_client.h"

namespace vex {

struct App;

// A host that asks for a pause (429 or 503 with Retry-After) is left alone
// this long at most, then asked once more.
inline constexpr int kRetryAfterCapMs = 10000;

enum class FetchPriority {
  Now,    // the page being walked, in document order
  Ahead,  // pages of the run still to come
};

// What the probe of a local link gave, for further links to the same address.
struct LocalProbeResult {
  std::string mark;
  LinkFlags flags{};
  ProbeDetails details;
};

class ProbePrefetcher {
 public:
  ProbePrefetcher(App& app, int maxTransfers, int maxPerHost);
  ~ProbePrefetcher();
  ProbePrefetcher(const ProbePrefetcher&) = delete;
  ProbePrefetcher& operator=(const ProbePrefetcher&) = delete;

  // The probe request of a web address (without fragment). An address known
  // in this run is not queued again. With `wantPage` the whole page is
  // fetched as well once the probe found it (status 200), for its anchors.
  void QueueProbe(const std::string& address, FetchPriority priority, bool wantPage = false);
  // The whole page at a web address; with `readLinks` the parsed page is
  // handed to onPageLinks (to queue the probes of a page still to come).
  void QueuePage(const std::string& address, FetchPriority priority, bool readLinks = false);

  // The response of the probe of `address`; waits for it, processing events
  // and driving the other transfers. An address not queued yet is requested
  // before all others.
  http::Response ProbeResponse(const std::string& address);
  // The page at `address`, parsed; waits like ProbeResponse. Empty when the
  // user cancelled while it was awaited.
  std::shared_ptr<html::Document> Page(const std::string& address);
  // A page at hand or on its way in this run (fetched, queued, or kept by
  // KeepPage; not one let go to save memory).
  bool KnowsPage(const std::string& address) const;
  // A page loaded otherwise (a local file in the anchor browser).
  void KeepPage(const std::string& address, std::shared_ptr<html::Document> page);

  // A web page the run is going to load: when it is fetched here first (read
  // ahead, or for its anchors), a copy is left in App::FetchedPages for that
  // load.
  void ExpectLoad(const std::string& address);

  // Results of local links, by the link as written.
  const LocalProbeResult* LocalResult(const std::string& link) const;
  void KeepLocalResult(const std::string& link, LocalProbeResult result);

  // Moves the transfers on without waiting: starts what the limits allow and
  // takes what has finished (App::MoveTransfers calls it with every round of
  // event processing).
  void Pump();
  // Ends every request queued or in flight; what has arrived is kept.
  void CancelPending();
  // Ends the requests and gives the client's hosts back their own limits;
  // what has arrived is kept (the destructor does it too).
  void Close();

  // Called with every page queued with readLinks, once it is parsed.
  std::function<void(html::Document&)> onPageLinks;
  // Asked for a page fetched here that ExpectLoad has not named (yet): true
  // when the run may still load it, so that a copy is kept as for ExpectLoad
  // (a site crawl finds its pages only after their anchors were looked up).
  std::function<bool(const std::string&)> mayBeLoaded;

 private:
  enum class Kind { Probe, Page };
  // OnPage: a probe answered by the request of the page at its address.
  enum class State { Queued, Running, OnPage, Done };
  struct Entry {
    Kind kind = Kind::Probe;
    std::string address;
    std::string host;
    State state = State::Queued;
    FetchPriority priority = FetchPriority::Now;
    http::TransferId transfer = 0;
    http::Response response;
    bool asked = false;  // asked once more after a Retry-After pause
    // Asked again, alone on its host, after an answer whose time (or
    // failure) may have come from waiting behind other requests.
    int remeasures = 0;
    bool solo = false;         // this attempt runs with nothing else on its host
    bool handedAhead = false;  // handed to the client for what is to come
    // Another request to the host was under way while it waited for its
    // answer (the client tells).
    bool shared = false;
    bool wantPage = false;       // probe: fetch the page too when found
    bool readLinks = false;      // page: hand the parsed page to onPageLinks
    bool linksPending = false;   // page: in unread_, not handed yet
    Entry* onPage = nullptr;     // probe in OnPage: the page entry it waits for
    std::int64_t handedMs = 0;   // when its request went to the client
    std::vector<Entry*> riders;  // page: the probes waiting for its answer
    // Page: its body is kept in the response, to be parsed when the page or
    // its links are asked for.
    bool bodyKept = false;
    // Page: not parsed; its body is in the copy left for its own load (in
    // App::FetchedPages), and is parsed from there while the copy is there.
    bool bodyInCopy = false;
    std::shared_ptr<html::Document> page;
    std::size_t pageNodes = 0;
  };
  struct Host {
    int running = 0;       // handed to the client, running or waiting there
    int aheadRunning = 0;  // of those, for what is still to come
    // Requests it may have at once: from one, growing while its answers come
    // quickly, up to the user's per-host limit (see AdjustLimit).
    int limit = 1;
    int calmAnswers = 0;   // quick answers since the limit last changed
    bool settled = false;  // a slow answer or a sign of overload was seen
    std::int64_t pausedUntilMs = 0;
    bool unresolved = false;  // its name could not be looked up in this run
    // The share and pause last given to the client for requests handed over
    // beyond what runs (see SendShare).
    int shareSent = 0;
    bool resendShare = false;  // the client may hold another share by now
    std::int64_t resumeSentMs = 0;
    std::deque<Entry*> now;
    std::deque<Entry*> ahead;
    // Pages still to come, whose links are to be read, go before the probes
    // read ahead: each one fetched names the next addresses to ask for, slow
    // ones among them, while the host's places are still free.
    std::deque<Entry*> aheadPages;
    // Entries to be measured alone: while one waits or runs, nothing else
    // starts on the host.
    std::deque<Entry*> solo;
    bool soloRunning = false;
    bool readyNow = false;  // listed in readyNow_ / readyAhead_
    bool readyAhead = false;
  };
  using Table = std::unordered_map<std::string, std::unique_ptr<Entry>>;

  Entry& Add(Table& table, Kind kind, const std::string& address, FetchPriority priority,
             bool readLinks = false);
  // The entry of an address asked for now: when it still waits (or its page
  // was let go), it goes before all others.
  Entry& Wanted(Table& table, Kind kind, const std::string& address);
  void Enqueue(Entry& entry, bool first);
  // A new probe: it waits for the request of the page at its address when
  // that page is on its way (or takes its answer when it is in), and is
  // queued otherwise.
  void QueueOrRide(Entry& probe);
  // The probes waiting for a page: each takes the page's answer when it is
  // in and would serve, or is queued for a request of its own.
  void ReleaseRiders(Entry& page);
  // A page being asked for now takes the probes waiting for it along.
  void PromotePage(Entry& page);
  // Probes waiting for a page whose answer is long in coming are asked for
  // on their own: they would not take that answer anyway.
  void ReleaseLateRiders();
  // Queues the entry to be asked again with no other request to its host.
  void EnqueueSolo(Entry& entry);
  // Starts the host's next lone measurement once the host has gone quiet.
  void StartSolo(Host& host);
  // Follows the host's answers: more requests at once while they come
  // quickly, fewer after a slow one, one after a sign of overload.
  void AdjustLimit(Host& host, const http::Response& response);
  // Whether further requests of the priority may be handed to the client
  // for the host now.
  bool HostOpen(const Host& host, std::int64_t nowMs, FetchPriority priority) const;
  // Room for one more request of the priority in the client.
  bool RoomToHandOver(FetchPriority priority) const;
  // An entry's request is back from the client (or dropped).
  void Handed(Host& host, const Entry& entry);
  // Tells the client the host's share and pause when they changed.
  void SendShare(const std::string& name, Host& host);
  // The queue the host's next request of the priority comes from.
  static std::deque<Entry*>& NextQueue(Host& host, FetchPriority priority);
  void StartWhatFits();
  void Start(Entry& entry);
  // Judges what the client has finished, and reads the links of at most
  // `pageParses` pages read ahead; the pages left wait in unread_ for the
  // next call (one called for a wait elsewhere, such as the browser's,
  // returns to it soon).
  void Collect(int pageParses);
  // Reads the links of the next page read ahead, when the client has room
  // for more requests; false when none was read.
  bool ReadLinksAhead();
  // Parses the page (when not parsed yet) and hands it to onPageLinks.
  void ReadLinks(Entry& entry);
  // Takes every answer the client has finished, in the order asked.
  void TakeFinished(std::deque<std::pair<Entry*, http::Response>>& taken);
  void PollClient(int waitMs);
  // An answer that waiting elsewhere may have made slow or failed (other
  // requests to its host under way beside it): it is measured again alone
  // before it is judged.
  bool TimedUnreliably(const Entry& entry, const http::Response& response) const;
  void Finish(Entry& entry, http::Response response);
  // A copy of a page the run is (or may be) still to load, for that load;
  // false when none is made.
  bool KeepForLoad(Entry& entry);
  // Whether the unparsed page's body is at hand (in the entry or its copy).
  bool BodyAtHand(const Entry& entry) const;
  // Keeps the page's body unparsed, when there is room for it.
  bool KeepUnparsed(Entry& entry);
  // The body kept unparsed no longer counts as kept (it is left in place).
  void StopKeepingBody(Entry& entry);
  // Parses the page from its body at hand (nothing when it is gone).
  void ParsePage(Entry& entry);
  void ForgetPages();
  std::size_t FetchedBytes() const;
  // Waits until the entry is done; false when the user cancelled and
  // `stopOnCancel` is set.
  bool WaitFor(Entry& entry, bool stopOnCancel);
  // Ends every request but `keep`'s (none when null) and forgets them.
  void DropUnfinished(Entry* keep);
  http::Request RequestOf(const Entry& entry, bool withinShare) const;

  App& app_;
  int maxTransfers_;
  int maxPerHost_;
  int running_ = 0;          // handed to the client, running or waiting there
  int aheadRunning_ = 0;     // of those, for what is still to come
  bool collecting_ = false;  // in Collect: answers are being taken
  bool closed_ = false;
  std::int64_t lastPollMs_ = 0;
  std::size_t pageNodesKept_ = 0;
  std::size_t bodyBytesKept_ = 0;  // of pages kept unparsed
  Table probes_;
  Table pages_;
  std::unordered_map<std::string, Host> hosts_;
  // Hosts with entries queued, by priority, in the order they got them: a
  // page may name thousands of hosts, and only these are looked at.
  std::deque<Host*> readyNow_;
  std::deque<Host*> readyAhead_;
  std::unordered_map<http::TransferId, Entry*> inFlight_;
  // Answers taken from the client and not yet judged.
  std::deque<std::pair<Entry*, http::Response>> finished_;
  // Pages read ahead whose links are still to be read, in the order asked.
  std::deque<Entry*> unread_;
  std::deque<Entry*> pageOrder_;  // parsed pages, oldest first
  std::unordered_map<std::string, LocalProbeResult> local_;
  std::unordered_set<std::string> targets_;
};

// The host part of a web address, as the per-host limit counts it
// ("127.0.0.1:8080", "example.com"), lower-cased.
std::string HostOfAddress(const std::string& address);

// The pause a 429 or 503 reply asks for with its Retry-After header (seconds,
// or an HTTP date against nowMs), at most kRetryAfterCapMs; none for other
// replies or without the header.
std::optional<std::int64_t> RetryAfterMs(const http::Response& response, std::int64_t nowMs);

}  // namespace vex
