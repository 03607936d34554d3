// EPS output of a drawing through the host's plot, and EPS to protected PDF through
// Ghostscript.

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <cadhost/layout.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include "ghostscript.h"
#include "tarvik/attempt.h"
#include "tarvik/beside_drawing.h"
#include "tarvik/cad.h"

namespace tarvik {

namespace {

// The file name of `path` with its extension (if any) replaced by `extension`.
QString withExtension(const QString& path, const QString& extension) {
  QString name = path.mid(path.lastIndexOf(u'/') + 1);
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot > 0) name.truncate(dot);
  return name + extension;
}

bool sameFile(const QString& a, const QString& b) {
  const QFileInfo fa(a), fb(b);
  if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
  return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

QString randomPassword() {
  QString s;
  for (int i = 0; i < 4; ++i)
    s += QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0');
  return s;
}

// The PDF permission word: the reserved bits set, and the rights asked for.
qint32 permissionWord(bool print, bool copy, bool edit) {
  quint32 p = 0xFFFFF0C0u;  // bits 7, 8 and 13 to 32
  if (print) p |= 4u | 2048u;
  if (copy) p |= 16u | 512u;
  if (edit) p |= 8u | 32u | 256u | 1024u;
  return static_cast<qint32>(p);
}

// Draws the mark (two letters of six strokes in a lilac line 24 points wide) in the middle of
// each page as it is finished.
const char* const kMarkProgram = R"(<<
  /EndPage {
    exch pop 2 ne {
      gsave initgraphics
      currentpagedevice /PageSize get aload pop 2 div /cy exch def 2 div /cx exch def
      145 255 div 153 255 div 239 255 div setrgbcolor 24 setlinewidth 1 setlinecap
      [ [-120 130 -10 130] [-120 130 -120 -100] [-10 130 -10 -100] [-120 -100 10 -130]
        [40 130 160 -130] [40 -130 160 130] ] {
        aload pop cy add exch cx add exch 4 2 roll cy add exch cx add exch
        moveto lineto stroke
      } forall
      grestore true
    } { false } ifelse
  } bind
>> setpagedevice
)";

}  // namespace

void CAD::ConvertEPS(const QString& FileName, QString OutputPath, const QString& paperName,
                     const QString& PrintDriver, const QString& sty) {
  if (!acadApp) return;
  // The drawing is opened read-only beside the caller's drawings, which stay open as they are,
  // and only it is closed again. One that cannot be opened is not plotted: another open
  // drawing is never taken for it.
  BesideDrawing drawing(*this);
  if (!drawing.open(FileName, true)) return;
  cadhost::Document doc = drawing.document();
  SetBigFont();

  attempt([&] { acadApp->setVisible(true); });
  attempt([&] { acadApp->zoomExtents(); });
  cadhost::Point3 min{}, max{};
  auto point = [&](const char* name, cadhost::Point3& out) {
    cadhost::Value v;
    if (!attemptGet(v, [&] { return doc.getVariable(name); })) return;
    if (const auto* p = std::get_if<cadhost::Point3>(&v)) out = *p;
  };
  point("extmin", min);
  point("extmax", max);
  attempt([&] { doc.setVariable("BACKGROUNDPLOT", std::int32_t{0}); });
  const cadhost::Point3 lowerLeft{min.x - 20, min.y - 20, 0};
  const cadhost::Point3 upperRight{max.x + 10, max.y + 10, 0};
  if (!OutputPath.endsWith(u'/')) OutputPath += u'/';

  cadhost::Layout layout;
  if (attemptGet(layout, [&] { return doc.activeLayout(); })) {
    attempt([&] { layout.refreshPlotDeviceInfo(); });
    attempt([&] { layout.setConfigName(PrintDriver.toStdString()); });
    attempt([&] { layout.setCanonicalMediaName(paperName.toStdString()); });
    attempt([&] { layout.setPlotWithPlotStyles(true); });
    attempt([&] { layout.setStyleSheet(sty.toStdString()); });
    attempt([&] { layout.setPaperUnits(1); });
    const double w = upperRight.x - lowerLeft.x, h = upperRight.y - lowerLeft.y;
    attempt([&] { layout.setPlotRotation(w > 400 && h > w ? 3 : 0); });
    attempt([&] { layout.setUseStandardScale(true); });
    attempt([&] { layout.setStandardScale(0); });
    attempt([&] { layout.setCenterPlot(false); });
    attempt([&] { layout.setWindowToPlot(lowerLeft, upperRight); });
    attempt([&] { layout.setPlotType(1); });
    attempt([&] { layout.setPlotOrigin({0, 0, 0}); });
    attempt([&] { doc.regen(1); });
    // Whatever the drawing's extension, the plot is an ".eps" of its own: never the drawing.
    const QString output = OutputPath + withExtension(FileName, QStringLiteral(".eps")).toLower();
    if (!sameFile(output, FileName)) attempt([&] { doc.plot().plotToFile(output.toStdString()); });
  }
  drawing.close();
}

