#include "sheetcut_app/name_order.h"

namespace sheetcut::app {

namespace {

bool isDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

// Compares the digit runs starting at i and j by their value; moves i and j past them and
// keeps the first difference in leading zeros for a tie.
int compareNumbers(const QString& a, qsizetype& i, const QString& b, qsizetype& j, int& zeros) {
  const qsizetype startA = i, startB = j;
  while (i < a.size() && a[i] == u'0') ++i;
  while (j < b.size() && b[j] == u'0') ++j;
  const qsizetype digitsA = i, digitsB = j;
  while (i < a.size() && isDigit(a[i])) ++i;
  while (j < b.size() && isDigit(b[j])) ++j;
  if (zeros == 0) {
    // Fewer leading zeros first: d1 before d01.
    const qsizetype za = digitsA - startA, zb = digitsB - startB;
    zeros = za < zb ? -1 : (za > zb ? 1 : 0);
  }
  const qsizetype lenA = i - digitsA, lenB = j - digitsB;
  if (lenA != lenB) return lenA < lenB ? -1 : 1;
  return QStringView(a).sliced(digitsA, lenA).compare(QStringView(b).sliced(digitsB, lenB));
}

}  // namespace

bool nameLess(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  int zeros = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      const int order = compareNumbers(a, i, b, j, zeros);
      if (order != 0) return order < 0;
      continue;
    }
    const char32_t ca = a[i].toCaseFolded().unicode(), cb = b[j].toCaseFolded().unicode();
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return j < b.size();
  if (zeros != 0) return zeros < 0;
  return a < b;  // equal but for case
}

}  // namespace sheetcut::app
