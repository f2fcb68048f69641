#include "ui/frame_chooser_view.h"

#include <QLabel>
#include <QListWidget>
#include <algorithm>

#include "context/app.h"
#include "ui/ui_font.h"

namespace vex::ui {

FrameChooserView::FrameChooserView(App& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), app_(app) {
  setModal(true);
  setFont(UiFont(12));
  ListBox1 = new QListWidget(this);
  ListBox1->setGeometry(0, 0, 441, 81);
  ListBox1->setAttribute(Qt::WA_InputMethodEnabled, false);
  ListBox1->setUniformItemSizes(true);
  Label1 = new QLabel(this);
  Label1->setFont(UiFont(15));
  Label1->move(48, 88);
  Label2 = new QLabel(this);
  Label2->move(88, 104);
  for (QLabel* l : {Label1, Label2}) l->setTextFormat(Qt::PlainText);

  // A click picks the line; so does Enter on the line the keyboard reached.
  auto pick = [this](QListWidgetItem* item) {
    const int row = ListBox1->row(item);
    if (row < 0) return;
    picked_ = row;
    accept();
  };
  connect(ListBox1, &QListWidget::itemClicked, this, pick);
  connect(ListBox1, &QListWidget::itemActivated, this, pick);
}

void FrameChooserView::Refresh() {
  const FrameChooserModel& m = app_.frames;
  setWindowTitle(Q(m.caption));
  ListBox1->clear();
  for (const std::string& line : m.items) ListBox1->addItem(Q(line));
  Label1->setText(Q(m.Label1));
  Label2->setText(Q(m.Label2));
  Label1->adjustSize();
  Label2->adjustSize();
  // The design width holds the texts in the narrow face it was drawn with;
  // with a wider face the window grows rather than cut the texts off.
  constexpr int kRightMargin = 8;
  const int fit =
      std::max(Label1->geometry().right(), Label2->geometry().right()) + 1 + kRightMargin;
  resize(std::max(ClientWidth(m.geometry.width), fit), ClientHeight(m.geometry.height));
  move(m.geometry.left, m.geometry.top);
}

void FrameChooserView::showEvent(QShowEvent* e) {
  picked_.reset();
  QDialog::showEvent(e);
}

void FrameChooserView::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  // The list stretches with the window's width.
  ListBox1->resize(width() - (449 - 441 - 2 * kBorderWidth), ListBox1->height());
}

}  // namespace vex::ui
