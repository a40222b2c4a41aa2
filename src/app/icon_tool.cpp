// Build-time tool: writes the program icon as PNG files for installation.
// Usage: tomeshift-icon-tool SIZE FILE [SIZE FILE ...]
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "app/program_icon.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  for (int i = 1; i + 1 < argc; i += 2) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || !tomeshift::app::PaintProgramIcon(size).save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
      std::fprintf(stderr, "tomeshift-icon-tool: cannot write %s\n", argv[i + 1]);
      return 1;
    }
  }
  return 0;
}
