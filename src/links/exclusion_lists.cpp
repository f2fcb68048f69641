#include "links/exclusion_lists.h"

#include <string>

#include "context/app.h"
#include "links/home_site.h"
#include "platform/text/text.h"

namespace vex {
namespace {

// Adds the trimmed lines of the first section whose header appears (in any
// letter case, anywhere on its line) in the settings image. The section ends
// at a line whose very first character is "[".
void AddSection(const LineList& image, std::string_view header, LineList& out) {
  bool inSection = false;
  for (const auto& line : image) {
    if (Contains(UpperAscii(line), header)) {
      inSection = true;
      continue;
    }
    if (!inSection) continue;
    if (StartsWith(line, "[")) return;
    out.push_back(Trim(line));
  }
}

}  // namespace

void BuildNoCheckList(App& app) {
  LineList& list = app.NoCheckList();
  list.clear();
  list.push_back(HomePageFragment(app));
  list.push_back(SecondHomePageFragment(app));
  list.emplace_back(kOwnScriptLink);
  list.emplace_back(kNoCheckSeparator);
  AddSection(app.SettingsImage(), "[NOCHECK]", list);
}

void BuildCannotCheckList(App& app) {
  LineList& list = app.CannotCheckList();
  list.clear();
  AddSection(app.SettingsImage(), "[CANNOTCHECK]", list);
}

int FindNoCheck(const App& app, std::string_view address) {
  const LineList& list = app.main.Memo7;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == kNoCheckSeparator) {
      if (app.state.JumpMode != 0) return 0;
      continue;
    }
    if (!list[i].empty() && Contains(address, list[i])) return static_cast<int>(i + 1);
  }
  return 0;
}

int FindCannotCheck(const App& app, std::string_view upperAddress) {
  const LineList& list = app.main.Memo8;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == "#") continue;
    if (!list[i].empty() && Contains(upperAddress, list[i])) return static_cast<int>(i + 1);
  }
  return 0;
}

}  // namespace vex
