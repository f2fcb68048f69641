// The probe of one link: web links through the HTTP client, local links on
// disk, fragments and automatic jumps through the anchor check. Its result is
// the mark the link walk puts beside the link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "context/browser.h"
#include "platform/http/http_client.h"

namespace vex {

struct App;

// Answers at or above this many ms are slow; above the verdict limit there
// was no answer.
inline constexpr std::int32_t kSlowAnswerMs = 3000;
inline constexpr std::int32_t kVerdictLimitMs = 15000;
inline constexpr long kProbeConnectTimeoutMs = 5000;
inline constexpr int kProbeConnectRetries = 3;
inline constexpr long kProbeConnectBackoffMs = 500;
// The verdict limit also ends the transfer, so a server that never answers
// cannot hold the walk; the margin lets an answer just under the limit in.
inline constexpr long kProbeTransferMarginMs = 500;
inline constexpr long kBodyReadLimitMs = 15000;
// Longest text the client's status and address queries give (their buffer
// holds 256 bytes with the closing zero).
inline constexpr std::size_t kStatusQueryBytes = 255;
// Polling step of a running request, between event processing.
inline constexpr int kProbePollMs = 50;

// Milliseconds from `earlierMs` to `laterMs` (wall-clock readings in ms);
// 2147483647 when the difference does not fit a signed 32-bit integer.
[[nodiscard]] std::int32_t ElapsedMs(std::int64_t laterMs, std::int64_t earlierMs);

// Judges one link as written in the page and returns its mark. Sets
// app.state.Flags, LinkPageText and the details in app.results.link (which
// the caller clears); appends a log line per web request to
// FrameUrls; puts progress markers in front of app.progress.Label2.
[[nodiscard]] std::string ProbeLink(App& app, const std::string& link);

// The link as it is judged: a fragment directive (from ":~:" on, such as a
// text fragment) names no element and is dropped; a fragment holding nothing
// else goes with it, "#" and all.
[[nodiscard]] std::string WithoutFragmentDirective(const std::string& link);

// The request that probes a web address (fragment already removed).
http::Request ProbeRequest(const std::string& address, int jumpMode);

// What a finished web request says, before anchors and jumps are looked at.
enum class WebVerdict {
  OpenFailed,  // no answer: `failureMark` is the result
  TimedOut,    // no answer within the verdict limit
  Auth,        // authorisation required
  Broken,      // answered, but not with the page
  Good,        // answered in under kSlowAnswerMs
  Slow,        // answered in kSlowAnswerMs to kVerdictLimitMs
};

struct WebAnswer {
  WebVerdict verdict = WebVerdict::OpenFailed;
  std::string statusText;   // status, header block and reached address
  std::int32_t ms = 0;      // from the transfer's start to its headers
  bool answered = false;    // the request was answered (LinkPageText is set)
  std::string failureMark;  // for OpenFailed
  bool redirected = false;  // the reached address is another one
  std::string pageText;     // LinkPageText: beginning of the page, upper-cased
  std::string LogLine() const;
};

// Reads a finished transfer of `address` (as requested, without fragment).
// A pure function, so a prefetcher can judge responses it gathered itself.
[[nodiscard]] WebAnswer ReadWebAnswer(const http::Response& response, const std::string& address,
                                      int jumpMode, int charMode);

// The character set a reply names: the Content-Type header's charset
// parameter; when there is none, a meta declaration in the bytes read.
// Empty when neither names one.
std::string CharsetOfReply(std::string_view headers, std::string_view body);
// The beginning of a linked page as the jump check reads it: decoded as the
// page itself is (DecodePage), upper-cased (ASCII letters).
std::string LinkPageTextOf(std::string_view headers, std::string_view body);

}  // namespace vex
