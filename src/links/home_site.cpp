#include "links/home_site.h"

#include <cstdlib>

#include "context/app.h"
#include "platform/system/process_info.h"
#include "platform/text/text.h"

namespace vex {
namespace {

// A path as the path part of a file:/// address.
std::string EncodePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      AppendPercentEscape(out, c);
    }
  }
  return out;
}

std::size_t SchemeLength(const std::string& address) {
  const std::string upper = UpperAscii(address);
  for (const char* scheme : {"HTTP://", "HTTPS://", "FILE://"}) {
    if (StartsWith(upper, scheme)) return std::string_view(scheme).size();
  }
  return 0;
}

}  // namespace

std::string NormalizeHomeSiteBase(const std::string& address) {
  const std::string a = Trim(address);
  const std::size_t scheme = SchemeLength(a);
  if (scheme == 0) return {};
  // file: addresses must name an absolute path (file:///...); web addresses a host.
  if (StartsWith(UpperAscii(a), "FILE://") ? (a.size() <= scheme || a[scheme] != '/')
                                           : (a.size() <= scheme || a[scheme] == '/')) {
    return {};
  }
  if (a.find_first_of(" \t\r\n\"<>") != std::string::npos) return {};
  return EndsWith(a, "/") ? a : a + "/";
}

std::string HomeSiteBase(const App& app) {
  if (const char* env = std::getenv("VEXALORN_HOME_SITE")) {
    const std::string base = NormalizeHomeSiteBase(env);
    if (!base.empty()) return base;
  }
  std::string folder =
      app.state.DataFolder.empty() ? CurrentLayout().dataFolder : app.state.DataFolder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return "file://" + EncodePath(folder) + "site/";
}

std::string HostAndPathFragment(const std::string& address) {
  return address.substr(SchemeLength(address));
}

std::string HomePageFragment(const App& app) {
  return HostAndPathFragment(HomeSiteBase(app));
}

std::string SecondHomePageFragment(const App& app) {
  return HomePageFragment(app) + kSecondHomePageFolder;
}

}  // namespace vex
