#include "cell_xml_cache.h"

#include <sheetcut/regular_file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace tarvik {

namespace {

bool sameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

FileStamp FileStamp::of(const QString& path) {
  struct stat st {};
  FileStamp stamp;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return stamp;
  stamp.present = true;
  stamp.mode = st.st_mode;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified = st.st_mtim;
  stamp.changed = st.st_ctim;
  return stamp;
}

bool FileStamp::isRegularFile() const {
  return present && S_ISREG(mode);
}

bool FileStamp::operator==(const FileStamp& other) const {
  return present == other.present && mode == other.mode && device == other.device &&
         inode == other.inode && size == other.size && sameTime(modified, other.modified) &&
         sameTime(changed, other.changed);
}

bool fileHolds(const QString& path, const QByteArray& data) {
  const int fd = sheetcut::openRegularFileForReading(QFile::encodeName(path).toStdString());
  if (fd < 0) return false;
  bool same = false;
  {
    QFile file;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) &&
        file.size() == data.size()) {
      same = file.readAll() == data;
    }
  }
  ::close(fd);
  return same;
}

}  // namespace tarvik
