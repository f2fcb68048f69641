#include "platform/handoff/browser_session.h"

#include <climits>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <system_error>
#include <vector>

#include "platform/handoff/mozlz4.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace fs = std::filesystem;

namespace {

using Json = nlohmann::json;

// Browsers write titles cut in the middle of a surrogate pair as a lone
// "\udXXX" escape; the parser rejects those, so they become U+FFFD first
// instead of losing the whole file.
std::string ReplaceLoneSurrogates(std::string_view text) {
  auto unitAt = [&](std::size_t i) -> int {  // the unit of "\uXXXX" at i, or -1
    if (i + 6 > text.size() || text[i] != '\\' || text[i + 1] != 'u') return -1;
    int unit = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
      const char c = text[k];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return -1;
      unit = unit * 16 + digit;
    }
    return unit;
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i++];
      continue;
    }
    const int unit = unitAt(i);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high) {
      const int next = unitAt(i + 6);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        out.append(text.substr(i, 12));
        i += 12;
        continue;
      }
    }
    if (high || low) {
      out += "\\ufffd";
      i += 6;
      continue;
    }
    out.append(text.substr(i, 2));  // any other escape, kept whole
    i += 2;
  }
  return out;
}

// The browsers' files and answers nest a handful of levels; anything deeper
// is not what we are looking for.
constexpr int kMaxJsonDepth = 512;

std::optional<Json> ParseJson(std::string_view text) {
  bool tooDeep = false;
  Json::parser_callback_t depthLimit = [&tooDeep](int depth, Json::parse_event_t, Json&) {
    if (depth > kMaxJsonDepth) tooDeep = true;
    return !tooDeep;
  };
  Json value = Json::parse(ReplaceLoneSurrogates(text), depthLimit, /*allow_exceptions=*/false);
  if (tooDeep || value.is_discarded()) return std::nullopt;
  return value;
}

const Json& NullJson() {
  static const Json null;
  return null;
}

// Lookups that chain through missing members and items as null.
const Json& Member(const Json& object, const char* key) {
  if (!object.is_object()) return NullJson();
  auto it = object.find(key);
  return it == object.end() ? NullJson() : *it;
}
const Json& Item(const Json& array, std::size_t i) {
  return array.is_array() && i < array.size() ? array[i] : NullJson();
}
std::size_t SizeOf(const Json& array) {
  return array.is_array() ? array.size() : 0;
}

std::string StringOr(const Json& value) {
  return value.is_string() ? value.get<std::string>() : std::string();
}

// A whole number within long long (2.0 counts), else the fallback.
long long IntOr(const Json& value, long long fallback) {
  if (value.is_number_unsigned())
    return value.get<unsigned long long>() > static_cast<unsigned long long>(LLONG_MAX)
               ? fallback
               : static_cast<long long>(value.get<unsigned long long>());
  if (value.is_number_integer()) return value.get<long long>();
  if (!value.is_number_float()) return fallback;
  const double d = value.get<double>();
  if (!(d >= -9.2e18 && d <= 9.2e18) || d != std::floor(d)) return fallback;
  return static_cast<long long>(d);
}

// Where Firefox keeps its profiles, relative to the home folder: the plain
// installation, the snap package and the flatpak package.
constexpr const char* kFirefoxRoots[] = {
    ".mozilla/firefox",
    "snap/firefox/common/.mozilla/firefox",
    ".var/app/org.mozilla.firefox/.mozilla/firefox",
};

constexpr const char* kRecoveryFile = "sessionstore-backups/recovery.jsonlz4";

