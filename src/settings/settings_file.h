// The settings file "vexalorn.ini": [NOCHECK] and [CANNOTCHECK] address lists
// and the [OPT] options. Read once at start-up into the settings image (the
// file's lines), created with defaults when missing, brought up to the current
// layout version; single options are written back at exit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text/line_list.h"

namespace vex {

struct App;

// The layout version this program writes.
inline constexpr std::string_view kSettingsVersion = "2.6";

// The search-service fragment that older files held and its current form; the
// fourth default [NOCHECK] entry is the current one.
inline constexpr std::string_view kFormerSearchFragment = ".startpage.";
inline constexpr std::string_view kCurrentSearchFragment = "www.startpage.";

enum class SettingsStatus {
  Ok,
  CannotRead,   // the file exists but cannot be read; nothing was changed
  CannotWrite,  // defaults or the migrated image could not be saved; they are used anyway
};

struct SettingsLoadResult {
  SettingsStatus status = SettingsStatus::Ok;
  std::string message;  // text for the user when status is not Ok
};

// The lock file beside the settings file (hidden: a dot before its name)
// under which one copy of the program at a time reads, migrates or writes it.
std::string SettingsLockPath(const std::string& path);

// Reads (or creates, or migrates) the file at path into app.SettingsImage()
// and sets CharMode, JumpMode and ReportCharset from its [OPT] section. The
// file is replaced as a whole, never written in place, and the whole step
// holds the settings lock.
[[nodiscard]] SettingsLoadResult LoadSettings(App& app, const std::string& path);

struct SaveSettingResult {
  bool ok = true;
  std::string message;  // "<path> に書き込めません" when the file could not be written
};

// Writes key=value into section of the settings file (app.state.IniPath)
// itself, not into the image, as the profile writer does.
[[nodiscard]] SaveSettingResult SaveSetting(const App& app, const std::string& section,
                                            const std::string& key, const std::string& value);

// --- Operations on a settings image ---

// The trimmed, upper-cased first line of [section] that begins with key (key
// given in upper case); empty when there is none.
std::string FindEntry(const LineList& image, std::string_view section, std::string_view key);
// The value of an entry line "key = value"; the trimmed line itself when it
// does not have that form.
std::string EntryValue(std::string_view key, std::string_view line);
// The value up to the first " ;" or " //".
std::string StripComment(std::string_view value);
// Replaces the entry of key in section, or inserts it at the section's first
// empty line (or before the next section); no value writes the key alone.
void SetEntry(LineList& image, std::string_view section, std::string_view key,
              std::optional<std::string_view> value);
// Deletes the lines of section that begin with prefix (ignoring letter case).
void DeleteEntries(LineList& image, std::string_view section, std::string_view prefix);
// The image of a new settings file (22 lines).
void WriteDefaultSettings(LineList& image);
// Loads the file into the image and brings it to the current version, saving
// it (with or without a final line break, as it was) when anything changed.
enum class MigrateResult { Unchanged, Saved, CannotRead, CannotWrite };
[[nodiscard]] MigrateResult MigrateSettings(LineList& image, const std::string& path);

}  // namespace vex
