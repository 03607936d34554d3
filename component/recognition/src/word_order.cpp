#include "tarvik/recognition/word_order.h"

#include <algorithm>
#include <utility>

#include "tarvik/child_naming.h"

namespace tarvik {

void SortArr(std::vector<TextType>& arr) {
  for (std::size_t i = 0; i < arr.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      const TextType& a = arr[i];
      const TextType& b = arr[j];
      const bool t1 = (a.Y + 0.3 * a.H < b.Y) || (b.Y + b.H < a.Y + 0.7 * a.H);
      const bool t2 = (a.Y + a.H < b.Y + b.H) ? true : (a.Y > b.Y);
      const bool t3 = (t1 && t2) || (a.XL >= b.XL);
      const bool t4 = b.Y + 0.7 * b.H >= a.Y;
      if (!(t3 && t4)) std::swap(arr[i], arr[j]);
    }
  }
}

void sortCellWords(std::vector<TextType>& words, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i < last; ++i) {
    for (std::size_t j = first; j < i; ++j) {
      const TextType& a = words[i];
      const TextType& b = words[j];
      const bool higher = a.Y > b.Y + 0.7 * b.H;
      const bool sameRowLeft = b.Y - 0.3 * b.H < a.Y && a.Y < b.Y + 0.7 * b.H && b.XL > a.XL;
      if (higher || sameRowLeft) std::swap(words[i], words[j]);
    }
  }
}

QString joinCellWords(const std::vector<TextType>& sorted, double& minX, double& maxX) {
  minX = maxX = 0;
  if (sorted.empty()) return {};
  QString text = sorted[0].s;
  minX = sorted[0].XL;
  maxX = sorted[0].XR;
  for (std::size_t k = 1; k < sorted.size(); ++k) {
    const TextType& w = sorted[k];
    minX = std::min(minX, w.XL);
    maxX = std::max(maxX, w.XR);
    const bool newRow = w.Y + 0.75 * w.H < sorted[k - 1].Y;
    const int kind = strType(w.s);
    if (newRow && !text.contains(QLatin1String("|*|")) && strType(text) != kind && kind > 0) {
      text += QLatin1String("|*|");
    }
    text += w.s;
  }
  return text;
}

}  // namespace tarvik
