#include "files/work_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "context/app.h"
#include "platform/system/file_system.h"
#include "platform/system/process_info.h"
#include "platform/system/profile_file.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace {

constexpr std::size_t kNamePrefixChars = 3;

bool IsResultNumber(int n) {
  return n >= kFirstResultNumber && n <= kLastResultNumber;
}

int NextNumber(int n) {
  return n + 1 > kLastResultNumber ? kFirstResultNumber : n + 1;
}

// A range of result numbers, upward from s to e, wrapping from 999 to 1; empty
// when either end is no result number.
struct NumberRange {
  int s = 0;
  int e = 0;
  bool Holds(int n) const {
    if (!IsResultNumber(s) || !IsResultNumber(e)) return false;
    return s <= e ? (n >= s && n <= e) : (n >= s || n <= e);
  }
};

// The run log's keys, read as the numbering needs them. The file is read
// once between writes (the numbering holds the lock meanwhile).
class RunLog {
 public:
  explicit RunLog(std::string path) : path_(std::move(path)) {}

  std::string Date(const char* section) const { return Read(section, "date"); }
  int Number(const char* section, const char* key) const {
    long long n = ToIntOr(Read(section, key), 0);
    if (n >= 1000) n -= 1000;
    // Anything still outside int is no result number either.
    return n < -1'000'000 || n > 1'000'000 ? 0 : static_cast<int>(n);
  }

  // A number above the 1..999 range as stored (0 when there is none).
  int Overflow(const char* section) const {
    const long long n = ToIntOr(Read(section, "o"), 0);
    return n > kLastResultNumber && n < 1'000'000'000 ? static_cast<int>(n) : 0;
  }

  // Writes are counted as failed once any one fails. The log is rewritten
  // for every result page, under the lock: in place, the disk not waited for
  // (a crash may cost the latest numbers, as it may the result pages).
  void Write(const char* section, const char* key, const std::string& value) {
    if (!WriteProfileString(path_, section, key, value, ProfileWrite::InPlace)) ok_ = false;
    read_ = false;
  }
  void Write(const char* section, const char* key, int value) {
    Write(section, key, std::to_string(value));
  }
  bool ok() const { return ok_; }

 private:
  std::string Read(const char* section, const char* key) const {
    if (!read_) {
      if (!ReadFileBytes(path_, bytes_)) bytes_.clear();
      read_ = true;
    }
    return ProfileStringIn(bytes_, section, key);
  }

  std::string path_;
  bool ok_ = true;
  mutable bool read_ = false;
  mutable std::string bytes_;  // the file as last read
};

std::string FolderOf(const std::string& path) {
  std::string folder = FolderPart(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The nearest folder that exists, so that a home not made yet is judged by
// where it will be made.
std::string NearestExistingFolder(std::string folder) {
  while (!folder.empty() && !FolderExists(folder)) {
    if (folder == "/") return {};
    std::string parent = FolderOf(folder);
    if (parent == folder) return {};
    folder = parent;
  }
  return folder;
}

std::string FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  std::size_t seen = 0;
  while (end < text.size()) {
    const auto b = static_cast<unsigned char>(text[end]);
    if ((b & 0xC0) != 0x80) {
      if (seen == count) break;
      ++seen;
    }
    ++end;
  }
  return std::string(text.substr(0, end));
}

}  // namespace

WorkLocation CurrentWorkLocation() {
  WorkLocation location;
  location.executablePath = ExecutablePath();
  if (const char* home = std::getenv("VEXALORN_HOME"); home && *home) location.home = home;
  location.installed = LayoutOf(FolderOf(location.executablePath)).installed;
  location.userData = UserDataFolder();
  return location;
}

std::string WorkBase(const WorkLocation& location) {
  std::string folder = location.home;
  if (folder.empty() && !location.installed && !location.executablePath.empty())
    folder = FolderOf(location.executablePath);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!folder.empty()) {
    const std::string judged = NearestExistingFolder(folder);
    if (!judged.empty() && !IsNetworkOrUnwritable(judged)) return folder;
  }
  std::string own = location.userData;
  while (own.size() > 1 && own.back() == '/') own.pop_back();
  return own;
}

std::string WorkBase() {
  return WorkBase(CurrentWorkLocation());
}

std::string WorkFolderName(std::string_view executableFileName) {
  std::string prefix = Trim(FirstCharacters(executableFileName, kNamePrefixChars));
  if (prefix.empty()) prefix = "Temp";
  return prefix + "_TEMP";
}

