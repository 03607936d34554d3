#pragma once

// What the program needs of the utility library and of the desktop. Every message box,
// confirmation, dialog, INI access and folder test goes through this interface, so that the
// program's logic runs headless and a test can answer its questions.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace sheetcut::app {

// The open-file dialog's answer: the chosen names (without folder) and their folder, which
// ends in "/". A cancel gives an empty folder.
struct ChosenFiles {
  QString sPath;
  QStringList names;
};

// The matching files of a folder: one entry per file,
// "<path>/<size>Kb/<created>/<written>/<accessed>", a single "" when nothing matches; and the
// matching files and the sub-folders left out because their names are not UTF-8 (no path of
// this program reaches them), each named with the name read in the ANSI page, a folder with a
// trailing "/".
struct FolderFiles {
  QStringList entries;
  QStringList skipped;
};

class ProgramServices {
 public:
  virtual ~ProgramServices() = default;

  // ---- Dialogs ----
  virtual ChosenFiles SelectFiles(QWidget* owner, const QString& filter, bool isMultFiles,
                                  const QString& title, const QString& initDir) = 0;
  // The chosen folder without a trailing "/", "" when cancelled.
  virtual QString SelectFolder(QWidget* owner, const QString& title, const QString& startDir,
                               bool isNewFolder) = 0;
  virtual FolderFiles FindFolderFiles(const QString& folder, const QString& filter) = 0;

  // ---- INI files: a missing file, section or key reads as "" ----
  virtual QString GetINIKeyValue(const QString& iniPath, const QString& sect,
                                 const QString& key) = 0;
  virtual void SetINIKeyValue(const QString& iniPath, const QString& sect, const QString& key,
                              const QString& value) = 0;
  virtual void DeleteINIKey(const QString& iniPath, const QString& sect, const QString& key) = 0;

  // ---- Files and windows ----
  virtual bool FolderExist(const QString& folder) = 0;
  virtual void SetWindowOnTop(QWidget* window, bool onTop) = 0;

  // ---- Boxes ----
  virtual void Alert(const QString& text, const QString& title) = 0;
  // True when the first button was chosen.
  virtual bool Confirm(const QString& text, const QString& btnCls, const QString& title) = 0;
  // Shows subName & "函数发生异常[" & number & "], 原因：" & CRLF & CRLF & description.
  virtual void ShowErr(long number, const QString& description, const QString& subName) = 0;

  // ---- Desktop: open a folder in the file browser, a document in its viewer ----
  // Never through a shell command line. `onNoProgram` runs, at once or when the desktop's
  // opener has answered, when no program could open it.
  virtual void openFolder(const QString& folder, std::function<void()> onNoProgram) = 0;
  virtual void openDocument(const QString& file, std::function<void()> onNoProgram) = 0;
};

// The utility library's API object behind the interface, with the desktop's opener.
std::unique_ptr<ProgramServices> makeApiServices();

}  // namespace sheetcut::app
