#pragma once

// Writing one template cell's text into model space: single-line text wrapped or squeezed to
// the cell's width, or one multi-line text, placed from the cell's corners times a scale and
// taken through the document's active UCS.

#include <cadhost/document.h>

#include <QString>
#include <vector>

#include "tarvik/cell_records.h"

namespace tarvik {

// Text heights for a cell (or box) of height h, before scaling.
double singleLineTextHeight(double h);  // 3, 4, 5 for h up to 9, up to 15, above
double multiLineTextHeight(double h);   // 3, 5, 7 for the same ranges

// How a text of width t fills lines of usable width w.
struct LineSplit {
  double n = 1;        // lines needed (after the 20 % squeeze)
  int count = 1;       // lines written
  bool whole = false;  // n is a whole number: every line is fitted between the margins
};
// n = t / w; a text at most 20 % longer than a whole number of lines is squeezed into that
// many; no usable width (w <= 0) or no measurable text (t <= 0) gives one line, not fitted.
LineSplit splitIntoLines(double t, double w);

// The alignment letter the writers use: the caller's, or "R" for a cell named "工程" and "C"
// for any other when the caller's is empty (stored back into `letter`).
void chooseAlignment(const CellType& cell, QString& letter);

class CellTextWriter {
 public:
  explicit CellTextWriter(cadhost::Document doc) : doc_(std::move(doc)) {}

  // Single-line text in row `row` of the cell; returns the number of lines. An empty text
  // writes nothing and returns 0. Host failures raise cadhost::HostError. With `added`, every
  // text added to the drawing is appended to it as it is added (so also before a failure).
  int writeLines(const CellType& cell, double scale, QString& letter, int row,
                 std::vector<cadhost::Entity>* added = nullptr);
  // The number of lines writeLines would write for the cell, measured on a text that is added
  // and erased again. Host failures raise cadhost::HostError.
  int lineCount(const CellType& cell, double scale);
  // One multi-line text in the cell's middle row.
  cadhost::Entity writeMText(const CellType& cell, double scale, QString& letter);

 private:
  // Transforms a new text by the active UCS when there is one and updates it; host failures
  // are ignored.
  void toUserCoordinates(cadhost::Entity& text, bool resetRotation);

  cadhost::Document doc_;
};

}  // namespace tarvik
