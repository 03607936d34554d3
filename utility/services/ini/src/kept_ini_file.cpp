#include "mobrel/kept_ini_file.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <algorithm>
#include <ctime>
#include <filesystem>

#include "atomic_write.h"
#include "ini_change.h"
#include "ini_document.h"
#include "ini_names.h"
#include "ini_rules.h"

namespace mobrel {

namespace {

// A waiting key reaches the file at the latest this long after it was written.
constexpr auto kLongestWait = std::chrono::seconds(1);

// How much older than a look a file's times must be to prove that a later change shows in
// them: the coarsest resolution in use (FAT's two seconds; a second on ext2 with small inodes
// and some network file systems) and one more for the kernel's coarse clock, which may stamp a
// change slightly before the clock read at the look. Not detected per file system: a few
// rewrites more compare the content for nothing.
constexpr long long kTimestampDoubtNs = 3'000'000'000LL;

long long nanoseconds(const timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

}  // namespace

KeptIniFile::KeptIniFile(QString path) : path_(std::move(path)), doc_(new IniDocument) {}

KeptIniFile::~KeptIniFile() {
  sync();
}

KeptIniFile::Stamp KeptIniFile::stampNow() const {
  Stamp s;
  // The clock before the look: a change after it is stamped no earlier, to within the doubt.
  timespec looked{};
  ::clock_gettime(CLOCK_REALTIME, &looked);
  struct stat st {};
  if (::stat(path_.toStdString().c_str(), &st) != 0) return s;
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.seconds = st.st_mtim.tv_sec;
  s.nanoseconds = st.st_mtim.tv_nsec;
  s.unproven = std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)) >=
               nanoseconds(looked) - kTimestampDoubtNs;
  return s;
}

bool KeptIniFile::refresh(const IniChangeLock* held) {
  const Stamp now = stampNow();
  if (loaded_ && now == stamp_) return true;
  std::optional<std::string> bytes;
  if (now.exists) {
    // Through the file a change holds locked, else under the file's shared lock.
    bytes = held != nullptr ? held->read() : readBytes(path_);
    if (!bytes) return false;
  }
  *doc_ = IniDocument::parse(bytes.value_or(std::string()));
  if (!waiting_.empty()) reindexWaiting();
  stamp_ = now;
  loaded_ = true;
  readJustNow_ = true;
  return true;
}

KeptIniFile::Look KeptIniFile::lookAgain(const IniChangeLock& lock, size_t pending) {
  if (!stamp_.exists || !stamp_.unproven || readJustNow_) return Look::Same;
  const Stamp now = stampNow();
  // Through the file the change holds locked: a second lock of this process's would wait for it.
  const std::optional<std::string> bytes = now.exists ? lock.read() : std::nullopt;
  if (!bytes) return Look::Unreadable;
  std::string known = doc_->bytes();
  known.resize(known.size() - std::min(pending, known.size()));
  if (*bytes == known) {
    stamp_ = now;  // may prove the content from now on, once the file's times are old enough
    return Look::Same;
  }
  loaded_ = false;
  return refresh(&lock) ? Look::ReadAgain : Look::Unreadable;
}

QString KeptIniFile::waitingKey(const QString& section, const QString& key) const {
  QString k = doc_->sectionIdentity(section);
  k += QChar(u'\0');
  k += trimBlanks(key).toCaseFolded();
  return k;
}

void KeptIniFile::reindexWaiting() {
  waitingIndex_.clear();
  for (size_t i = 0; i < waiting_.size(); ++i)
    waitingIndex_[waitingKey(waiting_[i].section, waiting_[i].key)] = i;
}

void KeptIniFile::addWaiting(const QString& section, const QString& key, const QString& value) {
  // A key written again keeps its first place: the file ends the same as when each write had
  // reached it in turn. Its line then has the name as last written (a replaced line takes the
  // name as given), in a section as first written (its header is not written again).
  const auto [it, added] = waitingIndex_.try_emplace(waitingKey(section, key), waiting_.size());
  if (!added) {
    waiting_[it->second].key = key;
    waiting_[it->second].value = value;
    return;
  }
  if (waiting_.empty()) firstWaiting_ = std::chrono::steady_clock::now();
  waiting_.push_back({section, key, value});
}

