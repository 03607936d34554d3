// CAD::DwgPlotCmd: one window of the current drawing through the host's layout, by the plot
// settings; and the plot members that do nothing.

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <cadhost/layout.h>

#include <cmath>

#include "tarvik/attempt.h"
#include "tarvik/beside_drawing.h"
#include "tarvik/cad.h"
#include "tarvik/constants.h"
#include "tarvik/paper_rules.h"

namespace tarvik {

namespace {

const QString kTitle = QStringLiteral("Tarvik");
const QString kNoPaperTitle = QStringLiteral("纸张匹配失败");

QString setting(const PlotSettings& cfg, const char* key) {
  const QString* v = cfg.find(QString::fromUtf8(key));
  return v ? *v : QString();
}

// The first medium of the layout's plotter that takes the window w x h, unrotated (rotation
// 0) before rotated (3); "" when none does.
QString searchMedia(cadhost::Layout& layout, double w, double h, int& rotation) {
  std::vector<std::string> names;
  attemptGet(names, [&] { return layout.getCanonicalMediaNames(); });
  for (const std::string& name : names) {
    double pw = 0, ph = 0;
    attempt([&] { layout.setCanonicalMediaName(name); });
    attempt([&] { layout.getPaperSize(pw, ph); });
    if (paperFits(pw, ph, w, h)) {
      rotation = 0;
      return QString::fromStdString(name);
    }
    if (paperFits(pw, ph, h, w)) {
      rotation = 3;
      return QString::fromStdString(name);
    }
  }
  return {};
}

// A name with a folder names the drawing file to plot, which must then be opened. A bare name
// (a child's, a GUID, the file name of the drawing on screen) plots the current drawing and is
// never looked up in the working folder, where it could find another drawing.
bool namesADrawingFile(const QString& name) {
  return name.contains(u'/');
}

// A side for the suggested paper, whose rule works in 16 bits: a larger one (beyond any
// integer) gives no suggestion.
int paperSide(double mm) {
  return mm < 32767 ? static_cast<int>(std::nearbyint(mm)) : 32767;
}

// The integer part of a size in millimetres, however large.
QString wholeMillimetres(double mm) {
  return QString::number(std::trunc(mm), 'f', 0);
}

}  // namespace

void CAD::DwgPlotCmd(QString strFileName) {
  if (!acadApp) return;
  Point3d Pmin{}, Pmax{};
  attempt([&] { acadApp->zoomExtents(); });
  cadhost::Document doc;
  if (AcadDoc) {
    doc = *AcadDoc;
  } else if (!attemptGet(doc, [&] { return acadApp->activeDocument(); })) {
    return;
  }
  auto point = [&](const char* name, Point3d& out) {
    cadhost::Value v;
    if (!attemptGet(v, [&] { return doc.getVariable(name); })) return;
    if (const auto* p = std::get_if<cadhost::Point3>(&v)) out = {p->x, p->y, p->z};
  };
  point("extmax", Pmax);
  point("extmin", Pmin);
  plotWindow(std::move(strFileName), Pmin, Pmax);
}

void CAD::DwgPlotCmd(QString strFileName, Point3d& Pmin, Point3d& Pmax) {
  plotWindow(std::move(strFileName), Pmin, Pmax);
}

QString CAD::plotWindow(QString strFileName, Point3d Pmin, Point3d Pmax) {
  if (PlotCfg.isEmpty()) return {};
  if (!acadApp) return QStringLiteral("the drawing host is not running");
  const QString driver = setting(PlotCfg, "驱动");
  const QString scaleText = setting(PlotCfg, "比例");
  const QString paperSetting = setting(PlotCfg, "纸张大小");
  const QString mismatch = setting(PlotCfg, "纸张匹配失败");

  // The scale: drawing units a paper millimetre.
  const PlotScale scale = parsePlotScale(scaleText);
  if (scale.kind == PlotScale::AutoNone) return {};
  // What went wrong on the way, each shown as it happens; the caller learns of them all.
  QStringList problems;
  const auto report = [&](const QString& text) {
    ui_->showMessage(kTitle, text);
    problems << text;
  };
  if (scale.kind == PlotScale::Bad) {
    report(
        QStringLiteral("打印比例\"%1\"不是大于零的数字, 未打印: %2").arg(scaleText, strFileName));
    return problems.join(u"; ");
  }
  if (scale.kind == PlotScale::AutoOnce && scaleText.startsWith(u"auto"))
    SetPlotItem(kPlotScaleKey, QStringLiteral("auto"));
  const double W = std::fabs(Pmax[0] - Pmin[0]) / scale.scale;
  const double H = std::fabs(Pmax[1] - Pmin[1]) / scale.scale;
  if (!std::isfinite(W) || !std::isfinite(H)) {
    report(QStringLiteral("打印范围不是有限的大小, 未打印: ") + strFileName);
    return problems.join(u"; ");
  }
  const bool pdfPlotter = driver == kPdfPlotterName;

  // With the PDF configuration the named drawing is plotted from a read-only copy opened beside
  // the caller's drawings, which stay open as they are; only the copy is closed when the plot
  // is done, and AcadDoc is given back. A bare name (a child's name, a GUID) plots the current
  // drawing, which stays open.
  BesideDrawing named(*this);
  if (pdfPlotter) {
    if (namesADrawingFile(strFileName)) {
      // A drawing that cannot be opened (missing, no drawing, a named pipe or device, which the
      // host refuses without blocking) is not plotted: another one is never taken for it.
      QString error;
      if (!named.open(strFileName, true, &error)) {
        report(QStringLiteral("图形无法打开, 未打印: %1 (%2)").arg(strFileName, error));
        return problems.join(u"; ");
      }
      SetBigFont();
    }
    strFileName = strFileName.mid(strFileName.lastIndexOf(u'/') + 1).toUpper();
    strFileName.remove(kDrawingExtension.toUpper());
  }
  if (!AcadDoc) {
    cadhost::Document active;
    if (!attemptGet(active, [&] { return acadApp->activeDocument(); }))
      return QStringLiteral("no drawing is open to plot");
    AcadDoc = active;
  }
  cadhost::Document doc = *AcadDoc;

  cadhost::Layout layout;
  if (!attemptGet(layout, [&] { return doc.activeLayout(); }))
    return QStringLiteral("the drawing has no layout to plot with");
  attempt([&] { layout.refreshPlotDeviceInfo(); });
  if (!attempt([&] { layout.setConfigName(driver.toStdString()); }))
    report(QStringLiteral("设置【打印驱动】出错: ") + driver);
  attempt([&] { layout.setPlotWithPlotStyles(true); });

  // Style table by the drawing's style mode: colour-dependent (1) or named (0).
  const auto [colourTable, namedTable] = styleTableSlots(setting(PlotCfg, "样式"));
  cadhost::Value mode;
  bool styleOk = attemptGet(mode, [&] { return doc.getVariable("PSTYLEMODE"); });
  const auto* modeNumber = std::get_if<std::int32_t>(&mode);
  if (styleOk && modeNumber) {
    auto apply = [&](const QString& table) {
      const std::string name = table == u"无" ? std::string() : table.toStdString();
      styleOk = attempt([&] { layout.setStyleSheet(name); });
    };
    if (*modeNumber == 0 && !namedTable.isEmpty())
      apply(namedTable);
    else if (*modeNumber == 1 && !colourTable.isEmpty())
      apply(colourTable);
  }
  if (!styleOk) report(QStringLiteral("设置【打印样式】出错") + strFileName);

  attempt([&] { layout.setPaperUnits(1); });
  attempt([&] { doc.regen(1); });
  int rotation = 0;

  // The paper. A sheet chosen for the window (cut to it, or found by the search) takes it at
  // its scale in the middle, with the spare room all round the border.
  QString paper;
  double pw = 0, ph = 0;
  bool searchAll = false, fitToPaper = false, centred = false, namedPaperSet = false;
  const bool autoPaper = paperSetting.toLower() == u"auto";
  if (pdfPlotter && autoPaper) {
    // A page of its own, cut to the window with about 10 mm round it ("W×Hmm", unturned).
    paper = tarvik::PaperSizeName(paperSide(W), paperSide(H)).value_or(QString());
    centred = true;
  } else if (pdfPlotter) {
    // The PDF plotter takes a named paper as given.
    if (W < H && W > 280) rotation = 3;
    paper = paperSetting;
  } else if (autoPaper) {
    paper = searchMedia(layout, W, H, rotation);
    centred = true;
  } else {
    namedPaperSet = attempt([&] { layout.setCanonicalMediaName(paperSetting.toStdString()); });
    attempt([&] { layout.getPaperSize(pw, ph); });
    if (paperFits(pw, ph, W, H)) paper = paperSetting, rotation = 0;
    if (paperFits(pw, ph, H, W)) paper = paperSetting, rotation = 3;
  }
  while (paper.isEmpty()) {
    if (autoPaper || searchAll) {
      const auto suggestion = PaperSizeName(paperSide(H), paperSide(W));
      const QString text =
          QStringLiteral("没有找到与当前图纸范围匹配的纸张!\r\n系统分析图纸大小为: ") +
          wholeMillimetres(H) + QStringLiteral("×") + wholeMillimetres(W) +
          QStringLiteral(", 请自定义纸张! \r\n建议大小: ") + suggestion +
          QStringLiteral(",页边距设为10mm!");
      ui_->showMessage(kNoPaperTitle, text);
      problems << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
      return problems.join(u"; ");
    }
    if (mismatch == u"匹配") {
      searchAll = true;
      paper = searchMedia(layout, W, H, rotation);
      centred = true;
    } else if (mismatch == u"缩放") {
      fitToPaper = true;
      paper = paperSetting;
      if ((W < H && pw > ph) || (W > H && pw < ph)) rotation = 3;
    } else {
      // The settings ask for no plot of a window that does not fit the paper: nothing is
      // plotted, as asked, and that is no failure. A paper the plotter does not have is.
      if (!namedPaperSet) report(QStringLiteral("设置【纸张】出错: ") + paperSetting);
      return problems.join(u"; ");
    }
  }
  if (!attempt([&] { layout.setCanonicalMediaName(paper.toStdString()); }))
    report(QStringLiteral("设置【纸张】出错: ") + paper);
  attempt([&] { layout.setPlotRotation(rotation); });

  // The scale on the paper: scaled to fit when the window does not fit the paper, or when a
  // "zoom" plot has a named paper; otherwise at the window's scale.
  if (fitToPaper || (scaleText == u"zoom" && !centred)) {
    attempt([&] { layout.setUseStandardScale(true); });
    attempt([&] { layout.setStandardScale(0); });
  } else {
    attempt([&] { layout.setUseStandardScale(false); });
    attempt([&] { layout.setCustomScale(1, scale.scale); });
    attempt([&] { layout.setPaperUnits(1); });
    attempt([&] { doc.regen(1); });
  }
  attempt([&] { layout.setPlotOrigin({1, 1, 0}); });
  attempt([&] { layout.setCenterPlot(centred); });

  // The window in display coordinates.
  cadhost::Point3 a{Pmin[0], Pmin[1], Pmin[2]}, b{Pmax[0], Pmax[1], Pmax[2]};
  attempt([&] {
    cadhost::Utility u = doc.utility();
    a = u.translateCoordinates(a, cadhost::CoordSys::World, cadhost::CoordSys::Display, false);
    b = u.translateCoordinates(b, cadhost::CoordSys::World, cadhost::CoordSys::Display, false);
  });
  const cadhost::Point3 lowerLeft{Min(a.x, b.x), Min(a.y, b.y), 0};
  const cadhost::Point3 upperRight{Max(a.x, b.x), Max(a.y, b.y), 0};
  if (!attempt([&] { layout.setWindowToPlot(lowerLeft, upperRight); }))
    report(QStringLiteral("设置【范围】打印出错") + strFileName);
  if (!attempt([&] { layout.setPlotType(4); }))
    report(QStringLiteral("设置【窗口打印模式】出错") + strFileName);
  attempt([&] { doc.regen(1); });
  attempt([&] { doc.setVariable("BACKGROUNDPLOT", std::int32_t{0}); });

  const QString folder = setting(PlotCfg, "输出路径");
  try {
    if (plotsToDevice(folder)) {
      doc.plot().plotToDevice(strFileName.toStdString());
    } else {
      QString file = folder;
      file.append(strFileName).append(u'.').append(setting(PlotCfg, "输出类别"));
      doc.plot().plotToFile(file.toStdString());
    }
  } catch (const cadhost::HostError& e) {
    report((plotsToDevice(folder) ? QStringLiteral("设置【打印机】出错: ")
                                  : QStringLiteral("设置【打印文件】出错: ")) +
           QString::fromUtf8(e.what()));
  }
  return problems.join(u"; ");
}

QString CAD::PaperSizeName(int a, int b) const {
  return tarvik::PaperSizeName(a, b).value_or(QString());
}

QString CAD::SetLayoutPaper(const QString& driver, const QString& paper) {
  if (!AcadDoc) return QStringLiteral("Z");
  return tarvik::SetLayoutPaper(*AcadDoc, driver, paper);
}

void CAD::CrtPltFile(QString& FileName, double& DwgScale, std::optional<Point3d> Pmin,
                     std::optional<Point3d> Pmax) {
  (void)FileName, (void)DwgScale, (void)Pmin, (void)Pmax;
}

void CAD::LocalPrint(const QString& FileName, std::optional<Point3d> Pmin,
                     std::optional<Point3d> Pmax) {
  (void)FileName, (void)Pmin, (void)Pmax;
}

}  // namespace tarvik
