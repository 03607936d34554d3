// ConvertEPS and Eps2Pdf: the EPS of a drawing, its PDF with permissions, passwords and the
// mark, and what a failure leaves behind.

#include <QFile>
#include <QFileInfo>
#include <fstream>

#include "callers_drawing.h"
#include "plot_files.h"
#include "plot_fixture.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

using plottest::PlotFixture;

class EpsPdfTest : public PlotFixture {
 protected:
  // A drawing "Plan.DXF" in "d" plotted to "out/plan.eps".
  QString planEps() {
    EXPECT_TRUE(QDir().mkpath(path("d")));
    EXPECT_TRUE(QDir().mkpath(path("out")));
    rectangleDrawing(500, 300, "d/Plan.DXF");
    app->documents().close(false);
    cad.AcadDoc.reset();
    cad.ConvertEPS(path("d/Plan.DXF"), path("out"), "ISO_A3_(420.00_x_297.00_MM)",
                   "CorvantisEPS Plus.pc3");
    return path("out/plan.eps");
  }
};

TEST_F(EpsPdfTest, ADrawingBecomesAnEpsAndThenAProtectedPdf) {
  const QString eps = planEps();
  ASSERT_TRUE(QFileInfo::exists(eps));
  EXPECT_FALSE(cad.AcadDoc.has_value());  // the closed drawing is not kept
  EXPECT_EQ(app->documents().count(), 0);
  EXPECT_TRUE(QFileInfo::exists(path("d/Plan.DXF")));

  ASSERT_TRUE(QDir().mkpath(path("pdf")));
  EXPECT_EQ(cad.Eps2Pdf(eps, path("pdf")), "");
  const plottest::PdfInfo info = plottest::pdfInfo(path("pdf/plan.pdf").toStdString());
  EXPECT_EQ(info.pages, 1) << info.raw;
  EXPECT_TRUE(info.encrypted);
  EXPECT_NE(info.raw.find("print:yes copy:no change:no addNotes:no"), std::string::npos)
      << info.raw;
  const plottest::GreyImage img = plottest::renderWithGhostscript(
      path("pdf/plan.pdf").toStdString(), 25.4, path("").toStdString());
  EXPECT_GT(img.inkIn(0, 0, img.width, img.height), 500);

  // Other rights, an open password and the mark; a name in capitals gets ".pdf" too.
  ASSERT_TRUE(QFile::copy(eps, path("out/SHEET.EPS")));
  EXPECT_EQ(cad.Eps2Pdf(path("out/SHEET.EPS"), path("pdf/"), false, true, true, "s3 cret", true),
            "");
  const std::string locked = path("pdf/SHEET.pdf").toStdString();
  EXPECT_EQ(plottest::pdfInfo(locked).pages, 0);  // the password is needed
  const plottest::PdfInfo opened = plottest::pdfInfo(locked, "s3 cret");
  EXPECT_EQ(opened.pages, 1) << opened.raw;
  EXPECT_NE(opened.raw.find("print:no copy:yes change:yes addNotes:yes"), std::string::npos)
      << opened.raw;
  // The mark: lilac strokes across the middle of the page.
  const std::string work = path("").toStdString();
  const plottest::RunResult r =
      plottest::run({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sPDFPassword=s3 cret",
                     "-sDEVICE=ppmraw", "-r36", "-sOutputFile=" + work + "/mark.ppm", locked});
  ASSERT_EQ(r.status, 0) << r.output;
  std::ifstream ppm(work + "/mark.ppm", std::ios::binary);
  auto field = [&] {
    ppm >> std::ws;
    while (ppm.peek() == '#') {
      std::string comment;
      std::getline(ppm, comment);
      ppm >> std::ws;
    }
    std::string v;
    ppm >> v;
    return v;
  };
  const std::string magic = field();
  const int w = std::stoi(field()), h = std::stoi(field());
  field();
  ppm.get();
  ASSERT_EQ(magic, "P6");
  std::vector<unsigned char> px(static_cast<std::size_t>(w) * h * 3);
  ppm.read(reinterpret_cast<char*>(px.data()), static_cast<std::streamsize>(px.size()));
  int lilac = 0;
  for (std::size_t i = 0; i + 2 < px.size(); i += 3)
    if (px[i] > 130 && px[i] < 160 && px[i + 1] > 140 && px[i + 1] < 170 && px[i + 2] > 220)
      ++lilac;
  EXPECT_GT(lilac, 200);
}

