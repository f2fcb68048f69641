#include "control/startup.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "context/app.h"
#include "control/main_window.h"
#include "control/mode_labels.h"
#include "links/exclusion_lists.h"
#include "platform/system/process_info.h"
#include "platform/text/text.h"
#include "probe/browser_handoff.h"
#include "settings/settings_file.h"

namespace vex {
namespace {

void ClearWorkLists(RunState& s) {
  for (LineList* list : {&s.SourceLines, &s.FrameUrls, &s.WorkLines, &s.LocalFileLines,
                         &s.TargetList, &s.ResultLines, &s.SubfolderList, &s.TargetHistory}) {
    list->clear();
  }
}

// Writes one changed mode; false (after telling the user) when the file
// cannot be written.
bool WriteBackMode(App& app, const char* key, int value, int atStart) {
  if (value == atStart) return true;
  const SaveSettingResult saved = SaveSetting(app, "OPT", key, std::to_string(value));
  if (!saved.ok) app.ui.ShowMessage(saved.message);
  return saved.ok;
}

}  // namespace

StartupServices DefaultStartupServices() {
  return {BrowserAddressByDde, CacheUrlOfFile};
}

int TimePick(const App& app, int n) {
  if (n == 0) return 0;
  long long ms = app.clock.NowMs() % 1000;
  if (ms < 0) ms += 1000;
  return static_cast<int>(ms % n);
}

void ParseCommandLine(App& app, const std::vector<std::string>& args) {
  ParseCommandLine(app, args, DefaultStartupServices());
}

void ParseCommandLine(App& app, const std::vector<std::string>& args,
                      const StartupServices& services) {
  RunState& s = app.state;
  for (const std::string& arg : args) {
    const std::string t = LowerAscii(Trim(arg));
    const std::string head = t.substr(0, 2);
    // The third character is never looked at: -m:2, -m=2 and "-m 2" agree.
    const std::string value = t.size() >= 4 ? t.substr(3, 1) : std::string();
    if (!head.empty() && head[0] == '-') {
      if (head == "-m") {
        if (value == "0" || value == "1" || value == "2") s.JumpMode = value[0] - '0';
      } else if (head == "-s") {
        if (value == "0" || value == "1") s.CharMode = value[0] - '0';
      } else if (head == "-a") {
        s.RunMode = static_cast<int>(RunModeKind::Automatic);
      } else if (head == "-i") {
        s.UrlCacheLookup = true;
      }
      continue;  // any other option is ignored
    }
    if (t == "internet") {
      SetEdit1(app, services.browserAddress ? services.browserAddress(app, 0) : std::string());
    } else {
      SetEdit1(app, arg);  // exactly as passed
    }
  }
}

void FormCreate(App& app, const std::vector<std::string>& args) {
  FormCreate(app, args, DefaultStartupServices());
}

void FormCreate(App& app, const std::vector<std::string>& args, const StartupServices& services) {
  RunState& s = app.state;
  MainWindowModel& w = app.main;

  // 1. Not busy; the first banner pick; the banner set-up still to do.
  s.Busy = 0;
  s.BannerPick1 = TimePick(app, kBannerPicks);
  s.BannerEntries[0].clear();

  // 2. The work lists, the history with its empty entry, the modes.
  ClearWorkLists(s);
  s.TargetHistory.push_back("");
  s.HistoryIndex = 0;
  s.CharMode = 0;
  s.JumpMode = 0;
  s.CharModeAtStart = 0;
  s.JumpModeAtStart = 0;
  s.UrlCacheLookup = false;
  s.HelpAvailable = false;

  // 4. The system's label, also for the progress window.
  s.OsName = OsName();
  s.ProgressOsName = s.OsName;

  // 5. The top row only.
  w.geometry.width = kMainWidth;
  w.geometry.height = s.OsName == "XP" ? kMainHeightXp : kMainHeight;
  w.geometry.top = 1;
  w.geometry.left = 1;
  w.diagnosticLayout = false;
  w.Edit1.clear();

  // 6.
  s.AppTitle = "VEXALORN";
  s.RunMode = static_cast<int>(RunModeKind::StartUp);
  s.NoHeaderBlock = 0;

  // 7. Where the program, its data and its settings are; 3. whether there is help.
  const ProgramLayout layout = CurrentLayout();
  s.ExeFolder = layout.exeFolder;
  s.DataFolder = layout.dataFolder;
  std::error_code ec;
  s.HelpAvailable = std::filesystem::is_regular_file(s.DataFolder + std::string(kHelpIndex), ec);
  s.IniPath = IniPath(layout);
  const SettingsLoadResult loaded = LoadSettings(app, s.IniPath);
  if (loaded.status != SettingsStatus::Ok) app.ui.ShowMessage(loaded.message);
  // Settings that cannot be read end the start-up; FormShow then closes.
  if (loaded.status == SettingsStatus::CannotRead) return;

  // 8. The modes as read, before the command line changes them.
  s.CharModeAtStart = s.CharMode;
  s.JumpModeAtStart = s.JumpMode;
  s.BannerPick2 = TimePick(app, kBannerPicks);

  // 9.
  s.RunMode = static_cast<int>(RunModeKind::Interactive);
  BuildNoCheckList(app);
  BuildCannotCheckList(app);

  // 10., 11.
  ParseCommandLine(app, args, services);
  x_ZenHan(app);

  // 12. A browser-cache file stands for the address it was stored from.
  if (s.UrlCacheLookup && !w.Edit1.empty()) {
    s.CurrentTarget = w.Edit1;
    SetEdit1(app, services.cacheUrl ? services.cacheUrl(s.CurrentTarget) : std::string());
  }

  // 13. A developer start opens the full layout with the diagnostic controls.
  if (s.RunMode != static_cast<int>(RunModeKind::Automatic) && DiagnosticStart()) {
    w.geometry.width = kDiagnosticWidth;
    w.geometry.height = kDiagnosticHeight;
    w.diagnosticLayout = true;
  }
  app.ui.Refresh(View::MainWindow);
}

void FormShow(App& app) {
  RunState& s = app.state;
  if (s.RunMode == static_cast<int>(RunModeKind::Automatic)) {
    app.ProcessEvents();
    s.Busy = -1;  // as the Check! button does before it posts
    app.ui.PostStartMessage();
    app.ProcessEvents();
  } else if (s.RunMode == static_cast<int>(RunModeKind::StartUp)) {
    app.ui.CloseMainWindow();
  }
}

void FormDestroy(App& app) {
  RunState& s = app.state;
  if (s.RunMode != static_cast<int>(RunModeKind::Automatic)) {
    // One message is enough: a file that refused CHAR refuses JUMP as well.
    if (WriteBackMode(app, "CHAR", s.CharMode, s.CharModeAtStart)) {
      (void)WriteBackMode(app, "JUMP", s.JumpMode, s.JumpModeAtStart);
    }
  }
  ClearWorkLists(s);
}

}  // namespace vex
