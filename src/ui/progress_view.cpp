#include "ui/progress_view.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>

#include "context/app.h"
#include "context/progress_window.h"
#include "ui/ui_font.h"

namespace vex::ui {

namespace {

constexpr int kBarHeight = 17;
// The one-target layout's client area; the batch labels and bar lie below it.
constexpr int kTopAreaHeight = ClientHeight(kProgressHeightSingle);
// One line of a docked label in the design.
constexpr int kLabelLine = 16;

QProgressBar* MakeBar(QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setTextVisible(false);
  return bar;
}

QLabel* MakeWrappedLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void SetBar(QProgressBar* bar, const ProgressBarModel& m) {
  bar->setRange(m.min, std::max(m.min, m.max));
  bar->setValue(std::clamp(m.position, m.min, std::max(m.min, m.max)));
}

}  // namespace

ProgressView::ProgressView(App& app, QWidget* parent) : QWidget(parent), app_(app) {
  // A caption but no buttons on it, above the other windows, not taking the
  // focus from the main window when it appears.
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(UiFont(12));
  QPalette palette = QToolTip::palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
  palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
  setPalette(palette);
  setAutoFillBackground(true);

  st1_ProBar1 = MakeBar(this);
  Label2 = MakeWrappedLabel(this);
  Label2->setWordWrap(false);  // shortened instead, see ShowAddress
  Label1 = new QLabel(this);
  Label1->setFont(UiFont(21));
  Label1->setTextFormat(Qt::PlainText);
  SpeedButton1 = new QToolButton(this);
  SpeedButton1->setText("Cancel");
  SpeedButton1->setFont(UiFont(16, true));
  QPalette teal = SpeedButton1->palette();
  teal.setColor(QPalette::ButtonText, QColor(0, 128, 128));
  SpeedButton1->setPalette(teal);
  SpeedButton1->setFocusPolicy(Qt::NoFocus);
  Label4 = MakeWrappedLabel(this);
  st1_ProBar2 = MakeBar(this);
  Label3 = MakeWrappedLabel(this);

  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(app_); });
  Refresh();
}

int ProgressView::LabelHeight(QLabel* label) const {
  // A docked label is as tall as its text, wrapped to the window's width,
  // and never shorter than one line: the design's, or the face's when taller.
  const int oneLine = std::max(kLabelLine, label->fontMetrics().height());
  if (label->text().isEmpty()) return oneLine;
  const int needed =
      label->wordWrap() ? label->heightForWidth(width()) : label->sizeHint().height();
  return std::max(oneLine, needed);
}

void ProgressView::ShowAddress() {
  // A wrapped address would grow into the count and the Cancel button below
  // it; the middle goes, the scheme, host and file name stay.
  const int room = std::max(0, width() - 2 * Label2->margin());
  const QString shown = Label2->fontMetrics().elidedText(address_, Qt::ElideMiddle, room);
  if (Label2->text() != shown) Label2->setText(shown);
  Label2->setToolTip(shown == address_ ? QString() : address_);
}

void ProgressView::LayOut() {
  const int w = width();
  // Docked at the top: the page bar, then the address.
  st1_ProBar1->setGeometry(0, 0, w, kBarHeight);
  Label2->setGeometry(0, kBarHeight, w, LabelHeight(Label2));
  Label1->move(8, 43);
  Label1->resize(std::max(0, 248 - 8), Label1->sizeHint().height());
  SpeedButton1->setGeometry(256, 40, 89, 33);
  // Docked at the bottom, from the very bottom up: entry, batch bar, position.
  int bottom = height();
  const int h3 = LabelHeight(Label3);
  Label3->setGeometry(0, bottom - h3, w, h3);
  bottom -= Label3->isVisibleTo(this) ? h3 : 0;
  st1_ProBar2->setGeometry(0, bottom - kBarHeight, w, kBarHeight);
  bottom -= st1_ProBar2->isVisibleTo(this) ? kBarHeight : 0;
  const int h4 = LabelHeight(Label4);
  Label4->setGeometry(0, bottom - h4, w, h4);
}

void ProgressView::Refresh() {
  const ProgressModel& m = app_.progress;
  setWindowTitle(Q(m.caption));
  SetBar(st1_ProBar1, m.st1_ProBar1);
  SetBar(st1_ProBar2, m.st1_ProBar2);
  st1_ProBar1->setVisible(m.st1_ProBar1.visible);
  st1_ProBar2->setVisible(m.st1_ProBar2.visible);
  Label1->setText(Q(m.Label1));
  address_ = Q(m.Label2);
  Label3->setText(Q(m.Label3));
  Label4->setText(Q(m.Label4));
  Label3->setVisible(m.Label3Visible);
  Label4->setVisible(m.Label4Visible);

  Qt::WindowFlags flags = windowFlags();
  if (flags.testFlag(Qt::WindowStaysOnTopHint) != m.stayOnTop) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, m.stayOnTop);
    if (shown) show();
  }
  const Geometry& g = m.geometry;
  const QSize client(ClientWidth(g.width), ClientHeight(g.height));
  if (size() != client) setFixedSize(client);
  if (pos() != QPoint(g.left, g.top)) move(g.left, g.top);
  ShowAddress();
  LayOut();
  if (m.visible != isVisible()) setVisible(m.visible);
}

void ProgressView::FitHeight() {
  int bottom = kTopAreaHeight;
  if (Label4->isVisibleTo(this)) bottom += LabelHeight(Label4);
  if (st1_ProBar2->isVisibleTo(this)) bottom += kBarHeight;
  if (!Label3->isVisibleTo(this)) return;  // nothing stands at the bottom to fit to
  bottom += LabelHeight(Label3);
  if (height() != bottom) {
    app_.progress.geometry.height = OuterHeight(bottom);
    setFixedSize(width(), bottom);
    LayOut();
  }
}

void ProgressView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOut();
}

void ProgressView::closeEvent(QCloseEvent* e) {
  // The window has no close box; only the program closes it.
  if (e->spontaneous()) {
    e->ignore();
    return;
  }
  QWidget::closeEvent(e);
}

}  // namespace vex::ui
