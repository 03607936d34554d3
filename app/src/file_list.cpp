#include "sheetcut_app/file_list.h"

#include <tarvik/constants.h>

#include <algorithm>

#include "sheetcut_app/name_order.h"

namespace sheetcut::app {

FileList::FileList() {
  model_.setColumnCount(kColumns);
  model_.setHorizontalHeaderLabels({QString(), QString(), QStringLiteral("文件名"),
                                    QStringLiteral("开始时间"), QStringLiteral("结束时间")});
  clear();
}

bool FileList::isEmpty() const {
  return model_.rowCount() == 0 || path(0).isEmpty();
}

int FileList::drawingCount() const {
  return isEmpty() ? 0 : model_.rowCount();
}

void FileList::clear() {
  model_.removeRows(0, model_.rowCount());
  for (int i = 0; i < kBlankRows; ++i) addBlankRow();
}

void FileList::removeRow(int row) {
  if (row < 0 || row >= model_.rowCount()) return;
  model_.removeRow(row);
  if (model_.rowCount() == 0) clear();
}

bool FileList::IsNotInList(const QString& path) const {
  for (int row = 0; row < model_.rowCount(); ++row) {
    if (text(row, kPath) == path) return false;
  }
  return true;
}

bool FileList::addDrawing(const QString& path) {
  if (path.isEmpty() || !IsNotInList(path)) return false;
  if (isEmpty()) model_.removeRows(0, model_.rowCount());
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  addBlankRow();
  const int row = model_.rowCount() - 1;
  setText(row, kPath, path);
  model_.item(row, kPath)->setToolTip(path);
  model_.item(row, kStatus)->setData(outputNameOf(path.mid(slash + 1)), Qt::UserRole);
  model_.item(row, kPath)->setData(path.left(slash + 1), Qt::UserRole);
  return true;
}

int FileList::addFolderEntries(const QStringList& entries) {
  QStringList paths;
  for (const QString& entry : entries) paths << pathOfFolderEntry(entry);
  // The lister gives the file system's order; the list, and so the run, goes by name.
  std::sort(paths.begin(), paths.end(), nameLess);
  int added = 0;
  for (const QString& path : paths) {
    if (addDrawing(path)) ++added;
  }
  return added;
}

QString FileList::path(int row) const {
  return text(row, kPath);
}
QString FileList::folderTag(int row) const {
  return tag(row, kPath);
}
QString FileList::nameTag(int row) const {
  return tag(row, kStatus);
}
QString FileList::startTime(int row) const {
  return text(row, kStart);
}
QString FileList::endTime(int row) const {
  return text(row, kEnd);
}

QString FileList::outputFolder(int row) const {
  const QStandardItem* item = model_.item(row, kStatus);
  return item ? item->data(kOutputFolderRole).toString() : QString();
}

QString FileList::picture(int row) const {
  const QStandardItem* item = model_.item(row, kStatus);
  return item ? item->data(kPictureRole).toString() : QString();
}

void FileList::setPicture(int row, const QString& key) {
  QStandardItem* item = model_.item(row, kStatus);
  if (!item) return;
  const Picture picture = pictures_.value(key);
  item->setData(key, kPictureRole);
  item->setData(picture.icon, Qt::DecorationRole);
  item->setToolTip(picture.tip);
}

void FileList::setStartTime(int row, const QString& time) {
  setText(row, kStart, time);
}
void FileList::setEndTime(int row, const QString& time) {
  setText(row, kEnd, time);
}

void FileList::setOutputFolder(int row, const QString& folder) {
  if (QStandardItem* item = model_.item(row, kStatus)) item->setData(folder, kOutputFolderRole);
}

void FileList::clearRunMarks() {
  for (int row = 0; row < model_.rowCount(); ++row) {
    if (QStandardItem* item = model_.item(row, kStatus)) {
      item->setData(QVariant(), kPictureRole);
      item->setData(QVariant(), Qt::DecorationRole);
      item->setToolTip(QString());
    }
    setStartTime(row, QString());
    setEndTime(row, QString());
  }
}

void FileList::addBlankRow() {
  QList<QStandardItem*> items;
  for (int column = 0; column < kColumns; ++column) {
    auto* item = new QStandardItem(QString());
    item->setEditable(false);
    items << item;
  }
  model_.appendRow(items);
}

void FileList::setText(int row, int column, const QString& text) {
  if (QStandardItem* item = model_.item(row, column)) item->setText(text);
}

QString FileList::text(int row, int column) const {
  const QStandardItem* item = model_.item(row, column);
  return item ? item->text() : QString();
}

QString FileList::tag(int row, int column) const {
  const QStandardItem* item = model_.item(row, column);
  return item ? item->data(Qt::UserRole).toString() : QString();
}

QString pathOfFolderEntry(const QString& entry) {
  // The size and the three times follow the path; none of them holds a "/", while the path
  // itself is full of them.
  qsizetype end = entry.size();
  for (int field = 0; field < 4; ++field) {
    end = entry.lastIndexOf(QLatin1Char('/'), end - 1);
    if (end <= 0) return {};
  }
  return entry.left(end).trimmed().isEmpty() ? QString() : entry.left(end);
}

QString folderWithSlash(const QString& folder) {
  return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString outputNameOf(const QString& fileName) {
  return fileName.toUpper().remove(tarvik::kDrawingExtension.toUpper());
}

}  // namespace sheetcut::app
