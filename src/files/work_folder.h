// The work folder, the numbered result files 001.htm .. 999.htm in it (1000.htm
// and on when one run writes more pages than that), and the
// run log "000.log" that carries the numbering from run to run and day to day.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace vex {

struct App;

inline constexpr int kFirstResultNumber = 1;
inline constexpr int kLastResultNumber = 999;
inline constexpr const char* kRunLogName = "000.log";
// Held locked while the run log is read and written, so two programs running
// at once never hand out the same number.
inline constexpr const char* kRunLogLockName = "000.lock";

// Where the work folder goes and what it is named after.
struct WorkLocation {
  std::string executablePath;  // the running program: its folder and its file name
  std::string home;            // when not empty, replaces the executable's folder
  bool installed = false;      // an installed program keeps no results beside itself
  std::string userData;        // the user's own data folder for the program
};

// The running program's location: /proc/self/exe, $VEXALORN_HOME, whether it
// runs from an install, and $XDG_DATA_HOME/vexalorn (default ~/.local/share/vexalorn).
WorkLocation CurrentWorkLocation();

// The folder under which the work folder is made: the home, or the folder of
// a program that is not installed, unless that lies on a network file system
// or cannot be written to (or is unknown); then the user's own data folder,
// never a folder that other users share. No final "/"; empty when there is
// none.
std::string WorkBase(const WorkLocation& location);
std::string WorkBase();

// The work folder's own name: the first three characters of the executable's
// file name, blanks trimmed, or "Temp" when that leaves nothing; then "_TEMP".
std::string WorkFolderName(std::string_view executableFileName);

// WorkBase + "/" + WorkFolderName; empty when there is no base.
std::string WorkFolder(const WorkLocation& location);

// The path of result file `number` ("%.3d.htm") in the work folder.
std::string ResultFilePath(const std::string& workFolder, int number);

// The day stamp "yyyymmdd" (local date) of a clock reading.
std::string DayStamp(std::int64_t epochMs);

// Takes the next result number in the work folder on day `today` ("yyyymmdd"):
// makes the folder when missing, keeps the run log, deletes the result files
// of the day before the latest one, and returns the result file's path. Empty
// when the folder cannot be made or the run log cannot be written.
//
// The numbers 1..999 wrap. When the number the log gives is one of
// `writtenThisRun`, the run would overwrite a page of its own; it goes on
// with 1000, 1001 ... instead, after the day's last such number, which the
// log keeps as [a] o (and [b] o for the day before, whose pages from 1000 on
// go with the rest of that day's). Keys the numbering of 1..999 ignores.
std::string NextResultFile(const std::string& workFolder, const std::string& today,
                           const std::set<int>& writtenThisRun = {});

// The same for the running program, today taken from the app's clock; the
// number is noted in the run's ResultNumbersThisRun.
std::string NextResultFile(App& app);

}  // namespace vex
