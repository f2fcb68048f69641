// The Qt front end with its blocking parts scripted: message boxes are
// answered from a list, dialogs return prepared paths, and addresses handed
// to the desktop are recorded. Everything else is the real front end.
#pragma once

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "context/app.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"
#include "support/test_app.h"
#include "ui/qt_front_end.h"

namespace vex::testing {

class ScriptedQtFrontEnd : public ui::QtFrontEnd {
 public:
  using QtFrontEnd::QtFrontEnd;

  std::vector<std::string> ChooseOpenFiles(const std::string& filters, int) override {
    openFilters.push_back(filters);
    if (openResults.empty()) return {};
    auto r = openResults.front();
    openResults.pop_front();
    return r;
  }
  std::optional<std::string> ChooseSaveFile(const std::string& filters,
                                            const std::string& extension) override {
    saveFilters.push_back(filters);
    std::optional<std::string> r;
    if (!saveResults.empty()) {
      r = saveResults.front();
      saveResults.pop_front();
    }
    // As the real dialog does: a name without extension gets the default one.
    if (r && r->find('.', r->rfind('/') + 1) == std::string::npos) *r += "." + extension;
    return r;
  }

  void PostStartMessage() override {
    ++startMessages;
    QtFrontEnd::PostStartMessage();
  }

  struct Box {
    QString title, text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts;  // as shown, in the box's order
  };
  int startMessages = 0;
  std::vector<Box> boxes;
  std::deque<int> boxAnswers;  // QMessageBox::StandardButton values
  QStringList openedUrls;
  std::deque<std::vector<std::string>> openResults;
  std::deque<std::optional<std::string>> saveResults;
  std::vector<std::string> openFilters, saveFilters;

 protected:
  int ExecBox(QMessageBox& box) override {
    QStringList texts;
    for (QAbstractButton* button : box.buttons()) texts << button->text();
    boxes.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons(), texts});
    if (boxAnswers.empty()) return QMessageBox::No;
    const int a = boxAnswers.front();
    boxAnswers.pop_front();
    return a;
  }
  bool OpenUrl(const QString& url) override {
    openedUrls << url;
    return true;
  }
};

// The desktop program's parts over a test clock.
struct QtTestProgram {
  QtTestProgram() {
    app.state.TargetHistory = {""};
    app.state.RunMode = 1;
    app.main.geometry = {1, 1, 671, 55};
    ui.Attach(app);
  }
  ManualClock clock;
  ScriptedQtFrontEnd ui{clock};
  testing::RefusingHttpClient http;
  App app{ui, clock, http};
};

}  // namespace vex::testing
