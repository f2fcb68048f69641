// The HTTP client: the one interface over libcurl. Many transfers can be in
// flight; they move on by themselves (off the caller's thread), and a caller
// learns of finished ones with Poll(), keeping its user interface alive
// between polls. No other module calls curl.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/system/clock.h"

namespace vex::http {

// Error codes in the internet client's numbering, shown to users in marks.
enum ErrorCode : int {
  kOk = 0,
  kTimeout = 12002,  // operation timed out
  kInternalError = 12004,
  kInvalidUrl = 12005,
  kUnrecognizedScheme = 12006,
  kNameNotResolved = 12007,
  kOperationCancelled = 12017,
  kCannotConnect = 12029,
  kConnectionAborted = 12030,
  kConnectionReset = 12031,
  kInvalidServerResponse = 12152,
  kSecureFailure = 12157,
  kSecureCertInvalid = 12169,
  kRedirectLimit = 12156,
  // Further numbers of the same family, for failures the ones above do not name.
  kFileNotFound = 2,  // a "file:" address that cannot be read
  kSecureCertDateInvalid = 12037,
  kSecureCertNameInvalid = 12038,
  kSecureClientCertNeeded = 12044,
  kSecureInvalidCa = 12045,
  kSecureCertRevoked = 12170,
  kDecodingFailed = 12175,
};

struct Request {
  std::string url;
  long connectTimeoutMs = 5000;
  int connectRetries = 0;       // further connect attempts after a failed one
  long connectBackoffMs = 0;    // pause before each retry
  long totalTimeoutMs = 15500;  // whole-transfer limit; the transfer fails with kTimeout
  bool noCache = false;         // ask caches on the way for a fresh copy
  bool followRedirects = true;
  // Body bytes to keep: reading stops once more than this many are held.
  // 0 means no body is read at all (the transfer ends after the headers).
  std::size_t maxBodyBytes = 0;
  // Reading of the body stops this many ms after the headers arrived
  // (0: no limit beyond totalTimeoutMs).
  long bodyTimeLimitMs = 0;
  // Reads are counted in pieces of this size: when the body is longer, the
  // smallest whole number of pieces above maxBodyBytes is kept (0: pieces of
  // one byte, so maxBodyBytes + 1 bytes are kept).
  std::size_t readPieceBytes = 0;
  int maxRedirects = 10;  // more redirects than this fail with kRedirectLimit
  std::string host;       // optional: the key for per-host limits; derived from url when empty
  // Waits while its host has as many transfers as the share that
  // SetHostShare gave it (without one: only the per-host limit applies).
  bool withinShare = false;
  // Within a share: an answer that takes at least this long (to the end of
  // its header block) halves the host's share at once, as the caller does
  // when it takes it, so that the host's next transfer does not start beside
  // another meanwhile. 0: never.
  long shareHalvingMs = 0;
  // Goes before the transfers already queued for its host, and its share
  // does not count the host's `background` transfers.
  bool first = false;
  bool background = false;  // not timed for a verdict (a page read ahead)
};

struct Response {
  int error = kOk;           // 0 on success, else an ErrorCode value
  std::string errorText;     // first detailed message of the client
  int status = 0;            // HTTP status of the final response (0 when none)
  std::string headers;       // raw header block of the final response, CR LF between lines
  std::string effectiveUrl;  // address finally reached
  std::string body;          // the body as read (limited by maxBodyBytes)
  // Reading of the body ended before its end: a limit of the request, or a
  // failure after the headers had arrived (which is not an error: the
  // request itself was answered; errorText then says what happened).
  bool bodyCut = false;
  int connectAttempts = 0;  // connections tried (1 + retries used)
  // Another transfer to the same host was under way while this one waited
  // for its answer: its time may include waiting behind that one.
  bool hostShared = false;
  // Clock readings (of the client's clock): transfer start, headers complete, end.
  std::int64_t startedAtMs = 0;
  std::int64_t headersAtMs = 0;
  std::int64_t finishedAtMs = 0;
  std::int64_t ElapsedMs() const {
    return (headersAtMs ? headersAtMs : finishedAtMs) - startedAtMs;
  }
};

using TransferId = std::uint64_t;

class Client {
 public:
  virtual ~Client() = default;
  // Queues a transfer; it starts at once unless a concurrency limit holds it back.
  virtual TransferId Start(const Request& request) = 0;
  // Drives all transfers for at most waitMs milliseconds (0: no waiting).
  // Returns true when at least one transfer finished.
  virtual bool Poll(int waitMs) = 0;
  virtual bool Done(TransferId id) const = 0;
  // Takes the response of a finished transfer (once). An unknown, cancelled
  // or already taken transfer counts as done and gives kOperationCancelled.
  virtual Response Take(TransferId id) = 0;
  // Ends transfers at once (queued or running) and forgets them.
  virtual void Cancel(TransferId id) = 0;
  virtual void CancelAll() = 0;
  // Transfers not finished yet, queued ones included.
  virtual std::size_t InFlight() const = 0;
  // Limits of the pool: transfers at once, and per host.
  virtual void SetLimits(int maxTransfers, int maxPerHost) = 0;
  // The share of a host for transfers asked `withinShare`: at most `share`
  // of the host's transfers at once (never above the per-host limit), and
  // none of them starts before `resumeAtMs` on the client's clock. A share of
  // 0 forgets the host's share.
  virtual void SetHostShare(const std::string& host, int share, std::int64_t resumeAtMs) {
    (void)host;
    (void)share;
    (void)resumeAtMs;
  }
  // Forgets kept-alive connections and remembered host names, so that a new
  // run looks every host up afresh; transfers still in flight are cancelled.
  virtual void ResetConnections() {}
};

// The client over libcurl. For "file:" addresses, status is 200 when the file
// was read (or, with maxBodyBytes 0, exists) and the header block is empty;
// a file that cannot be read gives kFileNotFound.
std::unique_ptr<Client> MakeCurlClient(Clock& clock = DefaultClock());

// One request, waited for; `idle` is called between polls (the front end's
// event processing). Thin helper over the pool.
Response Fetch(Client& client, const Request& request, const std::function<void()>& idle = {});

}  // namespace vex::http
