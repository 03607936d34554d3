#pragma once

// How the file grid shows a drawing's path in a column too narrow for it: the folder loses its
// middle first, so that the file name stays whole as long as it fits at all.

#include <QStyledItemDelegate>

class QFontMetrics;

namespace sheetcut::app {

// The path as it fits into `width` pixels: whole when it fits; else the folder shortened in its
// middle ("…") followed by the whole file name; else the file name alone, shortened in its
// middle.
QString elidePath(const QString& path, const QFontMetrics& metrics, int width);

// Paints a path cell with elidePath over the cell's text area.
class PathDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The text the cell shows when it is `cellWidth` pixels wide.
  QString shownText(const QModelIndex& index, int cellWidth) const;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace sheetcut::app
