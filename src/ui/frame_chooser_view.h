// The frame chooser: a modal list of frame addresses (a view of App::frames).
// A click on a line picks it; the close box picks nothing.
#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QListWidget;

namespace vex {
struct App;
}

namespace vex::ui {

class FrameChooserView : public QDialog {
  Q_OBJECT

 public:
  explicit FrameChooserView(App& app, QWidget* parent = nullptr);

  // Copies the model (placement, lines, labels) into the dialog.
  void Refresh();
  // The line picked by the last showing, nothing when closed without a pick.
  std::optional<int> picked() const { return picked_; }

  QListWidget* list() const { return ListBox1; }
  QLabel* label1() const { return Label1; }
  QLabel* label2() const { return Label2; }

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  App& app_;
  QListWidget* ListBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  std::optional<int> picked_;
};

}  // namespace vex::ui
