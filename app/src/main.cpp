// Sheetcut: splits sheet-set drawings into one drawing per frame.

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "sheetcut_app/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  // The program speaks Chinese; Qt's own dialogs follow when its translation is installed.
  QTranslator qtTexts;
  if (qtTexts.load(QStringLiteral("qtbase_zh_CN"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }
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
