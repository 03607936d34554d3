// The analysis of a drawing by its frame blocks: FXDWG and NewFXDWG, with the text collection
// NewFXDWG starts with.

#include <cadhost/application.h>

#include <QFileInfo>

#include "analysis_steps.h"
#include "host_calls.h"
#include "tarvik/analysis_report.h"
#include "tarvik/cad.h"
#include "tarvik/cell_file.h"
#include "tarvik/component_paths.h"
#include "tarvik/pointer_scope.h"
#include "tarvik/recognition/number_text.h"

namespace tarvik {

namespace {

QStringList templateNames(const std::vector<BlkTYpe>& list, int count) {
  QStringList names;
  for (int i = 1; i <= count && static_cast<std::size_t>(i) < list.size(); ++i) {
    names << list[static_cast<std::size_t>(i)].n;
  }
  return names;
}

// Where the frame block's definition origin lands; the insertion point when the definition
// cannot be read.
Point3d basePointOf(cadhost::Document& doc, const cadhost::Entity& b) {
  const cadhost::Point3 ip = b.insertionPoint();
  Point3d pt = plainPoint(ip);
  attemptStep([&] {
    const cadhost::Point3 origin = doc.blocks().item(b.name()).origin();
    pt = frameBasePoint(pt, b.xScaleFactor(), b.yScaleFactor(), b.rotation(), plainPoint(origin));
  });
  return pt;
}

// Where a frame block reference sits: its name (in lower case), base point, scales and rotation.
struct FramePlacement {
  QString name;
  Point3d base{0, 0, 0};
  double xs = 0, ys = 0, rotation = 0;
};

// Reads where b sits; false when the host cannot tell, and the block is passed over.
bool readPlacement(cadhost::Document& doc, const cadhost::Entity& b, FramePlacement& out) {
  return attemptStep([&] {
    out.name = QString::fromStdString(b.name()).toLower();
    out.base = basePointOf(doc, b);
    out.xs = b.xScaleFactor();
    out.ys = b.yScaleFactor();
    out.rotation = b.rotation();
  });
}

// Template i has the name of template i - 1: its label layout, looked for in the same place,
// is not found there either.
bool repeatsTemplateBefore(const std::vector<BlkTYpe>& list, int i) {
  const auto k = static_cast<std::size_t>(i);
  return i > 1 && k < list.size() && list[k].n == list[k - 1].n;
}

}  // namespace

bool CAD::FXDWG(const QString& FileName, std::optional<Point3d> MinPoint,
                std::optional<Point3d> MaxPoint, const QString& strGuid) {
  FrameScale = 0;
  ReportHold hold(Report_, ReportHolds_);
  events_.raiseAnDwgFileBigen(FileName);
  if (!acadApp) {
    throw sheetcut::Error(
        sheetcut::errnum::kGeneric,
        "The drawing host is not running: \"" + FileName.toStdString() + "\" was not analysed",
        "CAD.FXDWG");
  }
  attemptStep([&] { acadApp->setVisible(true); });

  bool opened = false;
  if (!FileName.isEmpty() && !MinPoint) {
    if (!attempt([&] { AcadDoc = acadApp->documents().open(FileName.toStdString(), true); })) {
      return false;
    }
    opened = true;
    SetBigFont();
  } else {
    attemptStep([&] { AcadDoc = acadApp->activeDocument(); });
  }

  RptPath = joinPath(WorkPath(), kReportFileName);
  RptSection = FileName.toLower();
  bool result = false;
  // A frame whose template's cell file cannot be read is passed over; the analysis goes on
  // and raises the failure at its end.
  CellFileErrors cellFiles;
  if (AcadDoc) {
    cadhost::Document doc = *AcadDoc;
    if (!MinPoint) {
      attemptStep([&] { acadApp->zoomExtents(); });
      attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
      attemptStep([&] { MinPoint = plainPoint(pointValue(doc.getVariable("extmax"), "extmax")); });
      attemptStep([&] { MaxPoint = plainPoint(pointValue(doc.getVariable("extmin"), "extmin")); });
    }
    const Point3d p1 = MinPoint.value_or(Point3d{0, 0, 0});
    const Point3d p2 = MaxPoint.value_or(p1);

    cadhost::SelectionSet set;
    std::vector<cadhost::Entity> blocks;
    attemptStep([&] {
      set = freshSelectionSet(doc, "BlkSS");
      const cadhost::Point3 a = hostPoint(p1), b = hostPoint(p2);
      attemptStep([&] { acadApp->zoomWindow(a, b); });
      set.select(cadhost::SelectMode::Crossing, &a, &b,
                 blockNameFilter(templateNames(ModList, ModNum)));
      blocks = set.items();
    });
    for (const cadhost::Entity& b : blocks) {
      ui().processEvents();
      if (uConfirmStop_) return false;
      FramePlacement f;
      if (!readPlacement(doc, b, f)) continue;
      FrameReadCache reads;  // templates that repeat each other read this block once
      const PointerScope<FrameReadCache> readScope(FrameReads_, &reads);
      for (int i = 1; i <= ModNum && static_cast<std::size_t>(i) < ModList.size(); ++i) {
        if (uConfirmStop_ || QuitFlag) return false;
        if (f.name != ModList[static_cast<std::size_t>(i)].n.toLower()) continue;
        cellFiles.run(
            [&] { WriFrameRpt(i, f.base[0], f.base[1], f.xs, f.ys, f.rotation, {}, strGuid); });
        if (uConfirmStop_) return false;
      }
    }
    bool inVain = false;  // the template before did not find its labels
    for (int i = 1; i <= ModNum; ++i) {
      if (QuitFlag) return false;
      if (inVain && repeatsTemplateBefore(ModList, i)) continue;
      bool matched = false;
      // A template whose labels matched but whose cells cannot be read ends the search too.
      if (!cellFiles.run([&] { matched = ReadFrameByLab(i, p1, p2, strGuid); }) || matched) break;
      inVain = true;
    }

    if (FrameScale > 0) {
      result = true;
      const QString* scale = PlotCfg.find(kPlotScaleKey);
      if (!PlotCfg.isEmpty() && scale != nullptr && *scale == u"auto") {
        SetPlotItem(kPlotScaleKey, QStringLiteral("auto") + numberText(FrameScale));
      }
      attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
      attemptStep([&] { acadApp->zoomWindow(hostPoint(p1), hostPoint(p2)); });
      // A size that cannot be measured gives no sheet class.
      const std::optional<SheetSize> size = sheetSizeOf(p2[0] - p1[0], p2[1] - p1[1], FrameScale);
      if (size) {
        Report_.put(RptPath, RptSection, kKeySheetClass, sheetClass(*size));
      }
    }
    if (opened) {
      attemptStep([&] { doc.close(false); });
      AcadDoc.reset();
    }
  }
  // The report is complete when the end is announced; an analysis that it does not hold
  // has failed.
  if (!writeAnalysisReport()) result = false;
  if (HeldFileEnd_ != nullptr) {
    *HeldFileEnd_ = std::pair{FileName, RptPath};
  } else {
    events_.raiseAnDwgFileEnd(FileName, RptPath);
  }
  cellFiles.raise();
  return result;
}

bool CAD::writeAnalysisReport() {
  const QString failure = Report_.flush();
  if (failure.isEmpty()) return true;
  if (ReportFailureSink_ != nullptr) {
    if (ReportFailureSink_->isEmpty()) *ReportFailureSink_ = failure;
  } else {
    ui().showMessage(QStringLiteral("Tarvik"), failure);
  }
  return false;
}

void CAD::NewFXDWG(const QString& FileName, std::optional<Point3d> MinPoint,
                   std::optional<Point3d> MaxPoint, bool IsCrtPlt) {
  (void)IsCrtPlt;
  ReportHold hold(Report_, ReportHolds_);
  events_.raiseAnDwgFileBigen(FileName);
  if (!acadApp) return;
  bool ok = true;
  if (!FileName.isEmpty()) {
    ok = attemptStep([&] { AcadDoc = acadApp->documents().open(FileName.toStdString(), true); });
    if (ok) SetBigFont();
  } else {
    ok = attemptStep([&] { AcadDoc = acadApp->activeDocument(); });
  }
  if (!ok || !AcadDoc) return;
  cadhost::Document doc = *AcadDoc;
  QString docName;
  if (!attemptStep([&] { docName = QString::fromStdString(doc.name()); })) return;
  if (!MinPoint) {
    attemptStep([&] { MinPoint = plainPoint(pointValue(doc.getVariable("extmax"), "extmax")); });
    attemptStep([&] { MaxPoint = plainPoint(pointValue(doc.getVariable("extmin"), "extmin")); });
  }
  RptPath = joinPath(WorkPath(), kReportFileName);
  RptSection = docName.toLower();
  GetWinTexts(MinPoint, MaxPoint);

  CellFileErrors cellFiles;  // raised at the end, as in FXDWG
  std::vector<cadhost::Entity> blocks;
  attemptStep([&] {
    cadhost::SelectionSet set = freshSelectionSet(doc, "BlkSS");
    set.select(cadhost::SelectMode::All, nullptr, nullptr,
               blockNameFilter(templateNames(ModList, ModNum)));
    blocks = set.items();
  });
  for (const cadhost::Entity& b : blocks) {
    ui().processEvents();
    FramePlacement f;
    if (!readPlacement(doc, b, f)) continue;
    attemptStep([&] {
      if (b.hasAttributes()) GetBlkAttTexts(b);
    });
    FrameReadCache reads;  // templates that repeat each other read this block once
    const PointerScope<FrameReadCache> readScope(FrameReads_, &reads);
    for (int i = 1; i <= ModNum && static_cast<std::size_t>(i) < ModList.size(); ++i) {
      if (QuitFlag) return;
      if (f.name != ModList[static_cast<std::size_t>(i)].n.toLower()) continue;
      cellFiles.run(
          [&] { WriFrameRpt(i, f.base[0], f.base[1], f.xs, f.ys, f.rotation, {}, QString()); });
    }
  }
  bool inVain = false;  // the template before did not find its labels
  for (int i = 1; i <= ModNum; ++i) {
    if (QuitFlag) return;
    if (inVain && repeatsTemplateBefore(ModList, i)) continue;
    bool matched = false;
    inVain = cellFiles.run([&] { matched = ReadFrameByLab(i, std::nullopt, std::nullopt, {}); }) &&
             !matched;
  }
  if (!FileName.isEmpty()) {
    attemptStep([&] { doc.close(false); });
    AcadDoc.reset();
  }
  writeAnalysisReport();
  events_.raiseAnDwgFileEnd(FileName, RptPath);
  cellFiles.raise();
}

bool CAD::ZN_FXDWG(const QString& FileName, std::optional<Point3d> MinPoint,
                   std::optional<Point3d> MaxPoint) {
  (void)FileName;
  (void)MinPoint;
  (void)MaxPoint;
  return false;
}

void CAD::GetWinTexts(const std::optional<Point3d>& MinPoint,
                      const std::optional<Point3d>& MaxPoint) {
  // Every text of the window is kept, however many there are.
  Texts.clear();
  TextNum = 0;
  if (!acadApp || !AcadDoc) return;
  cadhost::Document doc = *AcadDoc;
  cadhost::SelectionSet set;
  if (!attemptStep([&] { set = freshSelectionSet(doc, "TSS"); })) return;
  attemptStep([&] { acadApp->setVisible(true); });
  attemptStep([&] { acadApp->zoomExtents(); });
  const cadhost::Filter filter{{0, std::string("TEXT,MTEXT")}};
  if (MinPoint) {
    const cadhost::Point3 a = hostPoint(*MinPoint), b = hostPoint(MaxPoint.value_or(*MinPoint));
    attemptStep([&] { set.select(cadhost::SelectMode::Crossing, &a, &b, filter); });
  } else {
    attemptStep([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, filter); });
  }
  std::vector<cadhost::Entity> items;
  attemptStep([&] { items = set.items(); });
  for (const cadhost::Entity& e : items) {
    if (QuitFlag) return;
    attemptStep([&] {
      const QString s = QString::fromStdString(e.textString());
      if (s.trimmed().isEmpty()) return;
      cadhost::Point3 lo, hi;
      e.getBoundingBox(lo, hi);
      Texts.push_back(TextType{lo.x, hi.x, e.height(), lo.y, s});
      ++TextNum;
    });
  }
}

void CAD::WriteSplitCount(const QString& section, int n) {
  // The count replaces its value for every frame: it may wait for a later rewrite of the file.
  Report_.put(joinPath(WorkPath(), kReportFileName), section, kKeyFrameCount, QString::number(n),
              true);
}

}  // namespace tarvik
