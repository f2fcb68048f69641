// Qt's own texts in the dialogs (the buttons of message boxes and questions,
// the labels and buttons of the open and save dialogs) in the program's
// language: Qt's Japanese translation while CharMode is 0, Qt's English
// otherwise. Each dialog asks for the mode of the moment, so a switch in the
// window takes effect with the next dialog.
#pragma once

#include <QTranslator>
#include <memory>

namespace vex::ui {

class DialogLanguage {
 public:
  DialogLanguage();
  ~DialogLanguage();
  DialogLanguage(const DialogLanguage&) = delete;
  DialogLanguage& operator=(const DialogLanguage&) = delete;

  // 0 Japanese, 1 English. Japanese falls back to English when Qt's
  // translation is not installed (Debian package qt6-translations-l10n).
  void Follow(int charMode);
  // Whether Qt's Japanese translation could be loaded.
  bool JapaneseAvailable();

 private:
  std::unique_ptr<QTranslator> japanese_;
  bool tried_ = false;
  bool installed_ = false;
};

}  // namespace vex::ui
