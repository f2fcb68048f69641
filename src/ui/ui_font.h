// The program's font: a Japanese face by family fallback, so that Japanese
// texts never show as boxes, at the pixel sizes of the design.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <string>

namespace vex::ui {

QFont UiFont(int pixelSize, bool bold = false);

// Outer window sizes in the models include a caption bar and borders; a Qt
// top-level window is sized by its client area.
inline constexpr int kCaptionHeight = 22;
inline constexpr int kBorderWidth = 3;
inline constexpr int ClientWidth(int outerWidth) {
  return outerWidth - 2 * kBorderWidth;
}
inline constexpr int ClientHeight(int outerHeight) {
  return outerHeight - kCaptionHeight - 2 * kBorderWidth;
}
inline constexpr int OuterHeight(int clientHeight) {
  return clientHeight + kCaptionHeight + 2 * kBorderWidth;
}

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace vex::ui
