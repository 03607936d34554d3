#pragma once

#include <QHash>
#include <QString>
#include <chrono>
#include <memory>
#include <unordered_map>
#include <vector>

#include "mobrel/ini_file.h"

namespace mobrel {

class IniDocument;
class IniChangeLock;

// One INI file written many times over a long run (a report that gains a section per item),
// with the rules of IniFile, at a cost in proportion to what each write adds rather than to
// the whole file. The file's lines are kept in memory, indexed by section and key, and the
// file is read again only when someone else changed it (its size, time or identity differ
// from what this object last saw). A file's time is kept only to its file system's resolution
// (a second on ext2 with small inodes, two on FAT), so while the file's times are less than
// three seconds older than this object's last look they prove nothing: a whole rewrite then
// first compares the file with what this object holds and reads it again if it differs, so that
// someone else's change of the same size is merged, never written over. A read (get) and an
// append, which cannot write over anything, go by the stamp alone.
//
// A write whose keys only add lines at the end of the file (a new section, new keys of the
// last section) appends those bytes to the file and flushes them to the disk. Any other write
// (a key replaced or added in an earlier section) rewrites the whole file through a temporary
// file, except for keys written with `mayWait`: their change is kept in memory and reaches the
// file with the next whole rewrite. Such a rewrite happens when the bytes appended since the
// last one reach the file's size then, or a second after the first waiting change, so that
// rewrites cost at most a fixed share of the run; and always on sync() and on destruction. A
// write that finds such a rewrite due goes into it rather than appending first, so that a
// failed write never leaves some of its lines in the file.
// What a stopped or failed run reported is so on the disk once sync() has run; a killed
// process loses at most the waiting keys of the last moments, never a line that was appended.
//
// Every change of the file happens under the folder's and the file's lock of IniFile, and goes
// into the file it read. The file keeps its
// encoding as with IniFile: lines appended to a UTF-16 file are UTF-16 in its byte order, and
// a file that is no text is never changed.
class KeptIniFile {
 public:
  explicit KeptIniFile(QString path);
  ~KeptIniFile();
  KeptIniFile(const KeptIniFile&) = delete;
  KeptIniFile& operator=(const KeptIniFile&) = delete;

  const QString& path() const { return path_; }

  // The value as IniFile::GetIniKey reads it, waiting keys included.
  QString get(const QString& section, const QString& key);

  struct Key {
    QString section, key, value;
    bool mayWait = false;
  };
  // Writes the keys in order, as IniFile::WriteIniKey would one by one. Returns false when the
  // file could not be written, or a name, a value or a change is one IniFile refuses, keys that
  // wait counted as written (then nothing is written, and nothing of it waits: a key after
  // which a GBK file would read as UTF-8 is refused here, not later by sync). A write that fails
  // before it changes the file (a missing folder, a file that may not be written, a lock held too
  // long) keeps nothing; one whose append or whole rewrite fails (a full disk) leaves all its keys
  // waiting for the next write or sync, as get() answers them.
  bool write(const std::vector<Key>& keys);

  // Takes back the keys of a write that failed: those of them still waiting are dropped, as if
  // that write had never been asked for (a key that an earlier write left waiting goes too).
  void withdraw(const std::vector<Key>& keys);

  // Writes the waiting keys. Returns false when the file could not be written, or a waiting key
  // is one that the file as it is now cannot hold (someone else put a GBK file in its place);
  // the keys then keep waiting (and get() keeps answering them) until a later write or sync
  // succeeds.
  bool sync();

  // Why the last write or sync failed, as IniFile::writeFailure says it; "" when it did not.
  const QString& writeFailure() const { return failure_; }

 private:
  // What tells that the file changed since this object looked: its identity, size and time of
  // last change. Times are kept only to the file system's resolution (a second on ext2 with
  // small inodes and on some network file systems, two on FAT), so a change of the same size
  // soon after a look may leave the stamp as it was: the stamp then proves nothing (git's
  // "racy clean" rule), and a rewrite compares the content first (see lookAgain).
  struct Stamp {
    bool exists = false;
    unsigned long long device = 0, inode = 0;
    long long size = 0, seconds = 0, nanoseconds = 0;
    // The time or status-change time of the file was not older than the look by more than
    // kTimestampDoubt: a change right after the look may have left the same time.
    bool unproven = false;
    bool operator==(const Stamp& o) const {
      return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
             seconds == o.seconds && nanoseconds == o.nanoseconds;
    }
  };
  Stamp stampNow() const;
  // Reads the file again when it is not as this object left it: through the file `held` holds
  // locked for a change, else under the file's shared lock. False when it cannot be read.
  bool refresh(const IniChangeLock* held = nullptr);
  // Before a rewrite under `lock`: where the stamp proves nothing and the file was not read by
  // this write or sync, whether it still holds the document's bytes but for the last `pending`
  // (lines of this write not yet in the file); reads the file again when not.
  enum class Look { Same, ReadAgain, Unreadable };
  Look lookAgain(const IniChangeLock& lock, size_t pending);
  // Reads the file again where needed and checks it may be replaced; sets failure_ if not.
  bool readyToChange(const IniChangeLock& lock);
  bool rewrite(const IniChangeLock& lock);

  QString path_;
  std::unique_ptr<IniDocument> doc_;  // the file as on disk, waiting keys not applied
  Stamp stamp_;
  bool loaded_ = false;
  bool readJustNow_ = false;  // by the write or sync under way: nothing to compare
  void addWaiting(const QString& section, const QString& key, const QString& value);
  // What tells a waiting key apart: its name, and its section as the file finds it, so that two
  // names of one section ("x] ;y" and "x" both find a header "[x] ;y]") are one.
  QString waitingKey(const QString& section, const QString& key) const;
  void reindexWaiting();

  // Keys not yet in the file, in the order of their first write, each with its last value.
  std::vector<IniFile::KeyWrite> waiting_;
  std::unordered_map<QString, size_t> waitingIndex_;
  bool appendFailed_ = false;  // keys of a failed append wait: the next change rewrites
  long long appendedSinceRewrite_ = 0;
  long long sizeAtRewrite_ = 0;
  std::chrono::steady_clock::time_point firstWaiting_;
  QString failure_;
};

}  // namespace mobrel
