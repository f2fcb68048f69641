// The HTTP client over curl multi. One multi handle carries the whole pool,
// so kept-alive connections and looked-up host names serve every transfer to
// the same host. Transfers wait in a queue of our own (not curl's), so a
// transfer's start time is the moment it really gets a connection slot.
#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/http/http_client.h"
#include "platform/http/http_client_errors.h"
#include "platform/http/lookup_gate.h"

namespace vex::http {
namespace {

constexpr int kDefaultMaxTransfers = 16;
constexpr int kDefaultMaxPerHost = 4;
// Host names stay looked up for this long (a run is shorter; a new run calls
// ResetConnections).
constexpr long kDnsCacheSeconds = 600;
constexpr char kUserAgent[] = "MyApp";
// When no body is wanted, a short rest of the body is still read (and thrown
// away) after the response has been handed over, so that the connection
// stays usable for the next transfer to the host; a longer or slower body
// closes the connection instead.
constexpr std::size_t kDrainBytes = 64 * 1024;
constexpr std::int64_t kDrainMs = 1000;
// The pool's thread looks at the clock at least this often while it waits.
constexpr int kIdleWaitMs = 1000;
// Rounds of curl work the pool does at once while each starts new transfers.
constexpr int kPassesPerRound = 3;

void InitCurlOnce() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)result;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The key for per-host limits: the host name of the address, lower case.
std::string HostOf(const std::string& url) {
  std::string host;
  CURLU* parsed = curl_url();
  if (!parsed) return host;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    char* part = nullptr;
    if (curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK && part) {
      host = LowerAscii(part);
      curl_free(part);
    }
  }
  curl_url_cleanup(parsed);
  return host;
}

