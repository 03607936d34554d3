// make-app-assets FOLDER: writes the program's status pictures (FOLDER/ico/go.gif, ok.gif,
// faliure.gif, noframe.gif) and its user's guide (FOLDER/help.pdf).

#include <QDir>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <cstdio>
#include <exception>

#include "gif_writer.h"
#include "help_text.h"
#include "sheetcut_app/app_version.h"
#include "sheetcut_app/program_pictures.h"

namespace {

using namespace sheetcut::app;

bool writePicture(const QString& folder, StatusPicture kind) {
  QSaveFile file(folder + QLatin1Char('/') + statusPictureFile(kind));
  return file.open(QIODevice::WriteOnly) &&
         file.write(encodeGif(drawStatusPicture(kind, 16))) >= 0 && file.commit();
}

bool writeHelp(const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  {
    QPdfWriter pdf(&file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(150);
    pdf.setTitle(QStringLiteral("Corvantis图形拆分工具 使用说明"));
    pdf.setCreator(kProgramTitle);
    QTextDocument doc;
    doc.setHtml(helpHtml(GetAppVersion()));
    doc.print(&pdf);
  }
  return file.commit();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-app-assets FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString icoFolder = folder + QStringLiteral("/ico");
  try {
    if (!QDir().mkpath(icoFolder)) {
      std::fprintf(stderr, "make-app-assets: cannot create %s\n", qPrintable(icoFolder));
      return 1;
    }
    for (StatusPicture kind : kStatusPictures) {
      if (!writePicture(icoFolder, kind)) {
        std::fprintf(stderr, "make-app-assets: cannot write %s in %s\n",
                     qPrintable(statusPictureFile(kind)), qPrintable(icoFolder));
        return 1;
      }
    }
    if (!writeHelp(folder + QStringLiteral("/help.pdf"))) {
      std::fprintf(stderr, "make-app-assets: cannot write %s/help.pdf\n", qPrintable(folder));
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-app-assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
