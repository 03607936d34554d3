// CAD's table and text recognition members: delegations to the recognition's classes.

#include "host_calls.h"
#include "table_scan.h"
#include "tarvik/recognition/text_words.h"
#include "tarvik/recognition/word_order.h"
#include "text_collection.h"

namespace tarvik {

RecognitionState& CAD::recognition() {
  if (!recognition_) recognition_ = std::make_shared<RecognitionState>();
  return *recognition_;
}

std::vector<TextType> CAD::TextSplit(const cadhost::Entity& textobj) {
  const cadhost::Document doc = requireDocument(*this, "CAD.TextSplit");
  return hostCall("CAD.TextSplit", [&] { return splitTextWords(*this, doc, textobj); });
}

void CAD::JoinLine() {
  recognition().lines.JoinLine(BaseTol);
}

void CAD::AN_block() {
  TableScan(*this).analyseBlock();
}

void CAD::AddGridLine(Point3d& p, Point3d& q) {
  recognition().lines.AddGridLine(p, q, BaseTol);
}

void CAD::BuildTableGrid() {
  TableScan(*this).buildTableGrid();
}

void CAD::GetTblRows(long top, long left, long bottom, long right) {
  TableScan(*this).getTblRows(top, left, bottom, right);
}

QString CAD::TextsToXml(long index) {
  return TableScan(*this).textsToXml(index);
}

CellType CAD::AnCellTexts(const LineType& line) {
  return TableScan(*this).anCellTexts(line);
}

std::vector<CellType> CAD::AnWinTable(const std::optional<Point3d>& p,
                                      const std::optional<Point3d>& q) {
  return TableScan(*this).scan(p, q, false);
}

std::vector<CellType> CAD::AnBlkTable(const std::optional<Point3d>& p,
                                      const std::optional<Point3d>& q) {
  return TableScan(*this).scan(p, q, true);
}

void CAD::AnHeaderXml() {
  anHeaderXml(Cells, CellNum);
}

void CAD::GetDwgTexts() {
  TextCollection(*this).getDwgTexts();
}

void CAD::GetBlkAttTexts(const cadhost::Entity& blockRef) {
  TextCollection(*this).getBlkAttTexts(blockRef);
}

void CAD::FindCornerTexts() {
  TextCollection(*this).findCornerTexts();
}

QString CAD::JoinTextRecs(const CellType& cell) {
  return TextCollection(*this).joinTextRecs(cell);
}

double CAD::NearestLineEnd(const TextType& word, int side, long& lineIndex) {
  return TextCollection(*this).nearestLineEnd(word, side, lineIndex);
}

QString CAD::GetFrameTexts(const Point3d& L, const Point3d& R) {
  return TextCollection(*this).getFrameTexts(L, R);
}

std::vector<TextType> CAD::GetFrameWords(const Point3d& L, const Point3d& R) {
  return TextCollection(*this).frameWords(L, R);
}

void CAD::SortArr(std::vector<TextType>& arr) const {
  tarvik::SortArr(arr);
}

}  // namespace tarvik