std::string WorkFolder(const WorkLocation& location) {
  const std::string base = WorkBase(location);
  if (base.empty()) return {};
  return (base == "/" ? base : base + "/") + WorkFolderName(NamePart(location.executablePath));
}

std::string ResultFilePath(const std::string& workFolder, int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%.3d.htm", number);
  return workFolder + "/" + name;
}

std::string DayStamp(std::int64_t epochMs) {
  const std::time_t seconds = static_cast<std::time_t>(epochMs / 1000);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return {};
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return stamp;
}

namespace {

int TakeResultNumber(const std::string& workFolder, const std::string& today,
                     const std::set<int>& writtenThisRun) {
  // Steps 1-2: the work folder, made private: result pages tell what the
  // user checked.
  if (workFolder.empty() || !MakeFolders(workFolder, 0700)) return 0;

  // The lock spans every read and write of the log.
  FileLock lock(workFolder + "/" + kRunLogLockName);
  if (!lock.held()) return 0;

  const std::string logPath = workFolder + "/" + kRunLogName;
  RunLog log(logPath);
  int number = kFirstResultNumber;

  if (!FileExists(logPath)) {
    // Step 3: the first numbering ever.
    log.Write("a", "date", today);
    log.Write("a", "s", kFirstResultNumber);
    log.Write("a", "e", kFirstResultNumber);
  } else {
    // Step 4.
    const std::string aDate = log.Date("a");
    int aS = log.Number("a", "s");
    int aE = log.Number("a", "e");

    if (aDate == today) {
      // Step 5: the same day goes on after its last number.
      if (!IsResultNumber(aS)) {
        log.Write("a", "s", kFirstResultNumber);
        log.Write("a", "e", kFirstResultNumber);
      } else {
        if (aE < 1) aE = aS;
        aE = NextNumber(aE);
        log.Write("a", "e", aE);
        number = aE;
      }
    } else {
      // Step 6.1: remove the files of the day before the latest one, except
      // those that the latest day wrote again.
      const NumberRange before{log.Number("b", "s"), log.Number("b", "e")};
      const NumberRange latest{aS, aE};
      for (int n = kFirstResultNumber; n <= kLastResultNumber; ++n) {
        if (before.Holds(n) && !latest.Holds(n)) (void)RemoveFile(ResultFilePath(workFolder, n));
      }
      const int beforeOver = log.Overflow("b");
      const int latestOver = log.Overflow("a");
      for (int n = std::max(latestOver, kLastResultNumber) + 1; n <= beforeOver; ++n) {
        (void)RemoveFile(ResultFilePath(workFolder, n));
      }
      if (beforeOver != 0 || latestOver != 0) log.Write("b", "o", latestOver);
      if (latestOver != 0) log.Write("a", "o", 0);
      // Step 6.2: the latest day becomes the day before.
      log.Write("b", "date", aDate);
      log.Write("b", "s", aS);
      log.Write("b", "e", aE);
      // Steps 6.3-6.4: the new day continues after the latest day's last number.
      if (!IsResultNumber(aS) || !IsResultNumber(aE)) {
        aS = aE = kFirstResultNumber;
      } else {
        aE = NextNumber(aE);
        aS = aE;
      }
      log.Write("a", "date", today);
      log.Write("a", "s", aS);
      log.Write("a", "e", aE);
      number = aE;
    }
  }
  // A wrapped number that this run wrote already: on after the day's last
  // number above the range.
  if (writtenThisRun.contains(number)) {
    number = std::max(log.Overflow("a"), kLastResultNumber) + 1;
    while (writtenThisRun.contains(number)) ++number;
    log.Write("a", "o", number);
  }
  // A log that does not move on would hand the same number out again.
  if (!log.ok()) return 0;
  return number;
}

}  // namespace

std::string NextResultFile(const std::string& workFolder, const std::string& today,
                           const std::set<int>& writtenThisRun) {
  const int number = TakeResultNumber(workFolder, today, writtenThisRun);
  return number == 0 ? std::string() : ResultFilePath(workFolder, number);
}

std::string NextResultFile(App& app) {
  const std::string folder = WorkFolder(CurrentWorkLocation());
  const int number =
      TakeResultNumber(folder, DayStamp(app.clock.NowMs()), app.state.ResultNumbersThisRun);
  if (number == 0) return {};
  app.state.ResultNumbersThisRun.insert(number);
  return ResultFilePath(folder, number);
}

}  // namespace vex
