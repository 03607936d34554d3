#pragma once

// What the last rebuild of the block layouts' key elements saw, so that the next one redoes
// only the templates whose files changed since.

#include <sys/types.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <ctime>
#include <map>
#include <vector>

namespace tarvik {

// The identity and change times of a file as the status call gives them; two equal stamps mean
// the file was neither replaced nor written between the two calls. A missing file (or one
// that cannot be reached) has the empty stamp.
struct FileStamp {
  bool present = false;
  mode_t mode = 0;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileStamp of(const QString& path);
  bool isRegularFile() const;
  bool operator==(const FileStamp& other) const;
};

// A file of a template as found (the path, looked up without regard to case) and its stamp.
struct FoundFile {
  QString path;
  FileStamp stamp;
  bool operator==(const FoundFile& other) const = default;
};

// Per template name: its layout and cell files when last rebuilt (or, for the layout, last
// read for the counts), and the wide characters of its layout's cell names.
struct CellXmlTemplate {
  FoundFile layout;
  FoundFile cells;
  std::vector<QString> characters;
};

struct CellXmlCache {
  QString modFolder;                       // the folder the entries were found in
  std::vector<QString> names;              // the template list the counts were made for
  std::map<QString, int> counts;           // character counts of the last rebuild
  QHash<QString, CellXmlTemplate> byName;  // templates rebuilt (or counted) since

  void clear() { *this = CellXmlCache{}; }
};

// True when `path` is a regular file whose bytes are `data`; false otherwise, also when it
// cannot be read.
bool fileHolds(const QString& path, const QByteArray& data);

}  // namespace tarvik
