#include "probe/link_probe.h"

#include <filesystem>
#include <limits>
#include <optional>

#include "context/app.h"
#include "context/texts.h"
#include "context/url_forms.h"
#include "platform/html/html_decode.h"
#include "platform/html/url_resolve.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "probe/anchor_check.h"
#include "probe/probe_prefetch.h"

namespace vex {

namespace {

constexpr std::string_view kAnswered200 = "<><200><>";

void PrefixProgress(App& app, std::string_view marker) {
  app.progress.Label2.insert(0, marker);
  app.ui.Refresh(View::Progress);
}

void SetFlag(App& app, LinkFlag flag) {
  app.state.Flags[flag] = 1;
}

// What the client's fixed-size queries give: the whole text, or nothing when
// it does not fit.
std::string_view QueryText(std::string_view text) {
  return text.size() <= kStatusQueryBytes ? text : std::string_view();
}

// Addresses compared for the redirect test. An address without a path names
// the root page ("http://host" and "http://host/" are one page).
std::string ComparableAddress(std::string_view address) {
  std::string a(address);
  const std::size_t scheme = a.find("://");
  if (scheme != std::string::npos && a.find('/', scheme + 3) == std::string::npos) a += '/';
  return a;
}

bool IsExistingFileOrFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(std::filesystem::path(path), ec);
}

// --- character set of a reply -------------------------------------------

bool IsCharsetNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// The name after "charset" at `at` (just behind the word): blanks, "=",
// blanks and quotes may come between.
std::string NameAfterCharsetWord(std::string_view text, std::size_t at) {
  auto skip = [&](std::string_view set) {
    while (at < text.size() && set.find(text[at]) != std::string_view::npos) ++at;
  };
  skip(" \t");
  if (at >= text.size() || text[at] != '=') return {};
  ++at;
  skip(" \t\"'");
  const std::size_t begin = at;
  while (at < text.size() && IsCharsetNameChar(text[at])) ++at;
  return std::string(text.substr(begin, at - begin));
}

std::string CharsetOfHeaders(std::string_view headers) {
  for (const std::string& line : SplitLines(headers)) {
    const std::string upper = UpperAscii(line);
    if (!StartsWith(upper, "CONTENT-TYPE:")) continue;
    std::size_t at = Pos(upper, "CHARSET");
    while (at != 0) {
      std::string name = NameAfterCharsetWord(line, at - 1 + 7);
      if (!name.empty()) return name;
      at = Pos(upper, "CHARSET", at + 7);
    }
  }
  return {};
}

std::string CharsetOfMeta(std::string_view body) {
  const std::string upper = UpperAscii(body);
  std::size_t meta = Pos(upper, "<META");
  while (meta != 0) {
    std::size_t end = Pos(upper, ">", meta);
    if (end == 0) end = upper.size() + 1;
    const std::string_view tag = std::string_view(upper).substr(meta - 1, end - meta);
    std::size_t at = Pos(tag, "CHARSET");
    while (at != 0) {
      std::string name = NameAfterCharsetWord(tag, at - 1 + 7);
      if (!name.empty()) return name;
      at = Pos(tag, "CHARSET", at + 7);
    }
    meta = Pos(upper, "<META", meta + 5);
  }
  return {};
}

// --- the request ----------------------------------------------------------

// What the answer tells beyond the mark, for the run's results.
void KeepDetails(ProbeDetails& details, const http::Response& response, const WebAnswer& answer) {
  details.error = response.error;
  details.ms = answer.ms;
  if (response.error != http::kOk) return;
  details.status = response.status;
  const std::size_t lineEnd = response.headers.find_first_of("\r\n");
  details.statusLine = response.headers.substr(0, lineEnd);
  if (answer.redirected) details.reached = response.effectiveUrl;
}

http::Response RunTransfer(App& app, const http::Request& request) {
  const http::TransferId id = app.http.Start(request);
  // The client ends every transfer by its total limit, so this loop ends.
  while (!app.http.Done(id)) {
    app.http.Poll(kProbePollMs);
    app.ProcessEvents();
  }
  return app.http.Take(id);
}

// The marks of an answered request (the rules after the time limit).
std::string JudgeAnswer(App& app, const WebAnswer& answer, const std::string& address,
                        const std::string& fragment) {
  const int cm = app.state.CharMode;
  const bool jumpCheck = app.state.JumpMode == 1;
  switch (answer.verdict) {
    case WebVerdict::OpenFailed:
      SetFlag(app, FlagBroken);
      return answer.failureMark;
    case WebVerdict::TimedOut:
      SetFlag(app, FlagTimedOut);
      return std::string(texts::MarkUnknown[cm]);
    case WebVerdict::Auth:
      SetFlag(app, FlagAuth);
      return std::string(texts::MarkAuth[cm]);
    case WebVerdict::Broken:
      SetFlag(app, FlagBroken);
      return std::string(texts::MarkNG[cm]);
    case WebVerdict::Slow: {
      if (fragment.empty()) {
        std::string jump = jumpCheck ? CheckAnchor(app, address, std::nullopt) : std::string();
        return jump + std::string(texts::MarkOk2[cm]);
      }
      std::string anchor = CheckAnchor(app, address, fragment);
      if (!StartsWith(anchor, "#")) return anchor;
      if (anchor.size() > 1 && anchor[1] == 'x') {
        SetFlag(app, FlagAnchor);
        return std::string(texts::AnchorXOk2[cm]);
      }
      if (anchor == texts::AnchorNG[cm]) return anchor;
      return std::string(texts::AnchorOk2[cm]);
    }
    case WebVerdict::Good:
      if (!fragment.empty()) return CheckAnchor(app, address, fragment);
      if (jumpCheck)
        return CheckAnchor(app, address, std::nullopt) + std::string(texts::MarkOK[cm]);
      return std::string(texts::MarkOK[cm]);
  }
  return std::string(texts::MarkNG[cm]);
}

std::string ProbeWebLink(App& app, const std::string& address, const std::string& fragment) {
  RunState& st = app.state;
  app.ProcessEvents();
  PrefixProgress(app, "o>");
  app.ProcessEvents();
  // The prefetcher has usually asked already; otherwise the request is made here.
  const http::Response response = app.Prefetch
                                      ? app.Prefetch->ProbeResponse(address)
                                      : RunTransfer(app, ProbeRequest(address, st.JumpMode));
  WebAnswer answer = ReadWebAnswer(response, address, st.JumpMode, st.CharMode);
  KeepDetails(app.results.link, response, answer);
  if (answer.answered) {
    PrefixProgress(app, "q");
    app.ProcessEvents();
    PrefixProgress(app, "h");
    app.ProcessEvents();
    st.LinkPageText = std::move(answer.pageText);
  }
  app.ProcessEvents();
  st.FrameUrls.push_back(answer.LogLine());

  std::string result = JudgeAnswer(app, answer, address, fragment);
  const bool answeredInTime =
      answer.verdict != WebVerdict::OpenFailed && answer.verdict != WebVerdict::TimedOut;
  if (answeredInTime && answer.redirected) {
    SetFlag(app, FlagRedirected);
    result.insert(0, "R-");
  }
  return result;
}

// A "file:///" address, or a path that is not there as written.
std::string ProbeFileAddress(App& app, const std::string& address, const std::string& fragment) {
  const int cm = app.state.CharMode;
  const int r = CheckFileAddress(app, address, PageText::Load, AddressRole::Link);
  if (r != kAddressExact) app.results.link.missingFile = true;
  if (r == kAddressMisspelt) {
    SetFlag(app, FlagBroken);
    return std::string(texts::MarkNG[cm]) + "a)";
  }
  if (r != kAddressExact) {
    SetFlag(app, FlagBroken);
    return std::string(texts::MarkNG[cm]);
  }
  if (!fragment.empty()) return CheckAnchor(app, address, fragment);
  if (app.state.JumpMode == 1) {
    return CheckAnchor(app, address, std::nullopt) + std::string(texts::MarkOK[cm]);
  }
  return std::string(texts::MarkOK[cm]);
}

}  // namespace

