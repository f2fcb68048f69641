// The progress window: a view of App::progress. It stays on top, has no
// caption-bar buttons and only one control of its own, the Cancel button.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

namespace vex {
struct App;
}

namespace vex::ui {

class ProgressView : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressView(App& app, QWidget* parent = nullptr);

  // Copies the model into the widgets; shows or hides the window.
  void Refresh();
  // Fits the height so that the client area ends at the bottom of Label3,
  // and stores the outer height in the model.
  void FitHeight();

  QToolButton* cancelButton() const { return SpeedButton1; }
  QLabel* label1() const { return Label1; }
  QLabel* label2() const { return Label2; }
  QLabel* label3() const { return Label3; }
  QProgressBar* pageBar() const { return st1_ProBar1; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void LayOut();
  int LabelHeight(QLabel* label) const;
  // Shows the address on one line, shortened in the middle when too long.
  void ShowAddress();

  App& app_;
  QProgressBar* st1_ProBar1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QLabel* Label4 = nullptr;
  QProgressBar* st1_ProBar2 = nullptr;
  QLabel* Label3 = nullptr;
  QString address_;  // Label2's whole text
};

}  // namespace vex::ui
