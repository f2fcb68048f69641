#include "cli/findings.h"

#include <string_view>

#include "cli/cli_texts.h"
#include "context/texts.h"
#include "platform/http/http_client.h"
#include "probe/link_probe.h"

namespace vex::cli {

namespace {

std::string_view UsualStatusText(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 410:
      return "Gone";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return {};
  }
}

std::string ErrorReason(int error, int cm) {
  switch (error) {
    case http::kNameNotResolved:
      return std::string(ReasonHostNotFound[cm]);
    case http::kCannotConnect:
      return std::string(ReasonRefused[cm]);
    case http::kTimeout:
      return WithValue(ReasonTimeOut[cm], std::to_string(kVerdictLimitMs / 1000));
    case http::kConnectionAborted:
    case http::kConnectionReset:
      return std::string(ReasonAborted[cm]);
    case http::kInvalidServerResponse:
    case http::kDecodingFailed:
      return std::string(ReasonBadAnswer[cm]);
    case http::kRedirectLimit:
      return std::string(ReasonRedirectLoop[cm]);
    case http::kInvalidUrl:
      return std::string(ReasonBadAddress[cm]);
    case http::kUnrecognizedScheme:
      return std::string(ReasonScheme[cm]);
    case http::kSecureFailure:
    case http::kSecureCertInvalid:
    case http::kSecureCertDateInvalid:
    case http::kSecureCertNameInvalid:
    case http::kSecureClientCertNeeded:
    case http::kSecureInvalidCa:
    case http::kSecureCertRevoked:
      return std::string(ReasonSecure[cm]);
    case http::kFileNotFound:
      return std::string(ReasonNoFile[cm]);
    default:
      return WithValue(ReasonClientError[cm], std::to_string(error));
  }
}

bool HasMissingAnchor(const std::string& mark) {
  for (int cm = 0; cm < 2; ++cm) {
    if (mark.find(texts::AnchorNG[cm]) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

bool IsProblemLink(const LinkResult& link) {
  for (const LinkFlag flag : {FlagBroken, FlagTimedOut, FlagAnchor, FlagJump, FlagRedirected}) {
    if (link.flags[flag] != 0) return true;
  }
  return HasMissingAnchor(link.mark);
}

std::string StatusText(int status, const std::string& statusLine) {
  // "HTTP/1.1 404 Not Found": the phrase after the code, when there is one.
  const std::string code = std::to_string(status);
  const std::size_t at = statusLine.find(" " + code + " ");
  if (at != std::string::npos) {
    const std::string phrase = statusLine.substr(at + code.size() + 2);
    if (phrase.find_first_not_of(' ') != std::string::npos) return code + " " + phrase;
  }
  const std::string_view usual = UsualStatusText(status);
  return usual.empty() ? code : code + " " + std::string(usual);
}

std::string LinkReason(const LinkResult& link, int cm) {
  const ProbeDetails& d = link.probe;
  std::string out;
  const auto add = [&out](const std::string& part) {
    if (part.empty()) return;
    if (!out.empty()) out += "; ";
    out += part;
  };
  if (d.error != 0) {
    add(ErrorReason(d.error, cm));
  } else if (d.status != 0 && (d.status != 200 || link.flags[FlagBroken] != 0)) {
    add(StatusText(d.status, d.statusLine));
  }
  if (d.missingFile) add(std::string(ReasonNoFile[cm]));
  if (d.error == 0 && link.flags[FlagTimedOut] != 0) {
    add(WithValue(ReasonTimeOut[cm], std::to_string(kVerdictLimitMs / 1000)));
  }
  if (d.error == 0 && d.ms >= kSlowAnswerMs)
    add(WithValue(ReasonAnswerTime[cm], std::to_string(d.ms)));
  if (!d.reached.empty()) add(WithValue(ReasonReached[cm], d.reached));
  if (HasMissingAnchor(link.mark)) {
    add(WithValue(ReasonNoAnchor[cm], d.anchor));
  } else if (link.flags[FlagAnchor] != 0) {
    add(WithValue(ReasonDoubtfulAnchor[cm], d.anchor));
  }
  if (link.flags[FlagJump] != 0) {
    add(std::string(link.mark.find("(J?)") != std::string::npos ? ReasonMoved[cm]
                                                                : ReasonJump[cm]));
  }
  return out;
}

std::string FindingsText(const RunResults& results, int cm) {
  std::string out;
  for (const PageResult& page : results.pages) {
    std::string rating = page.rating;
    if (page.cancelled) {
      rating = std::string(FindingsCancelled[cm]);
    } else if (rating.empty()) {
      rating = std::string(FindingsNotRated[cm]);
    }
    out += std::string(FindingsPage[cm]) + page.target + " (" + rating + ")\n";
    bool any = false;
    for (const LinkResult& link : page.links) {
      if (!IsProblemLink(link)) continue;
      any = true;
      out += "  " + link.mark + "  " + link.address;
      const std::string reason = LinkReason(link, cm);
      if (!reason.empty()) out += "  [" + reason + "]";
      out += "\n";
    }
    if (!any && page.checked) out += std::string(FindingsNone[cm]) + "\n";
  }
  return out;
}

}  // namespace vex::cli