std::string WithoutFragmentDirective(const std::string& link) {
  const std::size_t hash = link.find('#');
  if (hash == std::string::npos) return link;
  const std::size_t directive = link.find(":~:", hash);
  if (directive == std::string::npos) return link;
  // Nothing before the directive: the link names the page alone.
  if (directive == hash + 1) return link.substr(0, hash);
  return link.substr(0, directive);
}

std::int32_t ElapsedMs(std::int64_t laterMs, std::int64_t earlierMs) {
  // Both readings are well inside int64, so the difference cannot overflow
  // unless they come from different epochs; guard that too.
  std::int64_t diff = 0;
  if (__builtin_sub_overflow(laterMs, earlierMs, &diff))
    return std::numeric_limits<std::int32_t>::max();
  if (diff > std::numeric_limits<std::int32_t>::max() ||
      diff < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(diff);
}

http::Request ProbeRequest(const std::string& address, int jumpMode) {
  http::Request q;
  q.url = address;
  q.connectTimeoutMs = kProbeConnectTimeoutMs;
  q.connectRetries = kProbeConnectRetries;
  q.connectBackoffMs = kProbeConnectBackoffMs;
  q.totalTimeoutMs = kVerdictLimitMs + kProbeTransferMarginMs;
  q.followRedirects = true;
  if (jumpMode == 1) {
    // Fresh from the server, and the beginning of the body for the jump
    // check (kept only when the answer is 200).
    q.noCache = true;
    q.maxBodyBytes = kPageTextBytes;
    q.readPieceBytes = kReadPieceBytes;
    q.bodyTimeLimitMs = kBodyReadLimitMs;
  }
  return q;
}

std::string WebAnswer::LogLine() const {
  return "(" + std::to_string(ms) + "ms)" + statusText;
}

WebAnswer ReadWebAnswer(const http::Response& response, const std::string& address, int jumpMode,
                        int charMode) {
  WebAnswer a;
  if (response.error != http::kOk) {
    a.ms = ElapsedMs(response.finishedAtMs, response.startedAtMs);
    a.statusText = "OpenUrl Error:" + std::to_string(response.error);
    if (Contains(a.statusText, "12002") || Contains(a.statusText, "12007")) {
      a.statusText = std::string(texts::MarkNG[charMode]);
      a.failureMark = a.statusText;
    } else {
      a.failureMark = "(X" + a.statusText + "X)";
    }
    // The transfer limit is the verdict limit: a server that never answered
    // within it gets the time-out mark, not the broken one.
    const bool noAnswerInTime = response.error == http::kTimeout && a.ms > kVerdictLimitMs;
    a.verdict = noAnswerInTime ? WebVerdict::TimedOut : WebVerdict::OpenFailed;
    return a;
  }

  a.answered = true;
  a.statusText = "<><" + std::to_string(response.status) + "><>" + ":" +
                 std::string(QueryText(response.headers));
  a.ms = ElapsedMs(response.headersAtMs != 0 ? response.headersAtMs : response.finishedAtMs,
                   response.startedAtMs);
  std::string compared = address;
  if (Contains(a.statusText, kAnswered200) && !response.effectiveUrl.empty()) {
    const std::string_view reached = QueryText(response.effectiveUrl);
    if (!reached.empty()) a.statusText += ":" + std::string(reached);
    compared = response.effectiveUrl;
  }
  if (jumpMode == 1 && Contains(a.statusText, kAnswered200)) {
    a.pageText = LinkPageTextOf(response.headers, response.body);
  }

  const std::string lower = LowerAscii(a.statusText);
  if (a.ms > kVerdictLimitMs) {
    a.verdict = WebVerdict::TimedOut;
    return a;
  }
  if (!Contains(lower, kAnswered200)) {
    a.verdict = Contains(lower, "<><401><>") ? WebVerdict::Auth : WebVerdict::Broken;
  } else if (Contains(lower, "404 not found")) {
    a.verdict = WebVerdict::Broken;
  } else if (Contains(lower, "401 authorization required")) {
    a.verdict = WebVerdict::Auth;
  } else {
    a.verdict = a.ms >= kSlowAnswerMs ? WebVerdict::Slow : WebVerdict::Good;
  }
  a.redirected = !EqualsIgnoreCase(ComparableAddress(compared), ComparableAddress(address));
  return a;
}

std::string CharsetOfReply(std::string_view headers, std::string_view body) {
  std::string name = CharsetOfHeaders(headers);
  if (name.empty()) name = CharsetOfMeta(body);
  return name;
}

std::string LinkPageTextOf(std::string_view headers, std::string_view body) {
  if (body.empty()) return {};
  return UpperAscii(DecodePage(body, HeaderValue(headers, "Content-Type")).text);
}

std::string ProbeLink(App& app, const std::string& link) {
  RunState& st = app.state;
  const int cm = st.CharMode;
  const std::string judged = WithoutFragmentDirective(link);
  const std::size_t hash = Pos(judged, "#");

  // The only "#" is the last character (an empty link too).
  if (hash == judged.size()) return std::string(texts::AnchorWarn[cm]);

  if (hash != 0) app.results.link.anchor = judged.substr(hash);

  // An anchor of the page being checked.
  if (hash == 1) {
    st.LinkPageText.clear();
    if (st.JumpMode == 1) st.LinkPageText = UpperAscii(JoinLines(st.WorkLines));
    return CheckAnchor(app, std::string(), judged.substr(1));
  }

  const std::string address = hash != 0 ? judged.substr(0, hash - 1) : judged;
  const std::string fragment = hash != 0 ? judged.substr(hash) : std::string();

  const std::string scheme = UrlScheme(address);
  if (IsProbedWebLink(st, address)) return ProbeWebLink(app, address, fragment);
  // A plain path that is there: good, whatever its fragment says.
  if (IsExistingFileOrFolder(address)) return std::string(texts::MarkOK[cm]);
  if (scheme == "file") return ProbeFileAddress(app, address, fragment);
  app.results.link.missingFile = true;
  SetFlag(app, FlagBroken);
  return std::string(texts::MarkNG[cm]);
}

}  // namespace vex
