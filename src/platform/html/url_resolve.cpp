#include "platform/html/url_resolve.h"

#include <vector>

#include "platform/text/text.h"

namespace vex {

namespace {

struct UrlParts {
  std::string scheme;  // lower case, empty when the reference has none
  bool hasAuthority = false;
  std::string authority;
  std::string path;
  bool hasQuery = false;
  std::string query;
  bool hasFragment = false;
  std::string fragment;
};

bool IsSchemeChar(char c, bool first) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  if (first) return false;
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Length of the scheme (without ':'), 0 when the text has none.
std::size_t SchemeLength(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == ':') return i;
    if (!IsSchemeChar(s[i], i == 0)) return 0;
  }
  return 0;
}

bool IsSpecial(std::string_view scheme) {
  return scheme == "http" || scheme == "https" || scheme == "file" || scheme == "ftp" ||
         scheme == "ws" || scheme == "wss";
}

std::string CleanReference(std::string_view raw) {
  std::size_t b = 0, e = raw.size();
  while (b < e && static_cast<unsigned char>(raw[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(raw[e - 1]) <= 0x20) --e;
  std::string out;
  out.reserve(e - b);
  for (std::size_t i = b; i < e; ++i) {
    if (raw[i] != '\t' && raw[i] != '\n' && raw[i] != '\r') out += raw[i];
  }
  return out;
}

UrlParts Split(std::string_view s) {
  UrlParts p;
  if (std::size_t n = SchemeLength(s); n > 0) {
    p.scheme = LowerAscii(s.substr(0, n));
    s.remove_prefix(n + 1);
  }
  std::string work;
  if (p.scheme.empty() || IsSpecial(p.scheme)) {
    // Back slashes count as slashes before the query.
    std::size_t q = s.find_first_of("?#");
    work.assign(s);
    for (std::size_t i = 0; i < work.size() && i < q; ++i) {
      if (work[i] == '\\') work[i] = '/';
    }
    s = work;
  }
  if (std::size_t h = s.find('#'); h != std::string_view::npos) {
    p.hasFragment = true;
    p.fragment.assign(s.substr(h + 1));
    s = s.substr(0, h);
  }
  if (std::size_t q = s.find('?'); q != std::string_view::npos) {
    p.hasQuery = true;
    p.query.assign(s.substr(q + 1));
    s = s.substr(0, q);
  }
  if (StartsWith(s, "//")) {
    s.remove_prefix(2);
    std::size_t slash = s.find('/');
    p.hasAuthority = true;
    p.authority.assign(s.substr(0, slash));
    s = slash == std::string_view::npos ? std::string_view{} : s.substr(slash);
  }
  p.path.assign(s);
  return p;
}

std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> out;
  bool absolute = StartsWith(path, "/");
  std::string_view rest = absolute ? path.substr(1) : path;
  bool trailingSlash = false;
  while (true) {
    std::size_t slash = rest.find('/');
    std::string_view seg = rest.substr(0, slash);
    bool last = slash == std::string_view::npos;
    if (seg == ".") {
      trailingSlash = last;
    } else if (seg == "..") {
      if (!out.empty()) out.pop_back();
      trailingSlash = last;
    } else {
      out.push_back(seg);
      trailingSlash = false;
    }
    if (last) break;
    rest = rest.substr(slash + 1);
  }
  std::string result = absolute ? "/" : "";
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i > 0) result += '/';
    result += out[i];
  }
  if (trailingSlash && !out.empty() && !out.back().empty()) result += '/';
  return result;
}

std::string Merge(const UrlParts& base, std::string_view refPath) {
  if (base.hasAuthority && base.path.empty()) return "/" + std::string(refPath);
  std::size_t slash = base.path.rfind('/');
  if (slash == std::string::npos) return std::string(refPath);
  return base.path.substr(0, slash + 1) + std::string(refPath);
}