QString KeptIniFile::get(const QString& section, const QString& key) {
  const auto it = waitingIndex_.find(waitingKey(section, key));
  if (it != waitingIndex_.end()) return readBackValue(waiting_[it->second].value);
  if (!refresh()) return QString();
  const std::optional<QString> value = doc_->value(section, key);
  return value ? profileValue(*value) : QString();
}

bool KeptIniFile::write(const std::vector<Key>& keys) {
  failure_.clear();
  readJustNow_ = false;
  if (keys.empty()) return true;
  for (const Key& k : keys) {
    failure_ = unholdableName(k.section, k.key);
    if (!failure_.isEmpty()) return false;
  }
  const IniChangeLock lock(path_);
  if (!lock.locked() || !readyToChange(lock)) {
    if (failure_.isEmpty()) failure_ = lock.failure();
    return false;
  }
  for (const Key& k : keys) {
    failure_ = unholdableWrite(*doc_, k.section, k.key, oneLine(k.value));
    if (!failure_.isEmpty()) return false;
  }
  // A change that would leave a GBK file reading as UTF-8 is refused now, as a plain write
  // refuses it, not only when the keys that wait reach the file.
  std::vector<IniFile::KeyWrite> after = waiting_;
  for (const Key& k : keys) after.push_back({k.section, k.key, oneLine(k.value)});
  failure_ = unholdableChange(*doc_, after, path_);
  if (!failure_.isEmpty()) return false;
  const size_t lines = doc_->lineCount();
  const size_t lastSize = lines > 0 ? doc_->lineSize(lines - 1) : 0;
  const size_t waitingBefore = waiting_.size();
  bool mustRewrite = false;
  for (const Key& k : keys) {
    const QString value = oneLine(k.value);
    // Keys of different sections, or different keys of one section, land in the same places
    // whichever reaches the file first; a key already waiting keeps waiting. After a failed
    // append nothing is appended before the keys it left waiting are written, which would
    // otherwise land after the lines of later writes.
    if (!appendFailed_ && doc_->appendsAtEnd(k.section, k.key) &&
        !waitingIndex_.contains(waitingKey(k.section, k.key))) {
      doc_->setValue(k.section, k.key, value);
    } else {
      addWaiting(k.section, k.key, value);
      if (!k.mayWait || appendFailed_) mustRewrite = true;
    }
  }
  // Every key of this write waits now, in its order, as a failed rewrite leaves its keys; none
  // of its lines is in the file. Nothing is appended before they are written, which would
  // otherwise land after the lines of later writes.
  const auto allWait = [&] {
    waiting_.resize(waitingBefore);
    reindexWaiting();  // the file may have been read again meanwhile
    for (const Key& k : keys) addWaiting(k.section, k.key, oneLine(k.value));
  };
  const auto keepWaiting = [&] {
    loaded_ = false;  // read again: the lines just added are not in the file
    allWait();
    appendFailed_ = true;
  };
  // Lines added at the end: the file grows by them.
  const bool grew =
      doc_->lineCount() > lines || (lines > 0 && doc_->lineSize(lines - 1) != lastSize);
  const std::string tail = !grew       ? std::string()
                           : lines > 0 ? doc_->bytesFrom(lines - 1, lastSize)
                                       : doc_->bytes();
  const bool due = !waiting_.empty() &&
                   (mustRewrite ||
                    appendedSinceRewrite_ + static_cast<long long>(tail.size()) >= sizeAtRewrite_ ||
                    std::chrono::steady_clock::now() - firstWaiting_ >= kLongestWait);
  if (due) {
    // The lines of this write go into the rewrite rather than being appended first: when the
    // rewrite fails (a disk with room for the lines but not for a new copy of the file), the
    // file holds none of them, and a caller that takes the write back (withdraw) finds none
    // of it in the file later.
    const Look look = lookAgain(lock, tail.size());
    if (look == Look::Unreadable) {
      failure_ = QStringLiteral("无法读取") + quoted(path_);
      keepWaiting();
      return false;
    }
    // Someone else's change the stamp did not show: the keys go into the file as it is now.
    if (look == Look::ReadAgain) allWait();
    if (rewrite(lock)) return true;
    if (grew) keepWaiting();
    return false;
  }
  if (grew) {
    const bool appended = stamp_.exists ? appendToFile(lock.file(), tail)
                                        : writeFileAtomically(lock.file(), doc_->bytes());
    if (!appended) {
      failure_ =
          errno == EAGAIN ? nameChangedProblem(path_) : changeFailure(errno, path_, lock.folder());
      keepWaiting();
      return false;
    }
    appendedSinceRewrite_ += static_cast<long long>(tail.size());
    stamp_ = stampNow();
  }
  return true;
}