QString CAD::Eps2Pdf(const QString& epsFile, const QString& outpdfPath, bool IsPrint, bool IsCopy,
                     bool IsEdit, const QString& OpenPwd, bool IsQXMark) {
  QString folder = outpdfPath;
  if (!folder.endsWith(u'/')) folder += u'/';
  const QString pdf = folder + withExtension(epsFile, QStringLiteral(".pdf"));
  if (!QFileInfo(epsFile).isFile()) return QStringLiteral("EPS文件不存在: ") + epsFile;
  if (sameFile(pdf, epsFile)) return QStringLiteral("PDF文件不能覆盖EPS文件: ") + pdf;
  if (!QFileInfo(folder).isDir()) return QStringLiteral("PDF输出目录不存在: ") + outpdfPath;
  if (OpenPwd.contains(u'"') || OpenPwd.contains(u'\n') || OpenPwd.contains(u'\r') ||
      OpenPwd.contains(QChar(0)))
    return QStringLiteral("打开密码不能含有双引号或换行符");

  // Passwords go through a private options file, never the command line.
  QTemporaryDir work;
  if (!work.isValid()) return QStringLiteral("无法创建临时目录: ") + work.errorString();
  const QString options = work.filePath(QStringLiteral("options"));
  {
    QFile f(options);
    if (!f.open(QIODevice::WriteOnly) ||
        !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
      return QStringLiteral("无法写入临时文件: ") + options;
    QTextStream out(&f);
    out << "-sOwnerPassword=\"" << randomPassword() << "\"\n";
    if (!OpenPwd.isEmpty()) out << "-sUserPassword=\"" << OpenPwd << "\"\n";
    out.flush();
    if (f.error() != QFileDevice::NoError) return QStringLiteral("无法写入临时文件: ") + options;
  }
  QStringList args{QStringLiteral("-sDEVICE=pdfwrite"), QStringLiteral("-dEPSCrop"),
                   QStringLiteral("-dEncryptionR=3"), QStringLiteral("-dKeyLength=128"),
                   QStringLiteral("-dPermissions=%1").arg(permissionWord(IsPrint, IsCopy, IsEdit))};
  const QString temp = folder + u'.' + QFileInfo(pdf).fileName() + u'.' +
                       QString::number(QRandomGenerator::global()->generate(), 16) +
                       QStringLiteral(".tmp");
  args << QStringLiteral("-sOutputFile=") + temp << u'@' + options;
  if (IsQXMark) {
    const QString mark = work.filePath(QStringLiteral("mark.ps"));
    QFile f(mark);
    if (!f.open(QIODevice::WriteOnly) || f.write(kMarkProgram) < 0)
      return QStringLiteral("无法写入临时文件: ") + mark;
    f.close();
    args << mark;
  }
  args << QStringLiteral("-f") << epsFile;
  const ProgramResult r = runGhostscript(args);
  if (!r.ok || !QFileInfo(temp).isFile()) {
    QFile::remove(temp);
    return r.errorTail.isEmpty() ? QStringLiteral("Ghostscript未生成PDF文件") : r.errorTail;
  }
  QFile::remove(pdf);
  if (!QFile::rename(temp, pdf)) {
    QFile::remove(temp);
    return QStringLiteral("无法写入PDF文件: ") + pdf;
  }
  return {};
}

void CAD::CrtPdfFile(const QString& FileName, const QString& OutputPath, const QString& PaperSize,
                     const QString& PrintDriver) {
  (void)FileName, (void)OutputPath, (void)PaperSize, (void)PrintDriver;
}

}  // namespace tarvik
