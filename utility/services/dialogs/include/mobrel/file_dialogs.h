#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace mobrel {

// What the open-file dialog hands back: the chosen names sit at indexes 1 to iCount of sFile,
// index 0 holds "". After a cancel iCount is 0, sPath "" and sFile has no elements.
struct DlgFileInfo {
  int iCount = 0;
  QString sPath;  // the folder of the chosen files, ending in "/"
  QStringList sFile;
};

// Turns the full paths a dialog returned into the record: sPath is their common folder,
// each name is the rest of its path. No paths give the empty record.
DlgFileInfo SplitDlgFileList(const QStringList& fullPaths);

// Translates a filter "description|pattern|description|pattern" into Qt's name filters
// ("description (pattern)"). Patterns separated by ";" stay alternatives, "*.*" becomes "*"
// (on Linux "*.*" would miss names without a dot), and a description without a pattern
// matches every file.
QStringList translateFileFilter(const QString& filter);

// Shows the open-file dialog (one file, or several with isMultFiles) and answers the record;
// a cancel gives the empty record. Patterns match without regard to case
// ("*.dxf" shows "A.DXF").
DlgFileInfo ShowOpenFileDlg(const QString& title, const QString& filter, const QString& initDir,
                            bool isMultFiles, QWidget* owner);

// Shows the folder dialog opened at startDir and answers the chosen folder without a trailing
// "/" (except the root), or "" when cancelled. The button for a new folder is offered only
// with isNewFolder.
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startDir,
                        bool isNewFolder);

}  // namespace mobrel
