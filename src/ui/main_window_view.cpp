#include "ui/main_window_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>
#include <string>

#include "context/app.h"
#include "context/progress_window.h"
#include "control/check_run.h"
#include "control/main_window.h"
#include "links/link_walk.h"
#include "platform/text/line_list.h"
#include "preparation/page_preparation.h"
#include "probe/address_check.h"
#include "ui/ui_font.h"

namespace vex::ui {

namespace {

void Place(QWidget* w, const ControlPlace& p) {
  w->setGeometry(p.x, p.y, p.width, p.height);
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, const ControlPlace& p) {
  auto* b = new QPushButton(caption, parent);
  Place(b, p);
  return b;
}

// Nothing may leave a Qt slot by an exception: a failure is shown instead.
// The window shows whatever the handler left behind either way.
template <typename Handler>
void Guarded(App& app, Handler handler) {
  try {
    handler();
  } catch (const std::exception& failure) {
    app.ui.ShowMessage(failure.what());
  }
  app.ui.Refresh(View::MainWindow);
}

// The diagnostic boxes are not in the Tab order.
QPlainTextEdit* MakeMemo(QWidget* parent, int x, int y, int w, int h) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setGeometry(x, y, w, h);
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setFocusPolicy(Qt::ClickFocus);
  memo->setAttribute(Qt::WA_InputMethodEnabled, false);
  return memo;
}

QLineEdit* MakeLineEdit(QWidget* parent, int x, int y, int w, int h) {
  auto* edit = new QLineEdit(parent);
  edit->setGeometry(x, y, w, h);
  return edit;
}

// Captions such as "<Edit>" are plain text, never markup.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->move(x, y);
  label->adjustSize();
  return label;
}

void SetLines(QPlainTextEdit* memo, const LineList& lines) {
  const QString text = Q(JoinLines(lines, false)).replace("\r\n", "\n");
  if (memo->toPlainText() != text) memo->setPlainText(text);
}

void SetText(QLineEdit* edit, const std::string& text) {
  const QString q = Q(text);
  if (edit->text() != q) edit->setText(q);
}

void SetButton(QPushButton* b, const ButtonModel& m) {
  b->setText(Q(m.caption));
  b->setToolTip(Q(m.hint));
}

// Key codes the history recall knows; every other key counts as "other".
int KeyCodeOf(int qtKey) {
  if (qtKey == Qt::Key_Up) return kKeyUp;
  if (qtKey == Qt::Key_Down) return kKeyDown;
  return 0;
}

}  // namespace

MainWindowView::MainWindowView(App& app, QWidget* parent) : QWidget(parent), app_(app) {
  setFont(UiFont(12));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  BuildTopRow();
  BuildDiagnosticArea();
  Refresh();
}

void MainWindowView::BuildTopRow() {
  B_file = MakeButton(this, "file", kB_filePlace);
  B_IE = MakeButton(this, "IE", kB_IEPlace);
  B_Check = MakeButton(this, "Check!", kB_CheckPlace);
  Edit1 = new QLineEdit(this);
  Place(Edit1, kEdit1Place);
  Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
  Edit1->installEventFilter(this);
  Button4 = MakeButton(this, "HELP", kButton4Place);
  Button5 = MakeButton(this, "", kButton5Place);
  Button7 = MakeButton(this, "", kButton7Place);
  for (QPushButton* b : {B_file, B_IE, B_Check, Button4, Button5, Button7})
    b->setAutoDefault(false);

  // Tab order: IE, Check!, Edit1, HELP, mark, page type, file.
  setTabOrder(B_IE, B_Check);
  setTabOrder(B_Check, Edit1);
  setTabOrder(Edit1, Button4);
  setTabOrder(Button4, Button5);
  setTabOrder(Button5, Button7);
  setTabOrder(Button7, B_file);

  connect(B_file, &QPushButton::clicked, this, [this] { B_fileClick(app_); });
  connect(B_IE, &QPushButton::clicked, this, [this] { B_IEClick(app_); });
  connect(B_Check, &QPushButton::clicked, this, [this] { B_CheckClick(app_); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(app_); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(app_); });
  connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(app_); });
  // Only the user's typing reaches the handler here; a handler that sets the
  // text runs Edit1Change itself.
  connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
    app_.main.Edit1 = text.toStdString();
    Edit1Change(app_);
  });
}