// The profile folders that profiles.ini names ([ProfileN] Path=, relative to
// the root unless IsRelative=0).
std::vector<fs::path> ProfilesOfIni(const fs::path& root) {
  std::vector<fs::path> found;
  LineList lines;
  if (!LoadLines((root / "profiles.ini").string(), lines)) return found;
  std::string path;
  bool relative = true;
  bool inProfile = false;
  auto flush = [&] {
    if (inProfile && !path.empty()) found.push_back(relative ? root / path : fs::path(path));
    path.clear();
    relative = true;
  };
  for (const std::string& raw : lines) {
    std::string line = Trim(raw);
    if (StartsWith(line, "[")) {
      flush();
      inProfile = StartsWith(UpperAscii(line), "[PROFILE");
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = UpperAscii(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    if (key == "PATH") path = value;
    if (key == "ISRELATIVE") relative = value != "0";
  }
  flush();
  return found;
}

std::vector<fs::path> SubFolders(const fs::path& root) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec)) found.push_back(it->path());
  return found;
}

}  // namespace

std::optional<BrowserPage> FirstPageOfList(std::string_view listJson) {
  std::optional<Json> list = ParseJson(listJson);
  if (!list || !list->is_array()) return std::nullopt;
  for (const Json& target : *list) {
    if (StringOr(Member(target, "type")) != "page") continue;
    const Json& url = Member(target, "url");
    if (!url.is_string()) continue;
    return BrowserPage{url.get<std::string>(), StringOr(Member(target, "title"))};
  }
  return std::nullopt;
}

std::optional<BrowserPage> SelectedPageOfSession(std::string_view sessionJson) {
  std::optional<Json> session = ParseJson(sessionJson);
  if (!session) return std::nullopt;
  // Picks item n (1-based) of an array, the first when n is out of range.
  auto pick = [](const Json& array, long long n) -> const Json& {
    if (n < 1 || static_cast<std::size_t>(n) > SizeOf(array)) n = 1;
    return Item(array, static_cast<std::size_t>(n - 1));
  };
  const Json& windows = Member(*session, "windows");
  if (SizeOf(windows) == 0) return std::nullopt;
  const Json& window = pick(windows, IntOr(Member(*session, "selectedWindow"), 1));
  const Json& tabs = Member(window, "tabs");
  if (SizeOf(tabs) == 0) return std::nullopt;
  const Json& tab = pick(tabs, IntOr(Member(window, "selected"), 1));
  const Json& entries = Member(tab, "entries");
  if (SizeOf(entries) == 0) return std::nullopt;
  long long index = IntOr(Member(tab, "index"), 0);
  if (index < 1 || static_cast<std::size_t>(index) > SizeOf(entries))
    index = static_cast<long long>(SizeOf(entries));
  const Json& entry = Item(entries, static_cast<std::size_t>(index - 1));
  const Json& url = Member(entry, "url");
  if (!url.is_string()) return std::nullopt;
  return BrowserPage{url.get<std::string>(), StringOr(Member(entry, "title"))};
}

std::string NewestFirefoxSessionFile(const std::string& home) {
  if (home.empty()) return {};
  std::set<fs::path> profiles;
  for (const char* relative : kFirefoxRoots) {
    fs::path root = fs::path(home) / relative;
    for (fs::path& p : ProfilesOfIni(root)) profiles.insert(p.lexically_normal());
    for (fs::path& p : SubFolders(root)) profiles.insert(p.lexically_normal());
  }
  std::string newest;
  fs::file_time_type newestTime{};
  for (const fs::path& profile : profiles) {
    std::error_code ec;
    fs::path file = profile / kRecoveryFile;
    if (!fs::is_regular_file(file, ec)) continue;
    fs::file_time_type t = fs::last_write_time(file, ec);
    if (ec) continue;
    if (newest.empty() || t > newestTime) {
      newest = file.string();
      newestTime = t;
    }
  }
  return newest;
}

std::optional<BrowserPage> FirefoxCurrentPage(const std::string& home) {
  std::string file = NewestFirefoxSessionFile(home);
  std::string packed, session;
  if (file.empty() || !ReadFileBytes(file, packed) || !DecodeMozLz4(packed, session))
    return std::nullopt;
  return SelectedPageOfSession(session);
}

}  // namespace vex
