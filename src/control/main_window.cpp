#include "control/main_window.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "context/app.h"
#include "context/progress_window.h"
#include "context/texts.h"
#include "context/url_forms.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "probe/browser_handoff.h"

namespace vex {

namespace {

bool IsBusy(const App& app) {
  return app.state.Busy == -1;
}

int Mode(const App& app) {
  return app.state.CharMode == 1 ? 1 : 0;
}

// A local path rather than a web or file: address.
bool IsPlainPath(App& app, std::string_view text) {
  return UrlKind(app, text, true) == kAddressMissing;
}

bool HasWildcard(std::string_view text) {
  return Contains(text, "*") || Contains(text, "?");
}

// The save dialog of another front end may hand back a bare name; a batch
// file always carries its extension.
std::string WithDefaultExtension(std::string path, std::string_view extension) {
  if (ExtensionOfPath(path).empty()) {
    path += '.';
    path += extension;
  }
  return path;
}

void RecordHistory(App& app, const std::string& target) {
  LineList& history = app.state.TargetHistory;
  if (history.empty()) history.emplace_back();  // entry 0: the text being typed
  if (history.size() == 1 || history.back() != target) history.push_back(target);
  if (history.size() > kHistoryTargets + 1) history.erase(history.begin() + 1);
}

}  // namespace

std::string FolderOfPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash + 1));
}

std::string ExtensionOfPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  if (slash != std::string_view::npos && dot < slash) return {};
  return std::string(path.substr(dot));
}

void SetEdit1(App& app, std::string text) {
  app.main.Edit1 = std::move(text);
  Edit1Change(app);
}

void B_fileClick(App& app) {
  if (IsBusy(app)) return;
  const std::vector<std::string> files =
      app.ui.ChooseOpenFiles(std::string(texts::TxtOpenFilter[Mode(app)]), kBatchFilterIndex);
  if (files.size() == 1) {
    SetEdit1(app, files.front());
  } else if (files.size() > 1) {
    WriteBatchFile(app, files);
  }
}

OpenDialogOptions OpenDialog1TypeChange(int filterIndex) {
  OpenDialogOptions options;
  options.singleFile = filterIndex == kBatchFilterIndex;
  options.hideReadOnly = true;
  return options;
}

void WriteBatchFile(App& app, const std::vector<std::string>& files) {
  LineList& memo = app.main.Memo1;
  memo.assign(files.begin(), files.end());
  memo.insert(memo.begin(), std::string(texts::BatchHeader));
  app.ui.Refresh(View::MainWindow);

  std::optional<std::string> chosen = app.ui.ChooseSaveFile(
      std::string(texts::TxtSaveFilter[Mode(app)]), std::string(kBatchExtension));
  if (!chosen || chosen->empty()) return;
  const std::string path = WithDefaultExtension(*chosen, kBatchExtension);
  if (!SaveLines(path, memo)) {
    // The list stays in Memo1 so that nothing chosen is lost.
    app.ui.ShowMessage("Cannot create file " + path);
    return;
  }
  memo.clear();
  SetEdit1(app, path);
}

void B_IEClick(App& app) {
  if (IsBusy(app)) return;
  SetEdit1(app, BrowserAddressByDde(app, 0));
}

void B_CheckClick(App& app) {
  if (IsBusy(app)) return;
  app.state.Busy = -1;
  app.ui.PostStartMessage();
  RecordHistory(app, app.main.Edit1);
}

void Button3Click(App& app) {
  app.state.CancelFlag = -1;
}

void Button4Click(App& app) {
  const std::string path = app.state.DataFolder + std::string(kHelpIndex);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  (void)app.ui.OpenHelp(path);
}

void Button8Click(App& app) {
  SetProgressBatchLayout(app);
  app.progress.Label3 = "test";
  const long long entries = static_cast<long long>(app.state.TargetList.size()) - 1;
  app.progress.Label4 =
      std::string(texts::TxtBatch[Mode(app)]) + "<0/" + std::to_string(entries) + ">";
  ShowProgressWindow(app);
  x_hi_chk(app);
}

void Edit1Change(App& app) {
  const std::string& text = app.main.Edit1;
  app.main.Edit1Hint.clear();
  if (!text.empty() && IsPlainPath(app, text) && !Contains(text, "*"))
    app.main.Edit1Hint = std::string(texts::TxtWildHint[Mode(app)]);
  app.ui.Refresh(View::MainWindow);
}

void Edit1DblClick(App& app) {
  MainWindowModel& w = app.main;
  const std::string text = w.Edit1;
  if (!IsPlainPath(app, text)) return;
  if (!HasWildcard(text)) {
    // A bare name stays relative to the current folder.
    const std::string dir = FolderOfPath(text);
    w.WildSource = text;
    w.WildSameExt = dir + "*" + ExtensionOfPath(text);
    w.WildHtml = dir + "*.h*";
    w.WildAll = dir + "*.*";
    SetEdit1(app, w.WildSameExt);
  } else if (text == w.WildSameExt) {
    SetEdit1(app, w.WildHtml);
  } else if (text == w.WildHtml) {
    SetEdit1(app, w.WildAll);
  } else if (text == w.WildAll) {
    SetEdit1(app, w.WildSource);
  }
}

void Edit1KeyUp(App& app, int key) {
  RunState& s = app.state;
  LineList& history = s.TargetHistory;
  if (history.empty()) history.emplace_back();
  if (s.HistoryIndex == 0) history[0] = app.main.Edit1;
  const int count = static_cast<int>(history.size());
  int p = 0;
  if (key == kKeyUp) {
    s.HistoryIndex -= 1;
    p = count + s.HistoryIndex;
    if (p < 1) {
      p = 1;
      s.HistoryIndex = 1 - count;
    }
  } else if (key == kKeyDown) {
    s.HistoryIndex += 1;
    p = count + s.HistoryIndex;
    if (p > count) {
      p = count;
      s.HistoryIndex = 0;
    }
  } else {
    s.HistoryIndex = 0;
  }
  if (p > 0) SetEdit1(app, p < count ? history[static_cast<std::size_t>(p)] : history[0]);
}

}  // namespace vex
