#pragma once

// A CAD object on a fresh host, with a scripted user interface and helpers for plot settings
// and drawings. Device plots find no print queue (CUPS_SERVER names a socket nobody listens
// on) unless a test starts a scheduler of its own.

#include <gtest/gtest.h>

#include <cadhost/cadhost.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "tarvik/cad.h"
#include "tarvik/scripted_ui.h"

namespace tarvik {

// DwgPlotCmd's work with its result: why the window was not plotted ("" when it was).
class PlotTestAccess {
 public:
  static QString plotWindow(CAD& cad, const QString& name, Point3d a, Point3d b) {
    return cad.plotWindow(name, a, b);
  }
};

}  // namespace tarvik

namespace plottest {

class PlotFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    ui = std::make_shared<tarvik::ScriptedUi>();
    cad.setUi(ui);
    setenv("CUPS_SERVER", path("no-cups.sock").toUtf8().constData(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    app = cadhost::Application::create();
    cad.acadApp = app;
    ASSERT_TRUE(QDir().mkpath(path("plots")));
  }
  void TearDown() override { app->quit(); }

  QString path(const QString& relative) const { return tmp.path() + "/" + relative; }

  // The nine settings: plotter, paper, mismatch rule and scale as given, files of `extension`
  // into "plots".
  void settings(const QString& driver, const QString& paper, const QString& mismatch,
                const QString& scale, const QString& extension = "pdf",
                const QString& folder = QString()) {
    tarvik::PlotSettings s;
    s.set("驱动", driver);
    s.set("样式", "acad.ctb,acad.stb");
    s.set("输出路径", folder.isNull() ? path("plots") : folder);
    s.set("路径类型", "");
    s.set("输出类别", extension);
    s.set("纸张大小", paper);
    s.set("纸张匹配失败", mismatch);
    s.set("比例", scale);
    s.set("绘图类别", "");
    ASSERT_EQ(cad.SetPlotCfg(s), "");
  }

  // A new drawing with a closed rectangle from (0, 0) to (w, h), active and set as AcadDoc.
  cadhost::Document rectangleDrawing(double w, double h, const QString& name = "window.dxf") {
    cadhost::Document d = app->documents().add();
    d.modelSpace().addLightWeightPolyline({0, 0, w, 0, w, h, 0, h, 0, 0});
    d.modelSpace().addText("图号", {w / 2, h / 2, 0}, h / 20);
    d.saveAs(path(name).toStdString());
    cad.AcadDoc = d;
    return d;
  }

  QStringList plots() const { return QDir(path("plots")).entryList(QDir::Files); }

  QTemporaryDir tmp;
  std::shared_ptr<tarvik::ScriptedUi> ui;
  std::shared_ptr<cadhost::Application> app;
  tarvik::CAD cad;
};

}  // namespace plottest
