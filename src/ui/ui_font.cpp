#include "ui/ui_font.h"

#include <QStringList>

namespace vex::ui {

QFont UiFont(int pixelSize, bool bold) {
  QFont font;
  // The first face that is installed wins; the CJK faces carry both scripts.
  font.setFamilies(QStringList{"Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic", "VL PGothic",
                               "Noto Sans", "DejaVu Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace vex::ui
