#pragma once

// The program's INI file "cfg.ini": the output folder, the save mode, the default
// drawing-number format and the list of up to ten formats.
//
//   [UserSet]     SPPath, SaveChildType ("0" own folder, "1" chosen folder)
//   [DwgIDFormat] DefaultFormat, Format1 .. Format10

#include <QHash>
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

// cfg.ini as the program reads and changes it. A change that cannot be written (a read-only
// program folder, a full disk) stops nothing: it holds for the rest of the session, and reads
// see it; the first time, the user is told that the settings cannot be kept and why; later
// failures stay quiet.
class ConfigFile {
 public:
  ConfigFile(ProgramServices& api, QString path);

  const QString& path() const { return path_; }
  // "" when the file, section or key is missing; a change not written reads as made.
  QString read(const QString& section, const QString& key);
  // False when the change was not written to the file (it still holds for the session).
  bool write(const QString& section, const QString& key, const QString& value);
  bool remove(const QString& section, const QString& key);
  // True once a change was not kept (and the user told).
  bool failed() const { return failed_; }

 private:
  void notKept();
  static QString keyOf(const QString& section, const QString& key);

  ProgramServices& api_;
  QString path_;
  bool failed_ = false;
  // Changes the file did not take, by section and key (without regard to case, as INI names);
  // a removed key holds a null string.
  QHash<QString, QString> unwritten_;
};

// What the main window shows from the file.
struct ConfigInfo {
  bool hasFolderSettings = false;  // folder and mode were read (see loadConfigInfo)
  QString outFolder;
  std::optional<SaveMode> saveMode;  // none when the key is missing or unusable
  QStringList formats;               // the combo's entries
  int selected = 0;                  // the entry to select
};

// Reads the format list (Format1..Format10; empty keys and texts that are no format skipped)
// and selects the last entry equal to DefaultFormat; when none is, appends DefaultFormat and
// selects it, or, when DefaultFormat is empty, appends "任意 - 任意 - 任意" and selects the first
// entry. A DefaultFormat that is no format counts as "任意 - 任意 - 任意". With withFolder also
// reads SPPath and SaveChildType; a SaveChildType that names no mode is ignored.
ConfigInfo loadConfigInfo(ConfigFile& config, bool withFolder);

// The stored format list as the format editor keeps it: the keys Format1..Format10 that hold a
// format, in key order. New formats go under the key after the last one; deleting moves the
// later formats one key down, so that no new gap opens.
class FormatStore {
 public:
  explicit FormatStore(ConfigFile& config);

  // Added also when the file could not take it: the format then holds for the session.
  enum class AddResult { Added, Duplicate, Full };

  // Reads the list from the file.
  QStringList load();
  const QStringList& formats() const { return formats_; }
  // Appends a format under the next key; an equal entry or a full list writes nothing. When
  // the last key is Format10 but the list has room, the formats first move down to
  // Format1.. without gaps.
  AddResult add(const QString& format);
  // Removes entry `index` (from 0).
  void remove(int index);

 private:
  // Moves the formats to Format1..FormatN.
  void closeGaps();

  ConfigFile& config_;
  QStringList formats_;
  QList<int> keys_;  // the key number of each entry of formats_
};

}  // namespace sheetcut::app
