#include "tree_copy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "sheetcut/file_lock.h"
#include "sheetcut/file_replacement.h"
#include "sheetcut/regular_file.h"

namespace mobrel {

namespace fs = std::filesystem;

namespace {

long failure(const std::error_code& ec) {
  return ec && ec.value() != 0 ? ec.value() : EIO;
}

int readSome(int fd, std::vector<char>& buf, ssize_t& got) {
  do got = ::read(fd, buf.data(), buf.size());
  while (got < 0 && errno == EINTR);
  return got < 0 ? errno : 0;
}

long copyFile(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  if (fs::equivalent(source, target, ec)) return EEXIST;  // onto itself
  // Read under the source's shared lock, so that a file that a writer in this library
  // replaces in place is copied as it was or as it became, never half of each.
  sheetcut::LockedFile sourceFile;
  if (const int err = sourceFile.open(source.string(), sheetcut::LockedFile::Mode::Shared))
    return err;
  const int in = sourceFile.fd();
  const struct stat& st = sourceFile.status();
  int err = 0;
  // A file copied onto keeps its mode, owner, group and other names, as cp keeps them; a new
  // one takes the source's permission bits less the set-id bits, and less the umask.
  sheetcut::FileReplacement out(target.string());
  if (!err) err = out.create(st.st_mode & 0777);
  std::vector<char> buf(1 << 20);
  ssize_t got = 0;
  while (!err && (err = readSome(in, buf, got)) == 0 && got > 0) {
    err = out.write(buf.data(), static_cast<size_t>(got));
  }
  return err ? err : out.commit();
}

}  // namespace

long copyTree(const fs::path& source, const fs::path& target, bool followLink) {
  std::error_code ec;
  fs::file_status status = fs::symlink_status(source, ec);
  if (ec) return failure(ec);
  if (followLink && fs::is_symlink(status)) {
    // The file the link leads to, as the system follows it for this user, as cp copies it: a
    // link that leads nowhere copies nothing (ENOENT), one to a pipe, device or socket is
    // refused as that node is (EINVAL), either way without a link left that would name another
    // file from the new folder. A link to a folder is copied as a link.
    const fs::file_status named = fs::status(source, ec);
    if (ec) return failure(ec);
    if (fs::is_regular_file(named)) return copyFile(source, target);
    if (!fs::is_directory(named)) return EINVAL;
  }
  if (fs::is_regular_file(status)) return copyFile(source, target);
  if (!fs::is_directory(status)) {
    fs::copy(source, target, fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks,
             ec);
    return ec ? failure(ec) : 0;
  }
  fs::create_directory(target, source, ec);  // an existing folder is merged into
  if (ec) return failure(ec);
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    if (long rc = copyTree(it->path(), target / it->path().filename(), false)) return rc;
  }
  return ec ? failure(ec) : 0;
}

}  // namespace mobrel
