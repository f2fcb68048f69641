#include <QApplication>

#include "ui/program.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  return vex::ui::RunProgram(qt, argc, argv);
}