TEST_F(EpsPdfTest, FailuresReturnTheirDescriptionAndWriteNothing) {
  ASSERT_TRUE(QDir().mkpath(path("pdf")));
  const QString missing = cad.Eps2Pdf(path("none.eps"), path("pdf"));
  EXPECT_TRUE(missing.contains("none.eps")) << missing.toStdString();
  // Not PostScript: Ghostscript's own complaint comes back, and no PDF is left.
  QFile bad(path("bad.eps"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nthis is not postscript\n");
  bad.close();
  const QString failed = cad.Eps2Pdf(path("bad.eps"), path("pdf"));
  EXPECT_FALSE(failed.isEmpty());
  EXPECT_TRUE(QDir(path("pdf")).entryList(QDir::Files | QDir::Hidden).isEmpty());
  // The PDF would be the EPS file itself.
  QFile::copy(path("bad.eps"), path("pdf/same.pdf"));
  EXPECT_FALSE(cad.Eps2Pdf(path("pdf/same.pdf"), path("pdf")).isEmpty());
  EXPECT_EQ(QFileInfo(path("pdf/same.pdf")).size(), QFileInfo(path("bad.eps")).size());
  EXPECT_TRUE(cad.Eps2Pdf(path("bad.eps"), path("pdf"), true, false, false, "a\"b").size() > 0);
}

TEST_F(EpsPdfTest, ConvertEpsLeavesTheCallersDrawingOpenActiveAndUnsaved) {
  ASSERT_TRUE(QDir().mkpath(path("out")));
  rectangleDrawing(500, 300, "Plan.dxf").close(false);
  const CallersDrawing caller(app, cad, rectangleDrawing(100, 100, "caller.dxf"));
  cad.ConvertEPS(path("Plan.dxf"), path("out"), "ISO_A3_(420.00_x_297.00_MM)",
                 "CorvantisEPS Plus.pc3");
  EXPECT_TRUE(QFileInfo::exists(path("out/plan.eps")));
  caller.check();
  // The caller's own drawing by its path: a copy is plotted, the caller's stays as it is.
  cad.ConvertEPS(path("caller.dxf"), path("out"), "ISO_A3_(420.00_x_297.00_MM)",
                 "CorvantisEPS Plus.pc3");
  EXPECT_TRUE(QFileInfo::exists(path("out/caller.eps")));
  caller.check();
  cad.ConvertEPS(path("none.dxf"), path("out"), "ISO_A3_(420.00_x_297.00_MM)",
                 "CorvantisEPS Plus.pc3");
  caller.check();
}

TEST_F(EpsPdfTest, ConvertEpsNeverWritesOntoTheDrawing) {
  // A drawing whose name already ends in ".eps", plotted into its own folder.
  rectangleDrawing(100, 100, "odd.eps").close(false);
  const QByteArray before = [&] {
    QFile f(path("odd.eps"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  cad.ConvertEPS(path("odd.eps"), path(""), "ISO_A4_(297.00_x_210.00_MM)", "CorvantisEPS Plus.pc3");
  QFile f(path("odd.eps"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  // A drawing that cannot be opened plots nothing and leaves no drawing open.
  cad.ConvertEPS(path("none.dxf"), path(""), "ISO_A4_(297.00_x_210.00_MM)",
                 "CorvantisEPS Plus.pc3");
  EXPECT_FALSE(QFileInfo::exists(path("none.eps")));
  EXPECT_EQ(app->documents().count(), 0);
}

TEST_F(EpsPdfTest, PasswordsNeverReachTheCommandLine) {
  // A "gs" first in the path that records its arguments and runs the real one.
  ASSERT_TRUE(QDir().mkpath(path("bin")));
  const QString log = path("gs-args.txt");
  QFile script(path("bin/gs"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(
      ("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + log + "'\nexec /usr/bin/gs \"$@\"\n").toUtf8());
  script.close();
  script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  const QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", path("bin").toUtf8() + ":" + oldPath);
  const QString eps = planEps();
  ASSERT_TRUE(QDir().mkpath(path("pdf")));
  const QString result = cad.Eps2Pdf(eps, path("pdf"), true, false, false, "TopSecret42");
  qputenv("PATH", oldPath);
  EXPECT_EQ(result, "");
  QFile args(log);
  ASSERT_TRUE(args.open(QIODevice::ReadOnly));
  const QString recorded = QString::fromUtf8(args.readAll());
  EXPECT_TRUE(recorded.contains("-dSAFER"));
  EXPECT_FALSE(recorded.contains("TopSecret42")) << recorded.toStdString();
  EXPECT_FALSE(recorded.contains("Password")) << recorded.toStdString();
  EXPECT_EQ(plottest::pdfInfo(path("pdf/plan.pdf").toStdString(), "TopSecret42").pages, 1);
}

}  // namespace
}  // namespace tarvik
