#include "context/url_forms.h"

#include <optional>

#include "context/app.h"
#include "context/browser.h"
#include "platform/html/html_decode.h"
#include "platform/html/url_resolve.h"
#include "platform/system/file_system.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace {

// "file:///home/a.html" -> "/home/a.html": the scheme and the two slashes go,
// the path's own leading "/" stays.
constexpr std::string_view kFileScheme = "FILE:///";
constexpr std::string_view kLocalHostFileScheme = "FILE://LOCALHOST/";

bool IsWebAddress(std::string_view upper) {
  return StartsWith(upper, "HTTP://") || StartsWith(upper, "HTTPS://");
}

bool InNormalForm(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  if (Trim(path) != path) return false;
  if (Contains(path, "//")) return false;
  std::size_t at = 1;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view part = path.substr(at, slash - at);
    if (part == "." || part == "..") return false;
    at = slash + 1;
  }
  return true;
}

}  // namespace

bool IsProbedWebLink(const RunState& state, std::string_view link) {
  const std::string scheme = UrlScheme(link);
  return scheme == "http" || (state.HttpsProbes && scheme == "https");
}

bool IsProbedWebPage(const RunState& state, std::string_view upperAddress) {
  return StartsWith(upperAddress, "HTTP://") ||
         (state.HttpsProbes && StartsWith(upperAddress, "HTTPS://"));
}

int UrlKind(App& app, std::string_view address, bool acceptFiles) {
  return UrlKind(app.state, address, acceptFiles);
}

int UrlKind(RunState& state, std::string_view address, bool acceptFiles) {
  const std::string trimmed = Trim(address);
  const std::string upper = UpperAscii(trimmed);
  if (IsWebAddress(upper)) return kAddressExact;
  if (!StartsWith(upper, kFileScheme) && !StartsWith(upper, kLocalHostFileScheme)) {
    return kAddressMissing;
  }
  if (acceptFiles) return kAddressExact;
  return CheckFileAddress(state, trimmed, PageText::Skip, AddressRole::Target);
}

int CheckFileAddress(App& app, std::string_view address, PageText pageText, AddressRole role) {
  return CheckFileAddress(app.state, address, pageText, role);
}

int CheckFileAddress(RunState& state, std::string_view address, PageText pageText,
                     AddressRole role) {
  std::string path(address);
  if (UrlScheme(path) == "file") {
    // Every escape is decoded, as a browser opens the file the address
    // spells; a file of another host is not here.
    const std::optional<std::string> local = PathFromFileUrl(path);
    if (!local) return kAddressMissing;
    path = *local;
    if (role == AddressRole::Target && Contains(address, "%")) state.CurrentTarget = path;
  }
  const int result = CheckLocalPath(path);
  if (result == kAddressExact && state.JumpMode == 1 && pageText == PageText::Load) {
    // The file exists as written, so the written name is its real name. It is
    // read as a browser would show it, in whatever encoding it is written;
    // only its beginning, as of a web page, and a device or FIFO not at all.
    std::string bytes;
    if (!ReadFileHead(path, kLinkedPageHeadBytes, bytes)) bytes.clear();
    state.LocalFileLines = SplitLines(DecodePage(bytes, {}).text);
    state.LinkPageText = UpperAscii(JoinLines(state.LocalFileLines));
  }
  return result;
}

int CheckLocalPath(std::string_view path) {
  const std::string trimmed = Trim(path);
  if (trimmed.empty()) return kAddressMissing;
  const bool relative = trimmed.front() != '/';
  const std::string here = relative ? CurrentFolder() : std::string();
  if (relative && here.empty()) {
    return PathExists(trimmed) ? kAddressMisspelt : kAddressMissing;
  }
  const std::string stored = StoredSpelling(AbsolutePath(trimmed, here));
  if (stored.empty()) return kAddressMissing;
  return InNormalForm(path) && stored == path ? kAddressExact : kAddressMisspelt;
}

std::string BaseOfAddress(std::string_view address, AddressBase part) {
  std::string t(address);
  if (std::size_t q = t.find('?'); q != std::string::npos) t.resize(q + 1);
  std::size_t slash = t.rfind('/');
  t = slash == std::string::npos ? std::string() : t.substr(0, slash + 1);
  if (part == AddressBase::Folder) return t;

  const std::size_t k = Pos(t, "//");
  if (k == 0) {
    // A plain path: its first folder, so a root-relative SRC lands on the root
    // of an absolute path.
    std::size_t first = t.find('/');
    return first == std::string::npos ? t : t.substr(0, first + 1);
  }
  std::string v = t.substr(k + 1);
  if (std::size_t first = v.find('/'); first != std::string::npos) v.resize(first + 1);
  return t.substr(0, k + 1) + v;
}

std::string ResolveFrameAddress(std::string_view src, std::string_view pageAddress) {
  const std::string upper = UpperAscii(src);
  if (IsWebAddress(upper) || StartsWith(upper, kFileScheme)) return std::string(src);
  // "//host/x" names another host in the page's own scheme.
  if (StartsWith(src, "//")) {
    const std::size_t scheme = pageAddress.find("://");
    if (scheme != std::string_view::npos) {
      return std::string(pageAddress.substr(0, scheme + 1)) + std::string(src);
    }
  }
  if (!StartsWith(src, "/"))
    return BaseOfAddress(pageAddress, AddressBase::Folder) + std::string(src);
  return BaseOfAddress(pageAddress, AddressBase::Root) + std::string(src.substr(1));
}

std::string ResolveFrameAddress(const RunState& state, std::string_view src) {
  return ResolveFrameAddress(src, state.CurrentTarget);
}

std::string StripSuffix(std::string_view text, std::string_view ending) {
  // Byte-wise is character-wise here: in UTF-8 an ending never matches from
  // inside a character.
  if (!ending.empty() && EndsWith(text, ending))
    return std::string(text.substr(0, text.size() - ending.size()));
  return std::string(text);
}

std::string EnsureSuffix(std::string_view text, std::string_view ending) {
  if (EndsWith(text, ending)) return std::string(text);
  return std::string(text) + std::string(ending);
}

}  // namespace vex
