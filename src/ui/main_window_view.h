// The main window: a view of App::main. Every control forwards its event to
// the core handler of the same name; Refresh() copies the model back in.
#pragma once

#include <QWidget>

class QEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vex {
struct App;
}

namespace vex::ui {

class MainWindowView : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindowView(App& app, QWidget* parent = nullptr);

  // Copies the model into the widgets (texts, hints, size, diagnostic area).
  void Refresh();

  QLineEdit* edit1() const { return Edit1; }
  QPushButton* fileButton() const { return B_file; }
  QPushButton* checkButton() const { return B_Check; }
  QPushButton* markButton() const { return Button5; }
  QPushButton* pageTypeButton() const { return Button7; }

 signals:
  // The window was closed (by the user or by the end of an automatic run).
  void closed();

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildTopRow();
  void BuildDiagnosticArea();
  void RefreshDiagnosticArea();

  App& app_;

  QPushButton* B_file = nullptr;
  QPushButton* B_IE = nullptr;
  QPushButton* B_Check = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button7 = nullptr;

  QWidget* diagnostic_ = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QPlainTextEdit* Memo[9] = {};  // Memo1..Memo8 at their numbers
};

}  // namespace vex::ui
