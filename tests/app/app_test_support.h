#pragma once

// Test doubles of the program's services and of the split component, and a temporary folder.

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <ostream>
#include <vector>

#include "sheetcut_app/program_services.h"
#include "sheetcut_app/split_component.h"

// Lets GoogleTest print texts readably.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace apptest {

using sheetcut::app::ChosenFiles;

// Answers dialogs and boxes from queues and records what the program showed. INI access and
// the folder listing are the library's real ones, on real files.
class FakeServices : public sheetcut::app::ProgramServices {
 public:
  std::deque<ChosenFiles> fileAnswers;  // SelectFiles; empty: cancelled
  std::deque<QString> folderAnswers;    // SelectFolder; empty: cancelled
  std::deque<bool> confirmAnswers;      // Confirm; empty: yes
  std::function<void()> onAlert;        // runs inside Alert, after it was recorded
  bool iniWritesFail = false;  // INI changes raise, as the library's do for a read-only folder
  bool openerWorks = true;     // a file browser and a viewer are installed

  QStringList alerts, confirms, folderDialogTitles, openedFolders, openedDocuments, errors;
  int onTopCalls = 0;

  ChosenFiles SelectFiles(QWidget*, const QString& filter, bool, const QString&,
                          const QString&) override;
  QString SelectFolder(QWidget*, const QString& title, const QString&, bool) override;
  sheetcut::app::FolderFiles FindFolderFiles(const QString& folder, const QString& filter) override;
  QString GetINIKeyValue(const QString& iniPath, const QString& sect, const QString& key) override;
  void SetINIKeyValue(const QString& iniPath, const QString& sect, const QString& key,
                      const QString& value) override;
  void DeleteINIKey(const QString& iniPath, const QString& sect, const QString& key) override;
  bool FolderExist(const QString& folder) override;
  void SetWindowOnTop(QWidget*, bool) override { ++onTopCalls; }
  void Alert(const QString& text, const QString&) override;
  bool Confirm(const QString& text, const QString&, const QString&) override;
  void ShowErr(long number, const QString& description, const QString& subName) override;
  void openFolder(const QString& folder, std::function<void()> onNoProgram) override;
  void openDocument(const QString& file, std::function<void()> onNoProgram) override;

  QString lastFilter;
};

// A split component that records its calls; each split may run a test's action (which may
// throw to make the split fail).
class FakeComponent : public sheetcut::app::SplitComponent {
 public:
  bool startable = true;
  std::function<void(const QString& path)> onSplit;
  QStringList withoutFrames;  // drawings in which the split finds no frame

  bool host = false;
  bool minimised = false;
  QString mask;
  QString childFolder;
  QStringList splitPaths, childFolders;
  int connects = 0, closes = 0, releases = 0;

  bool AcadAppIsRun(bool, bool) override;
  bool hasHost() const override { return host; }
  void showHost(bool minimise) override { minimised = minimise; }
  void setDwgIDMask(const QString& m) override { mask = m; }
  void setChildFileSavePath(const QString& folder) override { childFolder = folder; }
  int SplitDwg(const QString& path, bool IsOnlySplit) override;
  void CloseAutoCAD() override;
  void releaseHost() override { ++releases; }
};

// While it lives, the calling thread reads and searches files only as their modes allow, even
// as the superuser: the superuser's power to pass over them is given up and then taken back.
// held() is false where it cannot be given up (nothing to give up counts as held).
class WithoutReadOverride {
 public:
  WithoutReadOverride();
  ~WithoutReadOverride();
  WithoutReadOverride(const WithoutReadOverride&) = delete;
  WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;
  bool held() const { return held_; }

 private:
  bool held_ = false;
  bool dropped_ = false;
  unsigned saved_[2] = {};  // the effective capability words before
};

// A fresh folder for a test, removed at the end.
class Folder {
 public:
  QString path() const { return dir_.path(); }
  QString operator/(const QString& name) const { return dir_.filePath(name); }
  // Creates an empty file (and its folders) and answers its path.
  QString touch(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace apptest
