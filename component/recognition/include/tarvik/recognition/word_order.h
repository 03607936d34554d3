#pragma once

// Reading orders of word records and the joining of a cell's words into its text.

#include <QString>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// The component's reading-order exchange sort over the whole array (lower Y, height, left
// edge): for i = 0.., j < i, records i and j are exchanged unless
// ((Y(i) + 0.3 H(i) < Y(j) or Y(j) + H(j) < Y(i) + 0.7 H(i)) and (Y(i) + H(i) < Y(j) + H(j)
// ? true : Y(i) > Y(j)) or XL(i) >= XL(j)) and Y(j) + 0.7 H(j) >= Y(i).
void SortArr(std::vector<TextType>& arr);

// The reading order of a cell's words over [first, last): records i and j (j < i) are exchanged
// when i lies on a higher row (Y(i) > Y(j) + 0.7 H(j)) or on the same row
// (Y(j) - 0.3 H(j) < Y(i) < Y(j) + 0.7 H(j)) further left.
void sortCellWords(std::vector<TextType>& words, std::size_t first, std::size_t last);

// The text of a cell from its sorted words: appended without separator; at the first later row
// (Y(k) + 0.75 H(k) < Y(k-1)) whose character kind (strType) differs from the text so far and
// is not all digits, "|*|" goes between them. minX/maxX receive the words' extent. Empty words
// give "" with minX = maxX = 0.
QString joinCellWords(const std::vector<TextType>& sorted, double& minX, double& maxX);

}  // namespace tarvik
