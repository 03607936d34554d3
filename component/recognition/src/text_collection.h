#pragma once

// The object's text list: the drawing's horizontal texts, the attributes of a block reference,
// the corner texts of the list's extent, the texts of one cell joined, the horizontal line
// whose end lies nearest a word, and the words inside a region of a (rotated) frame.

#include "recognition_state.h"

namespace tarvik {

class TextCollection {
 public:
  explicit TextCollection(CAD& cad) : cad_(cad) {}

  void getDwgTexts();
  void getBlkAttTexts(const cadhost::Entity& blockRef);
  void findCornerTexts();
  QString joinTextRecs(const CellType& cell);
  double nearestLineEnd(const TextType& word, int side, long& lineIndex) const;
  QString getFrameTexts(const Point3d& L, const Point3d& R);
  // The words whose centres lie strictly inside the region, unsorted.
  std::vector<TextType> frameWords(const Point3d& L, const Point3d& R);

 private:
  void appendRecord(const cadhost::Entity& e);

  CAD& cad_;
};

}  // namespace tarvik
