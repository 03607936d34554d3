#pragma once

// The analysis report ("AnRpt.txt" in the work folder) and the rules of the frame analysis
// that need no drawing: report keys, sheet classes, frame base points, filter texts.

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "tarvik/records.h"

namespace mobrel {
class KeptIniFile;
}

namespace tarvik {

inline const QString kReportFileName = QStringLiteral("AnRpt.txt");
inline const QString kErrLogFileName = QStringLiteral("ErrLog.txt");
inline const QString kErrLogSection = QStringLiteral("ErrInfo");

// Report keys.
inline const QString kKeySheetClass = QStringLiteral("图幅");
inline const QString kKeyTemplates = QStringLiteral("模版");
inline const QString kKeyScale = QStringLiteral("_比例");
inline const QString kKeyGuid = QStringLiteral("GUID");
inline const QString kKeyFrameCount = QStringLiteral("SCount");

// The key of row `counter` of the multi-row cells: "Line000" .. "Line999", then "Line1000",
// "Line1001", ... (a counter never wraps onto an earlier row).
QString reportLineKey(int counter);

// The sheet size of a window of the given width and height at `scale`, in whole sheet units
// (halves to the even neighbour). Nothing for a scale of 0, values that are not finite, or a
// size outside the 32-bit range.
struct SheetSize {
  int W = 0;
  int H = 0;
};
std::optional<SheetSize> sheetSizeOf(double width, double height, double scale);

// The sheet class "A0" .. "A4" of a sheet size: an upright sheet wider than 280 is turned
// first; a size that matches no class is "A3".
QString sheetClass(SheetSize size);

// Where the block definition's origin lands for a block reference: the insertion point less
// the scaled origin, turned by the reference's rotation.
Point3d frameBasePoint(const Point3d& insertion, double xScale, double yScale, double rotation,
                       const Point3d& blockOrigin);

// `text` with the host's wildcard characters escaped, so that a filter matches it literally.
QString escapeWildcards(const QString& text);

// `base` when it is free, else "base (2)", "base (3)", ... the first that `taken` refuses.
QString uniqueKey(const QString& base, const std::function<bool(const QString&)>& taken);

// Rounds half to even into a 32-bit integer; nothing when out of range or not finite.
std::optional<int> roundToInt(double value);

// Keys of the analysis report waiting to be written. The keys of one analysed drawing or frame
// reach the file in one write (in the order they were put, so the file ends as if each had been
// written alone), before the analysis announces its end. Pending keys are written at the latest
// when the buffer goes.
//
// The file stays open in memory across analyses (mobrel::KeptIniFile), so that a frame's keys
// cost what they add: a new section is appended to the file. A key put with `mayWait` (the
// running frame count of a split, which replaces its value in place for every frame) may reach
// the file later, with a whole rewrite whose cost the file's growth pays for; sync() writes it.
class ReportBuffer {
 public:
  ReportBuffer();
  ReportBuffer(const ReportBuffer&) = delete;
  ReportBuffer& operator=(const ReportBuffer&) = delete;
  ~ReportBuffer();

  // The value the key will have in the file `path` once the pending keys are written, as a
  // profile read gives it back.
  QString get(const QString& path, const QString& section, const QString& key);
  // Queues a key; keys pending for another file are written first.
  void put(const QString& path, const QString& section, const QString& key, const QString& value,
           bool mayWait = false);
  // Writes the pending keys. Returns "" when they were written, else why not, naming the file
  // (also for keys of another file that put() or an earlier sync could not write).
  QString flush();
  // Writes the pending keys and every key that may wait; returns as flush().
  QString sync();

  // Keeps the pending keys, and those put from now on, from the file: flush() writes nothing
  // until release() or drop() (the split holds a frame's keys until the frame's drawing is
  // written). sync() still writes them.
  void withhold();
  // Ends withholding and writes the pending keys, the withheld ones last; returns as flush().
  // Withheld keys that cannot be written are dropped: nor does a later sync write them.
  QString release();
  // Ends withholding without writing: the keys first put since withhold() are dropped (a key
  // pending before keeps its last value); the others wait for the next flush.
  void drop();

 private:
  struct Pending {
    QString section, key, value;
    bool mayWait = false;
    std::optional<QString> readBack;  // the value as a profile read gives it, once asked for
  };
  // Why the file's last write or sync failed, naming the report.
  QString failureOfFile() const;
  void keepFailure(const QString& failure);
  // Writes the pending keys, withheld or not; returns as flush().
  QString writePending();

  QString path_;
  std::vector<Pending> pending_;
  std::unordered_map<QString, std::size_t> pendingIndex_;  // section and key -> pending entry
  QString failure_;  // a failure that no flush has returned yet
  bool withheld_ = false;
  std::size_t withheldFrom_ = 0;  // the first pending key put since withhold()
  std::unique_ptr<mobrel::KeptIniFile> file_;
};

}  // namespace tarvik
