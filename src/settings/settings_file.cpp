#include "settings/settings_file.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

#include "context/app.h"
#include "context/texts.h"
#include "platform/system/file_system.h"
#include "platform/system/profile_file.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {
namespace {

constexpr std::string_view kDefaultSettings[] = {
    "[NOCHECK]",
    ".google.",
    ".bing.com",
    ".yahoo.",
    kCurrentSearchFragment,
    ".baidu.com",
    ".ecosia.org",
    ".qwant.",
    ".naver.com",
    "",
    "",
    "[CANNOTCHECK]",
    "MAILTO",
    "NEWS://",
    "SCRIPT:",
    "?",
    "",
    "",
    "[OPT]",
    "VER=1.5",
    "CHAR=0",
    "",
};

std::string Header(std::string_view section) {
  return "[" + std::string(section) + "]";
}

bool StartsSection(std::string_view line) {
  return StartsWith(Trim(line), "[");
}

std::string WithPath(std::string_view format, const std::string& path) {
  return ReplaceAll(format, "%s", path);
}

// A whole decimal number that fits an int; 0 otherwise.
int OptionNumber(std::string_view text) {
  const long long v = ToIntOr(text, 0);
  return (v < INT_MIN || v > INT_MAX) ? 0 : static_cast<int>(v);
}

std::string OptionText(const LineList& image, std::string_view key) {
  return StripComment(EntryValue(key, FindEntry(image, "OPT", key)));
}

// A count of at least 1: `fallback` when the text is not one, at most `most`.
int OptionCount(std::string_view text, int fallback, int most) {
  const long long v = ToIntOr(Trim(text), 0);
  if (v < 1) return fallback;
  return v > most ? most : static_cast<int>(v);
}

}  // namespace

std::string FindEntry(const LineList& image, std::string_view section, std::string_view key) {
  const std::string header = Header(section);
  bool inside = false;
  for (const auto& line : image) {
    if (line == header) {
      inside = true;
      continue;
    }
    if (!inside) continue;
    if (StartsSection(line)) return {};
    std::string t = UpperAscii(Trim(line));
    if (StartsWith(t, key)) return t;
  }
  return {};
}

std::string EntryValue(std::string_view key, std::string_view line) {
  std::string t = Trim(line);
  if (!StartsWith(t, key)) return t;
  const std::string rest = Trim(std::string_view(t).substr(key.size()));
  if (rest.empty() || rest.front() != '=') return t;
  return Trim(std::string_view(rest).substr(1));
}

std::string StripComment(std::string_view value) {
  std::size_t cut = value.size();
  for (std::string_view marker : {std::string_view(" ;"), std::string_view(" //")}) {
    const std::size_t at = value.find(marker);
    if (at != std::string_view::npos && at < cut) cut = at;
  }
  return std::string(value.substr(0, cut));
}

void SetEntry(LineList& image, std::string_view section, std::string_view key,
              std::optional<std::string_view> value) {
  const std::string header = Header(section);
  std::string entry(key);
  if (value) entry += "=" + std::string(*value);
  bool inside = false;
  for (std::size_t i = 0; i < image.size(); ++i) {
    if (image[i] == header) {
      inside = true;
      continue;
    }
    if (!inside) continue;
    const std::string t = Trim(image[i]);
    if (StartsWith(t, "[") || t.empty()) {
      image.insert(image.begin() + static_cast<std::ptrdiff_t>(i), entry);
      return;
    }
    if (StartsWith(UpperAscii(t), key)) {
      image[i] = entry;
      return;
    }
  }
  if (!inside) image.push_back(header);
  image.push_back(entry);
}

