#pragma once

// Reaches the private recognition members of CAD for the tests.

#include <tarvik/cad.h>
#include <tarvik/recognition/line_lists.h>

#include <optional>
#include <vector>

namespace tarvik {

class RecognitionTestAccess {
 public:
  static std::vector<CellType>& cells(CAD& cad) { return cad.Cells; }
  static long& cellNum(CAD& cad) { return cad.CellNum; }
  static std::vector<TextType>& texts(CAD& cad) { return cad.Texts; }
  static long& textNum(CAD& cad) { return cad.TextNum; }
  static std::vector<TextType>& cornerTexts(CAD& cad) { return cad.CornerTexts; }
  static double& baseTol(CAD& cad) { return cad.BaseTol; }
  static std::vector<LabCellType>& labCells(CAD& cad) { return cad.LabCells; }
  static bool& quitFlag(CAD& cad) { return cad.QuitFlag; }
  static std::vector<CellType> anWinTable(CAD& cad, std::optional<Point3d> p = {},
                                          std::optional<Point3d> q = {}) {
    return cad.AnWinTable(p, q);
  }
  static QString textsToXml(CAD& cad, long index) { return cad.TextsToXml(index); }
  static void addGridLine(CAD& cad, Point3d p, Point3d q) { cad.AddGridLine(p, q); }
  static void getTblRows(CAD& cad, long top, long left, long bottom, long right) {
    cad.GetTblRows(top, left, bottom, right);
  }
  static void anHeaderXml(CAD& cad) { cad.AnHeaderXml(); }
  static void getDwgTexts(CAD& cad) { cad.GetDwgTexts(); }
  static void getBlkAttTexts(CAD& cad, const cadhost::Entity& e) { cad.GetBlkAttTexts(e); }
  static void findCornerTexts(CAD& cad) { cad.FindCornerTexts(); }
  static QString joinTextRecs(CAD& cad, const CellType& c) { return cad.JoinTextRecs(c); }
  static QString getFrameTexts(CAD& cad, const Point3d& L, const Point3d& R) {
    return cad.GetFrameTexts(L, R);
  }
  static void setFrameUcs(CAD& cad, const Point3d& o, double angle, const QString& name) {
    cad.SetFrameUCS(o, angle, name);
  }
  static std::vector<CellType> readBlockLayout(CAD& cad, const QString& name) {
    return cad.ReadBlockLayout(name);
  }
  static void saveBlockLayoutEx(CAD& cad, const QString& name, const std::vector<CellType>& c) {
    cad.SaveBlockLayoutEx(name, c);
  }
  static void makeCellXml(CAD& cad) { cad.MakeCellXml(); }
};

}  // namespace tarvik
