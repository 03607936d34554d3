#include "sheetcut_app/path_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

namespace sheetcut::app {

QString elidePath(const QString& path, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString name = path.mid(slash + 1);
  if (slash > 0) {
    const QString folder = path.left(slash);
    const QString tail = path.mid(slash);  // "/" and the name
    const int folderRoom = width - metrics.horizontalAdvance(tail);
    if (folderRoom >= metrics.horizontalAdvance(QStringLiteral("…"))) {
      // elidedText keeps the folder's start and end, so the parent folder stays in sight.
      return metrics.elidedText(folder, Qt::ElideMiddle, folderRoom) + tail;
    }
  }
  return metrics.elidedText(name, Qt::ElideMiddle, width);
}

namespace {

// The width that the style leaves for the text of an item painted in `option`.
int textWidth(const QStyleOptionViewItem& option) {
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  return text.width() - 2 * margin;
}

}  // namespace

void PathDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!option->text.isEmpty()) {
    option->text = elidePath(option->text, option->fontMetrics, textWidth(*option));
  }
}

QString PathDelegate::shownText(const QModelIndex& index, int cellWidth) const {
  QStyleOptionViewItem option;
  if (auto* view = qobject_cast<QAbstractItemView*>(parent())) {
    option.initFrom(view);
    option.widget = view;
    option.font = view->font();
    option.fontMetrics = QFontMetrics(view->font());
  }
  option.rect = QRect(0, 0, cellWidth, 19);
  initStyleOption(&option, index);
  return option.text;
}

}  // namespace sheetcut::app
