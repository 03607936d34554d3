#pragma once

// A host with one new drawing connected to a CAD object, and what the writing tests read back:
// the texts of model space and drawings saved and checked by python3-ezdxf.

#include <gtest/gtest.h>

#include <cadhost/application.h>
#include <tarvik/cad.h>

#include <QProcess>
#include <QTemporaryDir>
#include <sstream>
#include <string>
#include <vector>

#include "qstring_printer.h"

namespace tarvik {

class WritingTestAccess {
 public:
  static std::vector<CellType>& cells(CAD& cad) { return cad.Cells; }
  static long& cellNum(CAD& cad) { return cad.CellNum; }
  static std::vector<TextType>& texts(CAD& cad) { return cad.Texts; }
  static std::vector<TextType>& cornerTexts(CAD& cad) { return cad.CornerTexts; }
  static bool& quitFlag(CAD& cad) { return cad.QuitFlag; }
  static std::vector<LayoutPlacement> matchBlnMod(CAD& cad, int i,
                                                  const std::optional<Point3d>& P1 = {},
                                                  const std::optional<Point3d>& P2 = {}) {
    return cad.MatchBlnMod(i, P1, P2);
  }
  static void getDwgTexts(CAD& cad) { cad.GetDwgTexts(); }
  static void readBln(CAD& cad, int i) { cad.ReadBln(i); }
  static void wriBlnCells(CAD& cad, int i, double x0, double y0, double xs, double ys) {
    cad.WriBlnCells(i, x0, y0, xs, ys);
  }
  static void saveBlockLayoutEx(CAD& cad, const QString& name, const std::vector<CellType>& cells) {
    cad.SaveBlockLayoutEx(name, cells);
  }
};

// Runs a python3 script with ezdxf on `path`; returns its output lines (stdout, then stderr).
inline std::vector<std::string> runEzdxf(const QString& script, const QStringList& args) {
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), QStringList{"-c", script} + args);
  if (!python.waitForFinished(120000)) return {"python3 did not finish"};
  std::vector<std::string> lines;
  std::istringstream out(python.readAllStandardOutput().toStdString() +
                         python.readAllStandardError().toStdString());
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  return lines;
}

// The audit findings of ezdxf for a drawing file: empty when it is clean.
inline std::vector<std::string> ezdxfAudit(const QString& path) {
  return runEzdxf(QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
for e in auditor.errors:
    print('AUDIT: ' + str(e.message))
)"),
                  {path});
}

// A cell between (x0, y0) and (x1, y1) as three-double points.
inline CellType cellBetween(const QString& name, double x0, double y0, double x1, double y1,
                            std::int16_t T = 1, const QString& s = {}) {
  return {name, Variant::point(x0, y0, 0), Variant::point(x1, y1, 0), T, s};
}

class WritingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    app = cadhost::Application::create();
    doc = app->documents().add();
    cad.acadApp = app;
    cad.AcadDoc = doc;
  }
  void TearDown() override {
    cad.AcadDoc.reset();
    cad.acadApp.reset();
    app->quit();
  }
  // Model-space entities of one DXF type, in database order.
  std::vector<cadhost::Entity> entities(const std::string& type) const {
    std::vector<cadhost::Entity> out;
    for (const cadhost::Entity& e : doc.modelSpace().entities())
      if (e.dxfType() == type) out.push_back(e);
    return out;
  }
  static double boxWidth(const cadhost::Entity& e) {
    cadhost::Point3 lo, hi;
    e.getBoundingBox(lo, hi);
    return hi.x - lo.x;
  }
  QString save(const QString& name) {
    const QString path = tmp.path() + "/" + name;
    doc.saveAs(path.toStdString());
    return path;
  }

  QTemporaryDir tmp;
  std::shared_ptr<cadhost::Application> app;
  cadhost::Document doc;
  CAD cad;
};

}  // namespace tarvik
