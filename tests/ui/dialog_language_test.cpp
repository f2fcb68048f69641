// Qt's own texts in the dialogs follow the program's language, also when the
// mode is switched during the session.
#include "ui/dialog_language.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "context/texts.h"
#include "control/main_window.h"
#include "scripted_qt_front_end.h"

using vex::testing::QtTestProgram;

namespace {

// The texts of the open or save dialog that the front end opens next, read
// while it shows; the dialog is then cancelled.
class DialogReader {
 public:
  DialogReader() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* button : box->buttons()) texts << button->text();
      for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
      dialog->reject();
    });
    timer_.start(10);
  }
  QStringList texts;

 private:
  QTimer timer_;
};

bool AnyContains(const QStringList& texts, const QString& part) {
  for (const QString& t : texts)
    if (t.contains(part)) return true;
  return false;
}

}  // namespace

class DialogLanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void questionButtonsFollowTheModeOfTheMoment();
  void fileDialogsFollowTheModeOfTheMoment();
};

void DialogLanguageTest::initTestCase() {
  vex::ui::DialogLanguage language;
  QVERIFY2(language.JapaneseAvailable(),
           "Qt's Japanese translation is missing: install qt6-translations-l10n");
}

void DialogLanguageTest::questionButtonsFollowTheModeOfTheMoment() {
  QtTestProgram p;
  struct Step {
    int mode;
    QStringList buttons;  // Yes, No, Cancel as shown
  };
  // Japanese, switched to English, and back.
  const Step steps[] = {
      {0, {"はい", "いいえ", "キャンセル"}},
      {1, {"&Yes", "&No", "Cancel"}},
      {0, {"はい", "いいえ", "キャンセル"}},
  };
  for (const Step& step : steps) {
    p.app.state.CharMode = step.mode;
    p.ui.boxes.clear();
    (void)p.ui.AskYesNoCancel("?");
    QCOMPARE(p.ui.boxes.size(), std::size_t(1));
    for (const QString& text : step.buttons)
      QVERIFY2(AnyContains(p.ui.boxes[0].buttonTexts, text),
               qPrintable(p.ui.boxes[0].buttonTexts.join('|') + " lacks " + text));
  }
  // A message has its one button in the language too.
  p.app.state.CharMode = 0;
  p.ui.boxes.clear();
  p.ui.ShowMessage("!");
  QCOMPARE(p.ui.boxes.at(0).buttonTexts, QStringList{"OK"});
}

void DialogLanguageTest::fileDialogsFollowTheModeOfTheMoment() {
  QtTestProgram p;
  struct Step {
    int mode;
    bool save;
    QStringList shown;     // parts of texts that must show
    QStringList notShown;  // parts of the other language's texts
  };
  const Step steps[] = {
      {0, false, {"開く", "ファイル名", "キャンセル"}, {"Cancel"}},
      {1, false, {"Open", "File &name", "Cancel"}, {"キャンセル"}},
      {0, true, {"保存", "ファイル名", "キャンセル"}, {"Cancel"}},
      {1, true, {"Save", "File &name", "Cancel"}, {"キャンセル"}},
  };
  for (const Step& step : steps) {
    p.app.state.CharMode = step.mode;
    DialogReader reader;
    if (step.save) {
      QVERIFY(!p.ui.vex::ui::QtFrontEnd::ChooseSaveFile(
          std::string(vex::texts::TxtSaveFilter[step.mode]), "bchk"));
    } else {
      QVERIFY(p.ui.vex::ui::QtFrontEnd::ChooseOpenFiles(
                      std::string(vex::texts::TxtOpenFilter[step.mode]), vex::kBatchFilterIndex)
                  .empty());
    }
    const QString all = reader.texts.join('|');
    for (const QString& part : step.shown) QVERIFY2(all.contains(part), qPrintable(all));
    for (const QString& part : step.notShown) QVERIFY2(!all.contains(part), qPrintable(all));
  }
}

QTEST_MAIN(DialogLanguageTest)
#include "dialog_language_test.moc"
