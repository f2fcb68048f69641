// Start-up and shut-down of the main window: the run state, the settings,
// the command line, and the modes written back at exit. A front end calls
// FormCreate once, FormShow when its window shows and FormDestroy at exit.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vex {

struct App;

// Main window sizes: the top row only, the same on XP, and the full
// diagnostic layout.
inline constexpr int kMainWidth = 671;
inline constexpr int kMainHeight = 55;
inline constexpr int kMainHeightXp = 59;
inline constexpr int kDiagnosticWidth = 730;
inline constexpr int kDiagnosticHeight = 550;
inline constexpr int kBannerPicks = 7;

// Where start-up asks for addresses outside the program; tests replace them.
struct StartupServices {
  std::function<std::string(App&, int)> browserAddress;     // the running browser's address
  std::function<std::string(const std::string&)> cacheUrl;  // a cache file's web address
};
StartupServices DefaultStartupServices();

// Builds the run state, reads the settings, parses the command line (`args`
// are the arguments after the program name) and labels the window. Messages
// (a settings file that cannot be read or written) go through app.ui; a file
// that cannot be read stops start-up with RunMode 0.
void FormCreate(App& app, const std::vector<std::string>& args);
void FormCreate(App& app, const std::vector<std::string>& args, const StartupServices& services);

// The options -m, -s, -a, -i and the targets, in order.
void ParseCommandLine(App& app, const std::vector<std::string>& args);
void ParseCommandLine(App& app, const std::vector<std::string>& args,
                      const StartupServices& services);

// Automatic mode posts the start message; an unfinished start-up closes the
// window.
void FormShow(App& app);

// Writes CHAR and then JUMP back when they changed (not in automatic mode),
// showing the message when the settings file cannot be written, and frees
// the work lists.
void FormDestroy(App& app);

// A pseudo-random 0..n-1 from the milliseconds of the clock (0 for n = 0).
[[nodiscard]] int TimePick(const App& app, int n);

}  // namespace vex
