// Sheetcut: splits sheet-set drawings into one drawing per frame.

#include <QApplication>

#include "sheetcut_app/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  sheetcut::app::Program program(
      sheetcut::app::ProgramParts{.makeApi = sheetcut::app::makeApiServices,
                                  .makeCad = sheetcut::app::makeCadComponent,
                                  .systemBox = {},
                                  .programFolder = {},
                                  .lockFolder = {},
                                  .onEnd = {}});
  if (!program.Main()) return 0;
  return QApplication::exec();
}
