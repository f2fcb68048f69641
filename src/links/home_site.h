// The program's own small web site (home page, legend of the marks, banners),
// shipped in the folder "site" of the program's data folder. Result pages link to
// it and those links are never probed.
#pragma once

#include <string>

namespace vex {

struct App;

// Base address of the home site, ending in "/": file:///<DataFolder>site/ by
// default; the environment variable VEXALORN_HOME_SITE (an http://, https://
// or file:/// address) replaces it.
std::string HomeSiteBase(const App& app);

// The base itself when valid (checked and given a trailing "/"), else empty.
std::string NormalizeHomeSiteBase(const std::string& address);

// The address without its scheme: "/opt/x/site/" for file:///opt/x/site/,
// "127.0.0.1:8080/site/" for http://127.0.0.1:8080/site/.
std::string HostAndPathFragment(const std::string& address);

// The folder of the English home page inside the site.
inline constexpr const char* kSecondHomePageFolder = "en/";

// The no-check fragments of the two home pages: the site's base, and its
// English home page folder.
std::string HomePageFragment(const App& app);
std::string SecondHomePageFragment(const App& app);

}  // namespace vex