bool KeptIniFile::readyToChange(const IniChangeLock& lock) {
  if (!refresh(&lock)) {
    failure_ = QStringLiteral("无法读取") + quoted(path_);
    return false;
  }
  // A file that is no text reads as holding nothing: neither an append nor a rewrite touches it.
  failure_ = unreadableText(*doc_, path_);
  if (!failure_.isEmpty()) return false;
  // A file that is there but cannot be written stays as it is.
  if (stamp_.exists) failure_ = writeRefusal(path_);
  return failure_.isEmpty();
}

bool KeptIniFile::rewrite(const IniChangeLock& lock) {
  // The file may have been read again since the keys began to wait, now in another encoding:
  // they are checked against it as a write is.
  for (const IniFile::KeyWrite& w : waiting_) {
    failure_ = unholdableWrite(*doc_, w.section, w.key, w.value);
    if (!failure_.isEmpty()) return false;
  }
  // What the file holds, as read and appended to: a write in place holds these bytes.
  const std::string old = stamp_.exists ? doc_->bytes() : std::string();
  doc_->setValues(waiting_);
  const std::string bytes = doc_->bytes();
  failure_ = unholdableBytes(*doc_, bytes, path_);
  if (!failure_.isEmpty()) {
    loaded_ = false;  // the lines read again: the waiting keys are not in the file
    return false;
  }
  WriteDamage damage;
  if (!writeFileAtomically(lock.file(), bytes, stamp_.exists ? &old : nullptr, &damage)) {
    // The waiting keys stay waiting until a write of them succeeds; the lines read again.
    failure_ = errno == EAGAIN ? nameChangedProblem(path_)
                               : changeFailure(errno, path_, lock.folder(), damage);
    loaded_ = false;
    return false;
  }
  doc_->rereadAs(bytes);
  waiting_.clear();
  waitingIndex_.clear();
  appendFailed_ = false;
  stamp_ = stampNow();
  sizeAtRewrite_ = static_cast<long long>(bytes.size());
  appendedSinceRewrite_ = 0;
  return true;
}

void KeptIniFile::withdraw(const std::vector<Key>& keys) {
  bool any = false;
  for (const Key& k : keys) any = waitingIndex_.erase(waitingKey(k.section, k.key)) > 0 || any;
  if (!any) return;
  std::vector<IniFile::KeyWrite> kept;
  for (IniFile::KeyWrite& w : waiting_) {
    if (waitingIndex_.contains(waitingKey(w.section, w.key))) kept.push_back(std::move(w));
  }
  waiting_ = std::move(kept);
  reindexWaiting();
  // Nothing waits behind a failed append any more: appends may go on.
  if (waiting_.empty()) appendFailed_ = false;
}

bool KeptIniFile::sync() {
  failure_.clear();
  readJustNow_ = false;
  if (waiting_.empty()) return true;
  const IniChangeLock lock(path_);
  if (!lock.locked() || !readyToChange(lock)) {
    if (failure_.isEmpty()) failure_ = lock.failure();
    return false;
  }
  if (lookAgain(lock, 0) == Look::Unreadable) {
    failure_ = QStringLiteral("无法读取") + quoted(path_);
    return false;
  }
  return rewrite(lock);
}

}  // namespace mobrel
