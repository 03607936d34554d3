#pragma once

// The program's INI file "cfg.ini": the output folder, the save mode, the default
// drawing-number format and the list of up to ten formats.
//
//   [UserSet]     SPPath, SaveChildType ("0" own folder, "1" chosen folder)
//   [DwgIDFormat] DefaultFormat, Format1 .. Format10

#include <QString>
#include <QStringList>
#include <optional>

#include "sheetcut_app/program_services.h"

namespace sheetcut::app {

namespace ini {
inline const QString kUserSet = QStringLiteral("UserSet");
inline const QString kOutFolder = QStringLiteral("SPPath");
inline const QString kSaveMode = QStringLiteral("SaveChildType");
inline const QString kFormats = QStringLiteral("DwgIDFormat");
inline const QString kDefaultFormat = QStringLiteral("DefaultFormat");
inline QString formatKey(int k) {
  return QStringLiteral("Format") + QString::number(k);
}
}  // namespace ini

// Where the split drawings go: each drawing's own folder or the one chosen folder.
enum class SaveMode { OwnFolder = 0, ChosenFolder = 1 };

inline constexpr int kMaxFormats = 10;

// What the main window shows from the file.
struct ConfigInfo {
  bool hasFolderSettings = false;  // folder and mode were read (see loadConfigInfo)
  QString outFolder;
  std::optional<SaveMode> saveMode;  // none when the key is missing or unusable
  QStringList formats;               // the combo's entries
  int selected = 0;                  // the entry to select
};

// Reads the format list (Format1..Format10, empty keys skipped) and selects the last entry
// equal to DefaultFormat; when none is, appends DefaultFormat and selects it, or, when
// DefaultFormat is empty, appends "任意 - 任意 - 任意" and selects the first entry. With withFolder
// also reads SPPath and SaveChildType; a SaveChildType that names no mode is ignored.
ConfigInfo loadConfigInfo(ProgramServices& api, const QString& iniPath, bool withFolder);

// The stored format list as the format editor keeps it: Format1.. up to the first empty key,
// without gaps.
class FormatStore {
 public:
  FormatStore(ProgramServices& api, QString iniPath);

  enum class AddResult { Added, Duplicate, Full };

  // Reads the list from the file.
  QStringList load();
  const QStringList& formats() const { return formats_; }
  // Appends a format under the next key; an equal entry or a full list writes nothing.
  AddResult add(const QString& format);
  // Removes entry `index` (from 0) and moves the later keys down, so they stay gap-free.
  void remove(int index);

 private:
  ProgramServices& api_;
  QString iniPath_;
  QStringList formats_;
};

}  // namespace sheetcut::app
