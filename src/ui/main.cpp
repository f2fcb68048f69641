#include <QApplication>

#include "platform/system/heap_tuning.h"
#include "ui/program.h"

int main(int argc, char** argv) {
  vex::KeepFreedMemoryForReuse();
  QApplication qt(argc, argv);
  return vex::ui::RunProgram(qt, argc, argv);
}
