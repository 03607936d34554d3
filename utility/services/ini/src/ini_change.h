#pragma once

// What a change of an INI file takes before it reads the file: a path that names a regular
// file (or nothing yet), and the lock of the folder in which the file is replaced.

#include <QString>
#include <optional>
#include <string>

#include "atomic_write.h"

namespace mobrel {

// The path in double quotes, as the messages name files and folders.
QString quoted(const QString& path);

// The system's reason for a failed step on `place` (a file or a folder), in the user's words
// where it is a common one.
QString systemReason(int error, const QString& place);

// Why the existing file `path` may not be changed, `error` being the number the check or the
// write answered: its protection where that is the cause (append-only, immutable, on a
// read-only mount, another user's file in a shared sticky folder), else "" .
QString protectionProblem(const QString& path, int error);

// Why the file `path` may not be changed: "" when this process may write it (or nothing is
// there), else its protection, or that it is read-only for this user.
QString writeRefusal(const QString& path);

// Why a write of `path`, in the folder `folder`, failed: that it left the file damaged (naming
// the file that holds its old content), a full disk or used-up quota, or the file's
// protection, naming the file, else the system's reason for the folder.
QString changeFailure(int error, const QString& path, const QString& folder,
                      const WriteDamage& damage = {});

// Why `path` cannot be read as an INI file: "" for a regular file or a missing one, else a
// message naming it. Checked before anything is opened, so that a named pipe never blocks.
QString specialFileProblem(const QString& path);

// Why a change of `path` was not written: the name led to another file each time it was read.
QString nameChangedProblem(const QString& path);

// Holds the locks under which `path` is read, edited and replaced: the lock of the folder where
// the replacing rename happens, which for a symbolic link is its target's folder, so that
// writers through the link and through the target exclude each other, and the exclusive lock of
// the file itself, which writers through its other names share (see sheetcut::LockedFile).
// The file is opened once: it is read through file() and replaced as file() (see
// writeFileAtomically), so that what is written goes into the file that was read. Nothing is
// locked when the path is empty, is not a regular file, its folder is missing, the file cannot
// be opened, or another holds the folder's or the file's lock for longer than they wait;
// failure() says why, naming the file or folder.
class IniChangeLock {
 public:
  explicit IniChangeLock(const QString& path);
  bool locked() const { return failure_.isEmpty(); }
  const QString& failure() const { return failure_; }
  // The folder named when a write into it fails.
  const QString& folder() const { return folder_; }
  // The file, open and locked; not open when nothing was there (its path() is where the new
  // file goes).
  const sheetcut::LockedFile& file() const { return file_; }
  // The file's bytes ("" when nothing is there); nothing when it cannot be read.
  std::optional<std::string> read() const;

 private:
  std::optional<FolderLock> lock_;
  sheetcut::LockedFile file_;
  QString failure_;
  QString folder_;
};

}  // namespace mobrel
