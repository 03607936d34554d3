#pragma once

// Reaches the private analysis members of CAD for the tests.

#include <tarvik/cad.h>

#include <optional>
#include <vector>

namespace tarvik {

class AnalysisTestAccess {
 public:
  static void readTitleBlkAtt(CAD& cad, const QString& path) { cad.ReadTitleBlkAtt(path); }
  static bool readFrameByLab(CAD& cad, int idx, std::optional<Point3d> p = {},
                             std::optional<Point3d> q = {}, const QString& guid = {}) {
    return cad.ReadFrameByLab(idx, p, q, guid);
  }
  static void writeErrLog(CAD& cad, const QString& message) { cad.WriteErrLog(message); }
  static QString& errLogPath(CAD& cad) { return cad.ErrLogPath; }
  static QString& rptPath(CAD& cad) { return cad.RptPath; }
  static QString& rptSection(CAD& cad) { return cad.RptSection; }
  static double frameScale(const CAD& cad) { return cad.FrameScale; }
  static const std::vector<LabCellType>& labCells(const CAD& cad) { return cad.LabCells; }
  static bool& quitFlag(CAD& cad) { return cad.QuitFlag; }
  static void saveBlockLayout(CAD& cad, const QString& name, const std::vector<CellType>& cells) {
    cad.SaveBlockLayoutEx(name, cells);
  }
  static void getWinTexts(CAD& cad, std::optional<Point3d> p = {}, std::optional<Point3d> q = {}) {
    cad.GetWinTexts(p, q);
  }
  static const PlotSettings& plotCfg(const CAD& cad) { return cad.PlotCfg; }
  static long textNum(const CAD& cad) { return cad.TextNum; }
};

}  // namespace tarvik
