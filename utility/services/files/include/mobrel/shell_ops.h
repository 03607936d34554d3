#pragma once

#include <QString>

class QWidget;

namespace mobrel {

// File operations with the results and rules of the Windows shell's file operation, on the
// local file system. Each answers 0 on success, otherwise a non-zero error number (errno).
// A last path component with "*" or "?" stands for every entry it matches. With isAlarm the
// user is asked before a permanent delete or the replacement of an existing entry (see
// shell_confirm.h); without it nothing is asked. The owner window parents those questions.

// Copies a file or folder (with its contents). An existing folder as destination means
// "into it", so does a destination ending in "/" and a source that names several entries;
// otherwise the destination is the new name. Missing destination folders are created, an
// existing file of the same name is replaced (also one marked read-only, as the shell's "yes to
// all" does), folders are merged. A source that is a link to a file stands for that file: its
// data is copied, as cp does; one that leads nowhere answers ENOENT and one to a pipe, device
// or socket EINVAL, and nothing is copied. Each file replaces its target only once its copy
// is whole: a failure (such as ENOSPC) leaves the target as it was. A file copied onto keeps
// its mode, owner, group and other names, as cp keeps them; a new file takes the source's
// permission bits less the set-id bits and the umask. A target that is a named
// pipe, device or socket, or a link to one, is never replaced: the copy answers EINVAL. A link
// the system does not follow for this user (one in a sticky shared folder that belongs to
// someone else) answers EACCES, and what it names stays as it was.
long ShellCopyFile(QWidget* owner, const QString& srcFile, const QString& fileToPath,
                   bool isAlarm = false);

// Moves like ShellCopyFile copies; between file systems the entries are copied and then
// deleted.
long ShellMoveFile(QWidget* owner, const QString& srcFile, const QString& fileToPath,
                   bool isAlarm = false);

// Deletes a file or a folder with everything in it. One trailing "/" is removed from the
// caller's variable first. "", "/" and any path that resolves to "/" are refused.
long ShellDelete(QWidget* owner, QString& path, bool isAlarm = false);

// Deletes everything inside the folder and keeps the folder. An existing empty folder is a
// success. "" and the root are refused.
long ShellDelFolderSubObjs(QWidget* owner, const QString& folder, bool isAlarm = false);

// Deletes only the files directly inside the folder; sub-folders and their contents stay.
long ShellDelFolderFiles(QWidget* owner, const QString& folder, bool isAlarm = false);

// Renames within the source's folder: "/a/b.dxf" with "c.dxf" becomes "/a/c.dxf". Fails
// (EEXIST) when the new name exists already.
long ShellRenameFile(QWidget* owner, const QString& srcFile, const QString& newFileName);

}  // namespace mobrel