void DeleteEntries(LineList& image, std::string_view section, std::string_view prefix) {
  const std::string header = Header(section);
  const std::string upperPrefix = UpperAscii(prefix);
  bool inside = false;
  for (std::size_t i = 0; i < image.size();) {
    if (image[i] == header) {
      inside = true;
      ++i;
      continue;
    }
    if (!inside) {
      ++i;
      continue;
    }
    const std::string t = Trim(image[i]);
    if (StartsWith(t, "[")) return;
    if (StartsWith(UpperAscii(t), upperPrefix)) {
      image.erase(image.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

void WriteDefaultSettings(LineList& image) {
  image.assign(std::begin(kDefaultSettings), std::end(kDefaultSettings));
}

MigrateResult MigrateSettings(LineList& image, const std::string& path) {
  // 1. The file as it stands.
  image.clear();
  bool finalBreak = true;
  if (!LoadLines(path, image, &finalBreak)) return MigrateResult::CannotRead;

  // 2. Its layout version.
  std::string ver = FindEntry(image, "OPT", "VER");
  if (!ver.empty()) ver = StripComment(EntryValue("VER", ver));

  // 3. Older than 1.2: comment lines of [CANNOTCHECK] go, queries become
  //    unverifiable, the language option appears.
  if (ver.empty()) {
    DeleteEntries(image, "CANNOTCHECK", "#");
    SetEntry(image, "CANNOTCHECK", "?", std::nullopt);
    SetEntry(image, "OPT", "CHAR", "0");
    ver = "1.2";
  }

  // 4. 1.2 and 1.3: the search service's renamed host, the page-type option.
  if (ver == "1.2" || ver == "1.3") {
    DeleteEntries(image, "NOCHECK", kFormerSearchFragment);
    SetEntry(image, "NOCHECK", kCurrentSearchFragment, std::nullopt);
    SetEntry(image, "OPT", "JUMP", "0");
  }

  // 5. Anything but the current version is stamped and saved.
  if (ver == kSettingsVersion) return MigrateResult::Unchanged;
  DeleteEntries(image, "OPT", "VER");
  SetEntry(image, "OPT", "VER", kSettingsVersion);
  return ReplaceLines(path, image, finalBreak) ? MigrateResult::Saved : MigrateResult::CannotWrite;
}

std::string SettingsLockPath(const std::string& path) {
  const std::filesystem::path p(path);
  return (p.parent_path() / ("." + p.filename().string() + ".lock")).string();
}

SettingsLoadResult LoadSettings(App& app, const std::string& path) {
  SettingsLoadResult result;
  LineList& image = app.SettingsImage();
  app.state.ReportCharset.clear();

  // Copies started at once read, migrate and write the file one at a time.
  FileLock lock(SettingsLockPath(path));
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    switch (MigrateSettings(image, path)) {
      case MigrateResult::Unchanged:
      case MigrateResult::Saved:
        break;
      case MigrateResult::CannotRead:
        image.clear();
        result = {SettingsStatus::CannotRead, WithPath(texts::CannotReadFormat, path)};
        break;
      case MigrateResult::CannotWrite:
        result = {SettingsStatus::CannotWrite, WithPath(texts::CannotWriteFormat, path)};
        break;
    }
  } else {
    WriteDefaultSettings(image);
    if (!ReplaceLines(path, image, true)) {
      result = {SettingsStatus::CannotWrite, WithPath(texts::CannotWriteFormat, path)};
    }
  }

  app.state.CharMode = OptionNumber(OptionText(image, "CHAR")) != 0 ? 1 : 0;
  app.state.JumpMode = OptionNumber(OptionText(image, "JUMP"));
  app.state.ReportCharset = OptionText(image, "CHARSET");
  app.state.ParallelProbes =
      OptionCount(OptionText(image, "PARALLEL"), kDefaultParallel, kMaxParallel);
  app.state.ProbesPerHost =
      OptionCount(OptionText(image, "PERHOST"), std::min(kDefaultPerHost, app.state.ParallelProbes),
                  app.state.ParallelProbes);
  app.state.HttpsProbes = OptionNumber(OptionText(image, "HTTPS")) != 0;
  // Levels of a site crawl; anything but a positive whole number: no limit.
  app.state.CrawlDepth = std::max(OptionNumber(OptionText(image, "DEPTH")), 0);
  return result;
}

SaveSettingResult SaveSetting(const App& app, const std::string& section, const std::string& key,
                              const std::string& value) {
  const std::string& path = app.state.IniPath;
  FileLock lock(SettingsLockPath(path));
  if (WriteProfileString(path, section, key, value)) return {};
  return {false, WithPath(texts::CannotWriteFormat, path)};
}

}  // namespace vex
