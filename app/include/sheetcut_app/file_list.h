#pragma once

// The list of drawings to split, as the model behind the main window's grid. One row per
// drawing; an empty list shows 18 blank rows.
//
//   column 0  ""          (fixed column)
//   column 1  ""          status picture; tag: the drawing's name in capitals without the
//                         drawing extension, which names its output folder
//   column 2  "文件名"    the drawing's full path, exactly as chosen; tag: its folder with "/"
//   column 3  "开始时间"  start of its split, "HH:mm:ss"
//   column 4  "结束时间"  end of its split
//
// Tags are kept in Qt::UserRole, the picture's key in kPictureRole and its icon in
// Qt::DecorationRole, the folder the row's last split wrote into in kOutputFolderRole. The path's
// tooltip is the whole path, however the column shortens it; a picture's tooltip says what it
// means.

#include <QHash>
#include <QIcon>
#include <QStandardItemModel>
#include <QString>
#include <QStringList>

namespace sheetcut::app {

class FileList {
 public:
  enum Column { kFixed = 0, kStatus = 1, kPath = 2, kStart = 3, kEnd = 4, kColumns = 5 };
  static constexpr int kPictureRole = Qt::UserRole + 1;
  static constexpr int kOutputFolderRole = Qt::UserRole + 2;
  static constexpr int kBlankRows = 18;

  FileList();

  QStandardItemModel& model() { return model_; }

  // Registers the icon shown for a picture key ("doing", "ok", "err", "none") and the tooltip
  // that says what it means.
  void addPicture(const QString& key, const QIcon& icon, const QString& tip = QString()) {
    pictures_.insert(key, {icon, tip});
  }

  // No drawing listed: no row, or the first row's path is "".
  bool isEmpty() const;
  // Rows that hold a drawing (0 when the list is empty).
  int drawingCount() const;
  int rowCount() const { return model_.rowCount(); }

  // Back to the empty state: 18 blank rows.
  void clear();
  // Removes one row; the list shows 18 blank rows again when none is left.
  void removeRow(int row);

  // True when no row holds exactly this path.
  bool IsNotInList(const QString& path) const;
  // Adds a drawing unless it is listed; false when it was. The first drawing added to an empty
  // list removes the blank rows.
  bool addDrawing(const QString& path);
  // Adds the entries of the folder lister ("<path>/<size>/<created>/<written>/<accessed>") in
  // name order (see nameLess); returns how many rows were added.
  int addFolderEntries(const QStringList& entries);

  QString path(int row) const;
  QString folderTag(int row) const;  // the drawing's folder, ending in "/"
  QString nameTag(int row) const;    // e.g. "PLAN" for ".../Plan.dxf"
  QString picture(int row) const;    // "" before the run touched the row
  QString startTime(int row) const;
  QString endTime(int row) const;
  // The folder the last split of the row wrote into; "" until a run splits it. It goes with
  // the row, so a row removed, or a list cleared, leaves none behind.
  QString outputFolder(int row) const;

  void setPicture(int row, const QString& key);
  void setStartTime(int row, const QString& time);
  void setEndTime(int row, const QString& time);
  void setOutputFolder(int row, const QString& folder);
  // Takes every row's picture and times off, so that a run shows only what it did itself. The
  // output folders stay: the drawings split before are still where they were written.
  void clearRunMarks();

 private:
  void addBlankRow();
  void setText(int row, int column, const QString& text);
  QString text(int row, int column) const;
  QString tag(int row, int column) const;

  struct Picture {
    QIcon icon;
    QString tip;
  };
  QStandardItemModel model_;
  QHash<QString, Picture> pictures_;
};

// The path of a folder-lister entry: everything before its last four "/"-separated fields.
QString pathOfFolderEntry(const QString& entry);
// The folder with one "/" at its end ("" stays "").
QString folderWithSlash(const QString& folder);
// The output-folder name of a drawing file: the name in capitals, every drawing extension
// (".DXF") removed.
QString outputNameOf(const QString& fileName);

}  // namespace sheetcut::app