// The characters a browser escapes in each part of a web or file address;
// control characters, blanks and every byte above 0x7E always are. A "%" of
// the text stays: it already escapes.
constexpr std::string_view kPathEscaped = "\"#<>?`{}";
constexpr std::string_view kQueryEscaped = "\"#<>'";
constexpr std::string_view kFragmentEscaped = "\"<>`";
// A local file name holds "%", "#" and "?" as letters of its own.
constexpr std::string_view kFileNameEscaped = "\"#<>?`{}%";

std::string PercentEncode(std::string_view text, std::string_view escaped) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || escaped.find(ch) != std::string_view::npos) {
      AppendPercentEscape(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}

std::string Compose(UrlParts p) {
  if ((p.scheme == "http" || p.scheme == "https") && p.hasAuthority) {
    p.authority = LowerAscii(p.authority);
    if (p.path.empty()) p.path = "/";
  }
  // "file://localhost/x" is the local file /x.
  if (p.scheme == "file" && p.hasAuthority && LowerAscii(p.authority) == "localhost") {
    p.authority.clear();
  }
  const bool escape = IsSpecial(p.scheme);
  std::string out;
  if (!p.scheme.empty()) out += p.scheme + ":";
  if (p.hasAuthority) out += "//" + p.authority;
  out += escape ? PercentEncode(p.path, kPathEscaped) : p.path;
  if (p.hasQuery) out += "?" + (escape ? PercentEncode(p.query, kQueryEscaped) : p.query);
  if (p.hasFragment) {
    out += "#" + (escape ? PercentEncode(p.fragment, kFragmentEscaped) : p.fragment);
  }
  return out;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference) {
  UrlParts r = Split(CleanReference(reference));
  UrlParts b = Split(CleanReference(base));
  // "http:page.html" on a web page is relative, as browsers read it.
  if (!r.scheme.empty() && r.scheme == b.scheme && IsSpecial(r.scheme) && !r.hasAuthority) {
    r.scheme.clear();
  }
  UrlParts t;
  if (!r.scheme.empty()) {
    t = r;
    t.path = RemoveDotSegments(r.path);
    return Compose(t);
  }
  if (b.scheme.empty()) return Compose(r);
  t.scheme = b.scheme;
  if (r.hasAuthority) {
    t.hasAuthority = true;
    t.authority = r.authority;
    t.path = RemoveDotSegments(r.path);
    t.hasQuery = r.hasQuery;
    t.query = r.query;
  } else {
    t.hasAuthority = b.hasAuthority;
    t.authority = b.authority;
    if (r.path.empty()) {
      t.path = b.path;
      t.hasQuery = r.hasQuery || b.hasQuery;
      t.query = r.hasQuery ? r.query : b.query;
    } else {
      t.path = RemoveDotSegments(StartsWith(r.path, "/") ? r.path : Merge(b, r.path));
      t.hasQuery = r.hasQuery;
      t.query = r.query;
    }
  }
  t.hasFragment = r.hasFragment;
  t.fragment = r.fragment;
  return Compose(t);
}

std::string FileUrlFromPath(std::string_view absolutePath) {
  return "file://" + PercentEncode(absolutePath, kFileNameEscaped);
}

std::string UrlScheme(std::string_view address) {
  const std::string clean = CleanReference(address);
  return LowerAscii(std::string_view(clean).substr(0, SchemeLength(clean)));
}

std::optional<std::string> PathFromFileUrl(std::string_view url) {
  std::string u = CleanReference(url);
  if (!StartsWith(LowerAscii(u.substr(0, 5)), "file:")) return std::nullopt;
  std::string_view rest = std::string_view(u).substr(5);
  if (StartsWith(rest, "//")) {
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    std::string host(rest.substr(0, slash));
    if (!host.empty() && LowerAscii(host) != "localhost") return std::nullopt;
    rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  std::string path = PercentDecode(rest);
  if (path.empty() || path[0] != '/') path.insert(path.begin(), '/');
  return path;
}

}  // namespace vex