// "HTTP/1.1 404 Not Found" -> 404; 0 when the line has no code.
int StatusOfLine(std::string_view line) {
  std::size_t space = line.find(' ');
  if (space == std::string_view::npos || line.size() < space + 4) return 0;
  int code = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

enum class Stage { kQueued, kRunning, kRetryWait, kFinished };

struct Transfer {
  TransferId id = 0;
  Request request;
  Response response;
  Clock* clock = nullptr;
  std::string hostKey;
  std::string lookupName;  // the host name looked up; empty for addresses and local files
  bool lookingUp = false;  // counted by the pool's lookup gate
  bool nameFound = false;  // a connection was opened (or reused): the name is known
  bool isFile = false;
  Stage stage = Stage::kQueued;
  CURL* easy = nullptr;
  curl_slist* extraHeaders = nullptr;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  std::int64_t retryAtMs = 0;
  std::size_t keepBytes = 0;  // body bytes held at most; 0: no body
  // The header block being read: every response (redirects, interim
  // answers) starts a new one.
  int blockStatus = 0;
  bool blockHasLocation = false;
  long long blockLength = -1;  // Content-Length of the block; -1 when none
  bool blockDone = false;
  bool finalHeaders = false;  // the final response's header block is complete
  bool stoppedByUs = false;   // the transfer was ended on purpose (a limit)
  bool answered = false;      // no body wanted and the final headers are in
  bool draining = false;      // handed over; the rest of the body is being read
  // The end of the header block, as in the response; read by the callbacks,
  // which leave a response handed over alone.
  std::int64_t headersAtMs = 0;
  std::size_t drainedBytes = 0;

  void ResetAttempt() {
    response.headers.clear();
    response.body.clear();
    response.bodyCut = false;
    response.headersAtMs = 0;
    headersAtMs = 0;
    errorBuffer[0] = '\0';
    blockStatus = 0;
    blockHasLocation = false;
    blockLength = -1;
    blockDone = false;
    finalHeaders = false;
    stoppedByUs = false;
    answered = false;
    drainedBytes = 0;
  }
};

bool IsInterim(const Transfer& t) {
  if (t.blockStatus < 200) return true;
  return t.request.followRedirects && t.blockStatus / 100 == 3 && t.blockHasLocation;
}

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  const size_t n = size * count;
  auto* t = static_cast<Transfer*>(user);
  // A response handed over is the caller's: trailers read away after it
  // leave it alone.
  if (t->isFile || t->draining) return n;
  std::string_view line(data, n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

  if (StartsWithNoCase(line, "HTTP/")) {
    t->response.headers.assign(line);
    t->blockStatus = StatusOfLine(line);
    t->blockHasLocation = false;
    t->blockLength = -1;
    t->blockDone = false;
    t->finalHeaders = false;
    return n;
  }
  if (t->blockDone) return n;  // trailers after a body
  if (line.empty()) {
    t->blockDone = true;
    t->headersAtMs = t->clock->NowMs();
    t->response.headersAtMs = t->headersAtMs;
    if (IsInterim(*t)) return n;
    t->finalHeaders = true;
    if (t->keepBytes == 0) {
      if (t->blockLength > static_cast<long long>(kDrainBytes)) {
        t->stoppedByUs = true;
        return 0;  // no body wanted, and too much of it to read away
      }
      t->answered = true;
    }
    return n;
  }
  t->response.headers += "\r\n";
  t->response.headers.append(line);
  if (StartsWithNoCase(line, "location:") &&
      line.find_first_not_of(" \t", 9) != std::string_view::npos) {
    t->blockHasLocation = true;
  }
  if (StartsWithNoCase(line, "content-length:")) {
    const std::string value(line.substr(15));
    char* end = nullptr;
    const long long length = std::strtoll(value.c_str(), &end, 10);
    if (end != value.c_str() && length >= 0) t->blockLength = length;
  }
  return n;
}

size_t OnBodyData(char* data, size_t size, size_t count, void* user) {
  const size_t n = size * count;
  auto* t = static_cast<Transfer*>(user);
  const long limitMs = t->request.bodyTimeLimitMs;
  if (limitMs > 0 && t->headersAtMs != 0 && t->clock->NowMs() - t->headersAtMs >= limitMs) {
    t->stoppedByUs = true;
    // A response handed over (its body read away) is the caller's.
    if (!t->draining) t->response.bodyCut = true;
    return 0;
  }
  // Only a transfer without a body wanted is handed over before its end.
  if (t->keepBytes == 0) {
    t->drainedBytes += n;
    if (t->answered && t->drainedBytes <= kDrainBytes) return n;
    t->stoppedByUs = true;
    return 0;
  }
  Response& r = t->response;
  const std::size_t room = t->keepBytes - r.body.size();
  r.body.append(data, std::min(n, room));
  if (r.body.size() >= t->keepBytes) {
    t->stoppedByUs = true;
    r.bodyCut = true;
    return 0;
  }
  return n;
}

std::size_t KeepBytes(const Request& request) {
  if (request.maxBodyBytes == 0) return 0;
  const std::size_t piece = std::max<std::size_t>(request.readPieceBytes, 1);
  return (request.maxBodyBytes / piece + 1) * piece;
}

// A socket opened for a connection, or a connection about to carry the
// request: the transfer's host name is known by then.
int OnSocketOpened(void* clientp, curl_socket_t, curlsocktype purpose) {
  if (purpose == CURLSOCKTYPE_IPCXN) static_cast<Transfer*>(clientp)->nameFound = true;
  return CURL_SOCKOPT_OK;
}

int OnConnected(void* clientp, char*, char*, int, int) {
  static_cast<Transfer*>(clientp)->nameFound = true;
  return CURL_PREREQFUNC_OK;
}

// The pool runs on a thread of its own: a transfer that ends is followed by
// the next queued one at once, and a response's time is read when it comes,
// however busy the caller is. Everything the thread shares with the caller
// is guarded by one mutex; only the thread calls into the multi handle
// (except curl_multi_wakeup, which is made for that).
class CurlClient final : public Client {
 public:
  explicit CurlClient(Clock& clock) : clock_(clock) {
    InitCurlOnce();
    OpenMulti();
    StartWorker();
  }

  ~CurlClient() override {
    StopWorker();
    DiscardAll();
    ProcessDiscarded();
    CloseMulti();
  }

  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  TransferId Start(const Request& request) override {
    auto owned = std::make_unique<Transfer>();
    Transfer* t = owned.get();
    t->request = request;
    t->clock = &clock_;
    t->isFile = StartsWithNoCase(request.url, "file:");
    t->keepBytes = KeepBytes(request);
    t->hostKey = request.host.empty() ? HostOf(request.url) : LowerAscii(request.host);
    // An address (or a local file) has no name to look up: the gate is not
    // asked again for it each time its host's queue is looked at.
    std::string name = request.host.empty() ? t->hostKey : HostOf(request.url);
    if (!t->isFile && !IsAddressLiteral(name)) t->lookupName = std::move(name);
    bool wake = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      t->id = nextId_++;
      transfers_.emplace(t->id, std::move(owned));
      ++unfinished_;
      Host& host = hosts_[t->hostKey];
      if (request.first) {
        // Before the others, behind those asked first earlier: a page's
        // requests handed over together keep their order.
        auto at = host.pending.begin();
        while (at != host.pending.end()) {
          auto queued = transfers_.find(*at);
          if (queued != transfers_.end() && !queued->second->request.first) break;
          ++at;
        }
        host.pending.insert(at, t->id);
      } else {
        host.pending.push_back(t->id);
      }
      UpdateReady(t->hostKey, host);
      wake = WakeDue();
    }
    if (wake) Wake();
    return t->id;
  }

  bool Poll(int waitMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (finishedSerial_ == polledSerial_) {
      // One whole round of the pool after this call, so that what was
      // started, cancelled or made due by the clock has been acted on.
      const std::uint64_t want = roundsBegun_ + 1;
      roundsWanted_ = std::max(roundsWanted_, want);
      if (WakeDue()) Wake();
      doneCv_.wait(lock, [&] { return roundsDone_ >= want || finishedSerial_ != polledSerial_; });
      if (finishedSerial_ == polledSerial_ && waitMs > 0 && unfinished_ > 0) {
        doneCv_.wait_for(lock, std::chrono::milliseconds(waitMs),
                         [&] { return finishedSerial_ != polledSerial_; });
      }
    }
    const bool finished = finishedSerial_ != polledSerial_;
    polledSerial_ = finishedSerial_;
    return finished;
  }

  bool Done(TransferId id) const override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = transfers_.find(id);
    return it == transfers_.end() || it->second->stage == Stage::kFinished;
  }

  Response Take(TransferId id) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = transfers_.find(id);
    Response r;
    if (it == transfers_.end()) {
      r.error = kOperationCancelled;
      r.errorText = "no such transfer";
      return r;
    }
    if (it->second->stage != Stage::kFinished) {
      r.error = kInternalError;
      r.errorText = "transfer not finished";
      return r;
    }
    r = std::move(it->second->response);
    if (it->second->draining) orphans_.push_back(std::move(it->second));
    transfers_.erase(it);
    return r;
  }

  void Cancel(TransferId id) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = transfers_.find(id);
      if (it == transfers_.end()) return;
      std::unique_ptr<Transfer> t = std::move(it->second);
      transfers_.erase(it);
      Discard(std::move(t));
    }
    Wake();
  }

  void CancelAll() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      DiscardAll();
    }
    Wake();
  }

  std::size_t InFlight() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return unfinished_;
  }

  void SetLimits(int maxTransfers, int maxPerHost) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      maxTransfers_ = std::max(maxTransfers, 1);
      maxPerHost_ = std::max(maxPerHost, 1);
      limitsChanged_ = true;
      UpdateAllReady();
    }
    Wake();
  }

  void SetHostShare(const std::string& hostName, int share, std::int64_t resumeAtMs) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const std::string key = LowerAscii(hostName);
      if (share <= 0) {
        shares_.erase(key);
      } else {
        shares_[key] = Share{share, resumeAtMs};
      }
      auto it = hosts_.find(key);
      if (it != hosts_.end()) UpdateReady(key, it->second);
    }
    Wake();
  }

  void ResetConnections() override {
    StopWorker();
    DiscardAll();
    ProcessDiscarded();
    shares_.clear();
    gate_.Forget();  // with the cache of names that curl kept
    lookupWaiters_.clear();
    CloseMulti();
    OpenMulti();
    StartWorker();
  }

 private:
  struct Host {
    int holding = 0;     // transfers of this host holding a slot
    int background = 0;  // of those, asked as `background`
    std::deque<TransferId> pending;
    bool inReady = false;
    TransferId readyKey = 0;
  };
  struct Share {
    int share = 0;
    std::int64_t resumeAtMs = 0;
  };

  // --- the pool's thread ---

  void StartWorker() {
    stopping_ = false;
    worker_ = std::thread([this] { Run(); });
  }

  void StopWorker() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    Wake();
    if (worker_.joinable()) worker_.join();
  }

  void Wake() {
    if (multi_) curl_multi_wakeup(multi_);
  }

  // Whether a wake-up is to be sent (mutex held): one is enough until the
  // thread begins its next round, which sees everything handed over by then.
  bool WakeDue() {
    if (wakeSent_) return false;
    wakeSent_ = true;
    return true;
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
      const std::uint64_t round = ++roundsBegun_;
      wakeSent_ = false;
      if (limitsChanged_) {
        limitsChanged_ = false;
        ApplyConnectionLimits();
      }
      ProcessDiscarded();
      Drive(lock);
      roundsDone_ = round;
      doneCv_.notify_all();
      if (roundsWanted_ > roundsDone_ || stopping_) continue;
      const int waitMs = WaitBound(kIdleWaitMs);
      lock.unlock();
      curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr);
      lock.lock();
    }
  }

  void OpenMulti() {
    multi_ = curl_multi_init();
    ApplyConnectionLimits();
  }

  void CloseMulti() {
    for (CURL* easy : spare_) curl_easy_cleanup(easy);
    spare_.clear();
    if (multi_) curl_multi_cleanup(multi_);
    multi_ = nullptr;
  }

  void ApplyConnectionLimits() {
    if (!multi_) return;
    // Idle connections kept for reuse: enough for every slot and then some,
    // so that a run over many hosts keeps the busy ones alive.
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, std::max(2L * maxTransfers_, 32L));
  }

  // --- queues and slots (mutex held) ---

  void UpdateAllReady() {
    ready_.clear();
    lookupWaiters_.clear();
    std::vector<std::string> keys;
    for (auto& [key, host] : hosts_) {
      host.inReady = false;
      keys.push_back(key);
    }
    // UpdateReady may drop an idle host from the map: not while walking it.
    for (const std::string& key : keys) {
      auto it = hosts_.find(key);
      if (it != hosts_.end()) UpdateReady(key, it->second);
    }
  }

  // Whether the host's first queued transfer may take a slot now;
  // `waitsForLookup` tells that it waits for a lookup to end (of its name,
  // which another host may share, or of any name).
  bool HasRoom(const std::string& key, const Host& host, bool& waitsForLookup) const {
    if (host.holding >= maxPerHost_) return false;
    auto front = transfers_.find(host.pending.front());
    if (front == transfers_.end()) return true;
    if (MustWaitForLookup(*front->second)) {
      waitsForLookup = true;
      return false;
    }
    if (!front->second->request.withinShare) return true;
    auto share = shares_.find(key);
    if (share == shares_.end()) return true;
    if (share->second.resumeAtMs > clock_.NowMs()) return false;
    const int counted = host.holding - (front->second->request.first ? host.background : 0);
    return counted < share->second.share;
  }

  // A host is ready when it has queued transfers and room for the first of
  // them; ready hosts are served in the order their first queued transfer
  // came.
  void UpdateReady(const std::string& key, Host& host) {
    if (host.inReady) {
      ready_.erase({host.readyKey, key});
      host.inReady = false;
    }
    // Cancelled transfers leave their ids behind in the queue.
    while (!host.pending.empty() && transfers_.count(host.pending.front()) == 0) {
      host.pending.pop_front();
    }
    bool waitsForLookup = false;
    if (!host.pending.empty() && HasRoom(key, host, waitsForLookup)) {
      host.readyKey = host.pending.front();
      host.inReady = true;
      ready_.insert({host.readyKey, key});
    } else if (waitsForLookup) {
      lookupWaiters_.insert(key);
    } else if (host.pending.empty() && host.holding == 0) {
      hosts_.erase(key);
    }
  }

  // Returns how many transfers were started.
  int FillSlots() {
    int launched = 0;
    while (static_cast<int>(holding_.size()) < maxTransfers_ && !ready_.empty()) {
      const std::string key = ready_.begin()->second;
      Host& host = hosts_[key];
      const TransferId id = host.pending.front();
      auto it = transfers_.find(id);
      // Lookups started since the host was found ready may have taken the
      // last places.
      if (it != transfers_.end() && it->second->stage == Stage::kQueued &&
          MustWaitForLookup(*it->second)) {
        UpdateReady(key, host);
        continue;
      }
      host.pending.pop_front();
      if (it != transfers_.end() && it->second->stage == Stage::kQueued) {
        Transfer* t = it->second.get();
        ++host.holding;
        if (t->request.background) ++host.background;
        holding_.push_back(t);
        Launch(t);
        ++launched;
      }
      // Launch may have finished the transfer (and released the host).
      auto again = hosts_.find(key);
      if (again != hosts_.end()) UpdateReady(key, again->second);
    }
    return launched;
  }

  bool MustWaitForLookup(const Transfer& t) const {
    const LookupGate::Decision d = gate_.Ask(t.lookupName);
    return d == LookupGate::Decision::kWaitForName || d == LookupGate::Decision::kWaitForRoom;
  }

  void Launch(Transfer* t) {
    t->easy = TakeEasyHandle();
    if (!t->easy) {
      FinishWith(t, kInternalError, "no transfer handle");
      return;
    }
    if (gate_.Ask(t->lookupName) == LookupGate::Decision::kGoLookingUp) {
      gate_.Started(t->lookupName);
      t->lookingUp = true;
    }
    Configure(t);
    t->response.startedAtMs = clock_.NowMs();
    // Waiting side by side with the host's other transfers: both may be timed
    // with the other's waiting in them.
    for (Transfer* other : holding_) {
      if (other != t && other->stage == Stage::kRunning && other->hostKey == t->hostKey) {
        other->response.hostShared = true;
        t->response.hostShared = true;
      }
    }
    Attach(t);
  }

  CURL* TakeEasyHandle() {
    if (!spare_.empty()) {
      CURL* easy = spare_.back();
      spare_.pop_back();
      return easy;
    }
    return curl_easy_init();
  }

  void Configure(Transfer* t) {
    CURL* e = t->easy;
    const Request& q = t->request;
    curl_easy_setopt(e, CURLOPT_PRIVATE, t);
    curl_easy_setopt(e, CURLOPT_URL, q.url.c_str());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->errorBuffer);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Certificates are verified against the system's store; a PEM file named
    // by SSL_CERT_FILE is trusted besides it (the store's folder stays in use).
    if (const char* extra = std::getenv("SSL_CERT_FILE"); extra && *extra) {
      curl_easy_setopt(e, CURLOPT_CAINFO, extra);
    }
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, q.followRedirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(std::max(q.maxRedirects, 0)));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, std::max(q.connectTimeoutMs, 0L));
    curl_easy_setopt(e, CURLOPT_DNS_CACHE_TIMEOUT, kDnsCacheSeconds);
    // Requests to a host that speaks HTTP/2 share its connection (libcurl
    // multiplexes by default). CURLOPT_PIPEWAIT is left off: with it a
    // request waited for the host's busy HTTP/1.1 connection, behind a slow
    // answer, instead of opening another.
    // A proxy's answer to the tunnel request is not the page's header block.
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBodyData);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, t);
    if (q.noCache) {
      t->extraHeaders = curl_slist_append(t->extraHeaders, "Cache-Control: no-cache");
      t->extraHeaders = curl_slist_append(t->extraHeaders, "Pragma: no-cache");
      curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->extraHeaders);
    }
    // A local file without a body wanted: only whether it can be read.
    if (t->isFile && t->keepBytes == 0) curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    if (t->lookingUp) {
      curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, &OnSocketOpened);
      curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, t);
      curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &OnConnected);
      curl_easy_setopt(e, CURLOPT_PREREQDATA, t);
    }
  }

  std::int64_t DeadlineMs(const Transfer* t) const {
    return t->request.totalTimeoutMs > 0 ? t->response.startedAtMs + t->request.totalTimeoutMs : 0;
  }

  // (Re)starts the transfer on the multi handle; the whole-transfer limit
  // counts from the first attempt.
  void Attach(Transfer* t) {
    t->ResetAttempt();
    long timeoutMs = 0;
    if (const std::int64_t deadline = DeadlineMs(t)) {
      timeoutMs = static_cast<long>(std::max<std::int64_t>(deadline - clock_.NowMs(), 1));
    }
    curl_easy_setopt(t->easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    ++t->response.connectAttempts;
    t->stage = Stage::kRunning;
    if (curl_multi_add_handle(multi_, t->easy) != CURLM_OK) {
      FinishWith(t, kInternalError, "transfer could not be started");
    }
  }

  // Milliseconds to wait in curl: no longer than asked, and no longer than
  // until the next retry or body time limit of the client's clock.
  int WaitBound(int waitMs) {
    std::int64_t bound = waitMs;
    const std::int64_t now = clock_.NowMs();
    for (const Transfer* t : holding_) {
      std::int64_t due = -1;
      if (t->stage == Stage::kRetryWait) {
        due = t->retryAtMs;
      } else if (t->draining) {
        due = t->response.headersAtMs + kDrainMs;
      } else if (t->finalHeaders && t->request.bodyTimeLimitMs > 0) {
        due = t->response.headersAtMs + t->request.bodyTimeLimitMs;
      }
      if (due >= 0) bound = std::min(bound, std::max<std::int64_t>(due - now, 0));
    }
    for (const auto& [key, share] : shares_) {
      if (share.resumeAtMs > now) bound = std::min(bound, share.resumeAtMs - now);
    }
    return static_cast<int>(bound);
  }

  // One round of the pool: what the clock made due, what curl has to do,
  // answers handed over, stalled bodies ended, free slots filled.
  void Drive(std::unique_lock<std::mutex>& lock) {
    const std::int64_t now = clock_.NowMs();
    for (auto& [key, share] : shares_) {
      if (share.resumeAtMs == 0 || share.resumeAtMs > now) continue;
      share.resumeAtMs = 0;
      auto host = hosts_.find(key);
      if (host != hosts_.end()) UpdateReady(key, host->second);
    }
    std::vector<Transfer*> due;
    for (Transfer* t : holding_) {
      if (t->stage == Stage::kRetryWait && now >= t->retryAtMs) due.push_back(t);
    }
    for (Transfer* t : due) Attach(t);
    // Transfers started in this round are sent in it too, before the caller
    // is woken to take the answers: a connection set free by an answer goes
    // on with the next request at once.
    for (int pass = 0; pass < kPassesPerRound; ++pass) {
      if (Perform(lock) == 0) break;
    }
  }

  // curl's work, the answers and ends it brought, stalled bodies, free slots
  // filled; returns how many transfers were started.
  int Perform(std::unique_lock<std::mutex>& lock) {
    int running = 0;
    // curl reads and writes without the lock: the caller hands over, takes
    // and cancels meanwhile instead of waiting for the sockets. curl's
    // callbacks touch only what this thread owns (a response handed over is
    // left alone); transfers cancelled meanwhile are let go before the ended
    // ones are looked at.
    lock.unlock();
    curl_multi_perform(multi_, &running);
    lock.lock();
    ProcessDiscarded();
    for (std::size_t i = 0; i < holding_.size(); ++i) {
      if (holding_[i]->lookingUp && holding_[i]->nameFound) EndLookup(holding_[i]);
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      Transfer* t = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &t);
      if (t) OnTransferEnd(t, msg->data.result);
    }
    std::vector<Transfer*> answered;
    for (Transfer* t : holding_) {
      if (t->stage == Stage::kRunning && t->answered) answered.push_back(t);
    }
    for (Transfer* t : answered) Deliver(t);

    // A body that stops arriving: ended by the clock, with what was read.
    const std::int64_t later = clock_.NowMs();
    std::vector<Transfer*> stalled;
    std::vector<Transfer*> slowDrains;
    for (Transfer* t : holding_) {
      if (t->draining && later - t->response.headersAtMs >= kDrainMs) slowDrains.push_back(t);
      const long limitMs = t->request.bodyTimeLimitMs;
      if (t->stage == Stage::kRunning && t->finalHeaders && limitMs > 0 &&
          later - t->response.headersAtMs >= limitMs) {
        stalled.push_back(t);
      }
    }
    for (Transfer* t : stalled) {
      curl_multi_remove_handle(multi_, t->easy);
      t->response.bodyCut = true;
      Complete(t, CURLE_OK);
    }
    for (Transfer* t : slowDrains) EndDrain(t);
    return FillSlots();
  }

  // Whether the attempt failed before a connection was made.
  static bool ConnectFailed(CURL* easy, CURLcode code) {
    if (code == CURLE_COULDNT_CONNECT) return true;
    if (code != CURLE_OPERATION_TIMEDOUT) return false;
    curl_off_t connectUs = 0;
    long requestBytes = 0;
    curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectUs);
    curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestBytes);
    return connectUs == 0 && requestBytes == 0;
  }

  // Completes the transfer, or sets it to be tried again after a failed
  // connect.
  void OnTransferEnd(Transfer* t, CURLcode code) {
    curl_multi_remove_handle(multi_, t->easy);
    EndLookup(t);
    if (t->draining) {
      EndDrain(t);
      return;
    }
    if (t->stoppedByUs && code == CURLE_WRITE_ERROR) code = CURLE_OK;
    if (code != CURLE_OK && t->finalHeaders) {
      // The request was answered; only the body reading broke off.
      t->response.bodyCut = true;
      t->response.errorText = ErrorTextOf(t, code);
      code = CURLE_OK;
    }
    if (code != CURLE_OK && ConnectFailed(t->easy, code) &&
        t->response.connectAttempts <= t->request.connectRetries) {
      const std::int64_t retryAt = clock_.NowMs() + std::max(t->request.connectBackoffMs, 0L);
      const std::int64_t deadline = DeadlineMs(t);
      if (deadline == 0 || retryAt < deadline) {
        t->stage = Stage::kRetryWait;
        t->retryAtMs = retryAt;
        return;
      }
    }
    Complete(t, code);
  }

  static std::string ErrorTextOf(const Transfer* t, CURLcode code) {
    if (t->errorBuffer[0] != '\0') return t->errorBuffer;
    return curl_easy_strerror(code);
  }

  // Hands the response over at the end of the headers; the transfer keeps
  // its slot while the rest of the body is read away.
  void Deliver(Transfer* t) {
    t->nameFound = true;
    EndLookup(t);
    Response& r = t->response;
    FillReached(t);
    long status = 0;
    curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
    r.status = status ? static_cast<int>(status) : t->blockStatus;
    r.finishedAtMs = clock_.NowMs();
    HalveShareAfterSlowAnswer(*t);
    t->stage = Stage::kFinished;
    t->draining = true;
    --unfinished_;
    ++finishedSerial_;
  }

  // The body read away (or given up): the connection goes back to the pool.
  void EndDrain(Transfer* t) {
    if (t->easy) curl_multi_remove_handle(multi_, t->easy);
    DropHandle(t);
    t->draining = false;
    auto orphan = std::find_if(orphans_.begin(), orphans_.end(),
                               [t](const auto& owned) { return owned.get() == t; });
    if (orphan != orphans_.end()) orphans_.erase(orphan);
  }

  void FillReached(Transfer* t) {
    char* url = nullptr;
    if (curl_easy_getinfo(t->easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url) {
      t->response.effectiveUrl = url;
    } else {
      t->response.effectiveUrl = t->request.url;
    }
  }

  // Fills the response from the ended attempt and releases the slot.
  void Complete(Transfer* t, CURLcode code) {
    Response& r = t->response;
    FillReached(t);
    if (code == CURLE_OK) {
      long status = 0;
      curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
      if (status == 0) status = t->blockStatus;
      r.status = t->isFile ? 200 : static_cast<int>(status);
    } else {
      r.error = ErrorCodeOf(t->easy, code);
      r.errorText = ErrorTextOf(t, code);
      r.status = 0;
      r.headers.clear();
      r.body.clear();
    }
    r.finishedAtMs = clock_.NowMs();
    if (code == CURLE_OK) HalveShareAfterSlowAnswer(*t);
    Release(t);
  }

  // The host's share is halved by a slow answer here, before its next
  // transfer can start; the caller halves its own when it takes the answer,
  // and sends it again.
  void HalveShareAfterSlowAnswer(const Transfer& t) {
    const Request& q = t.request;
    if (!q.withinShare || q.shareHalvingMs <= 0) return;
    if (t.response.ElapsedMs() < q.shareHalvingMs) return;
    auto share = shares_.find(t.hostKey);
    if (share != shares_.end()) share->second.share = std::max(1, share->second.share / 2);
  }

  void FinishWith(Transfer* t, int error, const char* text) {
    t->response.error = error;
    t->response.errorText = text;
    t->response.effectiveUrl = t->request.url;
    t->response.finishedAtMs = clock_.NowMs();
    Release(t);
  }

  // The transfer's lookup is over (found or not): the hosts held back for it
  // are looked at again.
  void EndLookup(Transfer* t) {
    if (!t->lookingUp) return;
    t->lookingUp = false;
    gate_.Ended(t->lookupName, t->nameFound);
    std::vector<std::string> keys(lookupWaiters_.begin(), lookupWaiters_.end());
    lookupWaiters_.clear();
    keys.push_back(t->hostKey);  // its host's next transfer may go now
    for (const std::string& key : keys) {
      auto host = hosts_.find(key);
      if (host != hosts_.end()) UpdateReady(key, host->second);
    }
  }

  // Gives back the slot and the handle of a transfer that ends.
  void Release(Transfer* t) {
    DropHandle(t);
    t->stage = Stage::kFinished;
    --unfinished_;
    ++finishedSerial_;
  }

  void DropHandle(Transfer* t) {
    EndLookup(t);  // while the transfer still holds its host's slot
    if (t->easy) {
      curl_easy_reset(t->easy);
      spare_.push_back(t->easy);
      t->easy = nullptr;
    }
    curl_slist_free_all(t->extraHeaders);
    t->extraHeaders = nullptr;
    auto slot = std::find(holding_.begin(), holding_.end(), t);
    if (slot != holding_.end()) {
      holding_.erase(slot);
      auto host = hosts_.find(t->hostKey);
      if (host != hosts_.end()) {
        --host->second.holding;
        if (t->request.background) --host->second.background;
        UpdateReady(t->hostKey, host->second);
      }
    }
  }

  // Ends a transfer without a response. A queued one is dropped at once (its
  // id is skipped in its host's queue); one that holds a slot is handed to
  // the pool's thread, which takes it off the multi handle.
  void Discard(std::unique_ptr<Transfer> t) {
    if (t->stage != Stage::kFinished) --unfinished_;
    const std::string key = t->hostKey;
    const bool holdsSlot = std::find(holding_.begin(), holding_.end(), t.get()) != holding_.end();
    if (holdsSlot) discarded_.push_back(std::move(t));
    t.reset();
    auto host = hosts_.find(key);
    if (host != hosts_.end()) UpdateReady(key, host->second);
  }

  void DiscardAll() {
    std::vector<std::unique_ptr<Transfer>> all = std::move(orphans_);
    orphans_.clear();
    for (auto& [id, t] : transfers_) all.push_back(std::move(t));
    transfers_.clear();
    for (auto& t : all) Discard(std::move(t));
    polledSerial_ = finishedSerial_;
  }

  // On the pool's thread (or with it stopped).
  void ProcessDiscarded() {
    for (auto& t : discarded_) {
      if (t->easy && (t->stage == Stage::kRunning || t->draining)) {
        curl_multi_remove_handle(multi_, t->easy);
      }
      DropHandle(t.get());
    }
    discarded_.clear();
  }

  Clock& clock_;
  CURLM* multi_ = nullptr;  // the pool's thread's alone, but for curl_multi_wakeup
  std::thread worker_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable doneCv_;
  bool stopping_ = false;
  bool wakeSent_ = false;  // a wake-up is on its way to the thread's next round
  bool limitsChanged_ = false;
  std::uint64_t roundsBegun_ = 0;
  std::uint64_t roundsDone_ = 0;
  std::uint64_t roundsWanted_ = 0;
  std::uint64_t finishedSerial_ = 0;  // counts transfers that finished
  std::uint64_t polledSerial_ = 0;    // what the last Poll reported
  int maxTransfers_ = kDefaultMaxTransfers;
  int maxPerHost_ = kDefaultMaxPerHost;
  TransferId nextId_ = 1;
  std::unordered_map<TransferId, std::unique_ptr<Transfer>> transfers_;
  std::unordered_map<std::string, Host> hosts_;
  std::set<std::pair<TransferId, std::string>> ready_;
  std::vector<Transfer*> holding_;  // transfers holding a slot (running or waiting to retry)
  std::vector<CURL*> spare_;        // handles kept for the next transfers
  // Taken transfers whose rest of body is still being read away.
  std::vector<std::unique_ptr<Transfer>> orphans_;
  // Cancelled while holding a slot: taken off the multi handle by the thread.
  std::vector<std::unique_ptr<Transfer>> discarded_;
  std::unordered_map<std::string, Share> shares_;
  LookupGate gate_;
  std::set<std::string> lookupWaiters_;  // hosts held back until a lookup ends
  std::size_t unfinished_ = 0;
};

}  // namespace

std::unique_ptr<Client> MakeCurlClient(Clock& clock) {
  return std::make_unique<CurlClient>(clock);
}

Response Fetch(Client& client, const Request& request, const std::function<void()>& idle) {
  const TransferId id = client.Start(request);
  while (!client.Done(id)) {
    client.Poll(50);
    if (idle) idle();
  }
  return client.Take(id);
}

}  // namespace vex::http
