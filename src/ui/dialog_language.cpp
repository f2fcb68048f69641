#include "ui/dialog_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace vex::ui {

DialogLanguage::DialogLanguage() = default;

DialogLanguage::~DialogLanguage() {
  if (installed_) QCoreApplication::removeTranslator(japanese_.get());
}

bool DialogLanguage::JapaneseAvailable() {
  if (!tried_) {
    tried_ = true;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      japanese_ = std::move(translator);
    }
  }
  return japanese_ != nullptr;
}

void DialogLanguage::Follow(int charMode) {
  const bool japanese = charMode == 0 && JapaneseAvailable();
  // Dates and sizes in the file dialogs follow the language too.
  QLocale::setDefault(japanese ? QLocale(QLocale::Japanese, QLocale::Japan)
                               : QLocale(QLocale::English, QLocale::UnitedStates));
  if (japanese == installed_) return;
  installed_ = japanese ? QCoreApplication::installTranslator(japanese_.get())
                        : !QCoreApplication::removeTranslator(japanese_.get());
}

}  // namespace vex::ui