void MainWindowView::BuildDiagnosticArea() {
  diagnostic_ = new QWidget(this);
  diagnostic_->setGeometry(0, 26, 730, 530);
  QWidget* d = diagnostic_;
  const int dy = -26;  // the area's controls are placed in window coordinates

  QLabel* baseLabel = MakeLabel(d, "<base>", 18, 33 + dy);
  Edit2 = MakeLineEdit(d, 72, 32 + dy, 417, 20);
  Memo[1] = MakeMemo(d, 8, 56 + dy, 233, 89);
  QLabel* sourceLabel = MakeLabel(d, "<HTML tag OuterHtml>", 9, 161 + dy);
  Memo[2] = MakeMemo(d, 8, 176 + dy, 233, 161);
  Memo[3] = MakeMemo(d, 248, 64 + dy, 249, 217);
  QLabel* workLabel = MakeLabel(d, "<Edit>", 7, 340 + dy);
  Memo[5] = MakeMemo(d, 8, 352 + dy, 233, 169);
  Memo[6] = MakeMemo(d, 248, 304 + dy, 249, 209);
  Memo[4] = MakeMemo(d, 504, 208 + dy, 185, 129);
  Memo[7] = MakeMemo(d, 504, 344 + dy, 185, 73);
  Memo[8] = MakeMemo(d, 504, 424 + dy, 185, 73);
  Edit3 = MakeLineEdit(d, 592, 88 + dy, 89, 20);
  Edit4 = MakeLineEdit(d, 592, 112 + dy, 89, 20);
  for (QLineEdit* e : {Edit2, Edit3, Edit4}) e->setReadOnly(true);
  // The design's labels are shorter than this font's lines: keep them above
  // the boxes they touch.
  for (QLabel* l : {baseLabel, sourceLabel, workLabel}) l->raise();

  auto* button1 = MakeButton(d, "Get", {504, 88 + dy, 75, 25});
  auto* button3 = MakeButton(d, "Cancel", {504, 128 + dy, 75, 25});
  auto* button6 = MakeButton(d, "保存＆表示", {592, 144 + dy, 73, 25});
  auto* button2 = MakeButton(d, "Check", {504, 160 + dy, 75, 25});
  button2->setToolTip("addres check");
  auto* button8 = MakeButton(d, "Button8", {600, 184 + dy, 57, 17});
  button8->setFont(UiFont(11));
  for (QPushButton* b : {button1, button2, button3, button6}) b->setFocusPolicy(Qt::ClickFocus);
  for (QPushButton* b : {button1, button2, button3, button6, button8}) b->setAutoDefault(false);

  // The three work on whatever the last check left behind; a browser
  // failure that page preparation raises is shown by Guarded.
  connect(button1, &QPushButton::clicked, this,
          [this] { Guarded(app_, [this] { (void)x_GetHtml(app_, std::string()); }); });
  connect(button2, &QPushButton::clicked, this,
          [this] { Guarded(app_, [this] { (void)Button2Click(app_); }); });
  connect(button6, &QPushButton::clicked, this, [this] {
    Guarded(app_, [this] {
      std::string shownAtEnd;  // empty: the annotated page is shown
      (void)WalkLinks(app_, shownAtEnd);
    });
  });
  connect(button3, &QPushButton::clicked, this, [this] { Button3Click(app_); });
  connect(button8, &QPushButton::clicked, this, [this] { Button8Click(app_); });
}

void MainWindowView::Refresh() {
  const MainWindowModel& m = app_.main;
  setWindowTitle(Q(m.caption));
  SetButton(B_file, m.B_file);
  SetButton(B_IE, m.B_IE);
  SetButton(B_Check, m.B_Check);
  SetButton(Button4, m.Button4);
  SetButton(Button5, m.Button5);
  SetButton(Button7, m.Button7);
  SetText(Edit1, m.Edit1);
  Edit1->setToolTip(Q(m.Edit1Hint));

  const Geometry& g = m.geometry;
  if (g.width > 0 && g.height > 0) {
    const QSize client(ClientWidth(g.width), ClientHeight(g.height));
    if (size() != client) setFixedSize(client);
    if (pos() != QPoint(g.left, g.top)) move(g.left, g.top);
  }
  diagnostic_->setVisible(m.diagnosticLayout);
  if (m.diagnosticLayout) RefreshDiagnosticArea();
}

void MainWindowView::RefreshDiagnosticArea() {
  const MainWindowModel& m = app_.main;
  const RunState& s = app_.state;
  SetText(Edit2, m.Edit2);
  SetText(Edit3, m.Edit3);
  SetText(Edit4, m.Edit4);
  SetLines(Memo[1], m.Memo1);
  SetLines(Memo[2], s.SourceLines);
  SetLines(Memo[3], s.FrameUrls);
  SetLines(Memo[4], m.Memo4);
  SetLines(Memo[5], s.WorkLines);
  SetLines(Memo[6], s.LocalFileLines);
  SetLines(Memo[7], m.Memo7);
  SetLines(Memo[8], m.Memo8);
}

bool MainWindowView::event(QEvent* e) {
  if (e->type() == static_cast<QEvent::Type>(kStartCheckMessage)) {
    // Nothing may leave an event handler by an exception; a run that fails
    // that way still ends as every run does, with Busy cleared.
    try {
      x_CheckRun(app_);
    } catch (const std::exception& failure) {
      app_.state.Busy = 0;
      app_.ui.ShowMessage(failure.what());
    }
    return true;
  }
  return QWidget::event(e);
}

void MainWindowView::closeEvent(QCloseEvent* e) {
  // A run that is still going stops at its next look at the cancel flag.
  if (app_.state.Busy == -1) Button3Click(app_);
  QWidget::closeEvent(e);
  if (e->isAccepted()) emit closed();
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* e) {
  if (watched == Edit1) {
    if (e->type() == QEvent::MouseButtonDblClick) {
      Edit1DblClick(app_);
      return true;
    }
    if (e->type() == QEvent::KeyRelease) {
      auto* key = static_cast<QKeyEvent*>(e);
      if (!key->isAutoRepeat()) Edit1KeyUp(app_, KeyCodeOf(key->key()));
    }
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace vex::ui
