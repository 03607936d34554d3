// The analysis rules that need no drawing.

#include "tarvik/analysis_report.h"

#include <cmath>
#include <limits>
#include <utility>

#include "mobrel/ini_file.h"
#include "mobrel/ini_values.h"
#include "mobrel/kept_ini_file.h"

namespace tarvik {

QString reportLineKey(int counter) {
  // Three digits as long as they suffice; beyond that every digit, so no row replaces another.
  return QStringLiteral("Line") + QString::number(counter).rightJustified(3, u'0');
}

std::optional<int> roundToInt(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = std::nearbyint(value);
  if (r < static_cast<double>(std::numeric_limits<int>::min()) ||
      r > static_cast<double>(std::numeric_limits<int>::max())) {
    return std::nullopt;
  }
  return static_cast<int>(r);
}

std::optional<SheetSize> sheetSizeOf(double width, double height, double scale) {
  if (scale == 0 || !std::isfinite(scale)) return std::nullopt;
  const std::optional<int> h = roundToInt(std::fabs(height) / scale);
  const std::optional<int> w = roundToInt(std::fabs(width) / scale);
  if (!h || !w) return std::nullopt;
  return SheetSize{*w, *h};
}

QString sheetClass(SheetSize size) {
  int W = size.W, H = size.H;
  if (W < H && W > 280) std::swap(W, H);
  const auto near = [](int v, int target) {
    return std::abs(static_cast<long long>(v) - target) < 50;
  };
  if (near(H, 297)) return near(W, 210) ? QStringLiteral("A4") : QStringLiteral("A3");
  if (near(H, 420)) return QStringLiteral("A2");
  if (near(H, 594)) return QStringLiteral("A1");
  if (near(H, 841)) return QStringLiteral("A0");
  return QStringLiteral("A3");
}

Point3d frameBasePoint(const Point3d& insertion, double xScale, double yScale, double rotation,
                       const Point3d& blockOrigin) {
  const double dx = xScale * blockOrigin[0];
  const double dy = yScale * blockOrigin[1];
  const double c = std::cos(rotation), s = std::sin(rotation);
  return {insertion[0] - (dx * c - dy * s), insertion[1] - (dx * s + dy * c), insertion[2]};
}

QString escapeWildcards(const QString& text) {
  static const QString special = QStringLiteral("#@.*?~[]-,`");
  QString out;
  out.reserve(text.size() * 2);
  for (const QChar c : text) {
    if (special.contains(c)) out += u'`';
    out += c;
  }
  return out;
}

QString uniqueKey(const QString& base, const std::function<bool(const QString&)>& taken) {
  if (!taken(base)) return base;
  for (int n = 2;; ++n) {
    const QString key = QStringLiteral("%1 (%2)").arg(base).arg(n);
    if (!taken(key)) return key;
  }
}

ReportBuffer::ReportBuffer() = default;

ReportBuffer::~ReportBuffer() {
  sync();
}

QString ReportBuffer::get(const QString& path, const QString& section, const QString& key) {
  if (path != path_) return mobrel::IniFile(path).GetIniKey(section, key);
  const auto it = pendingIndex_.find(mobrel::keyIdentity(section, key));
  if (it != pendingIndex_.end()) {
    // Read back as the file would give it: the profile read's length limit keeps a value that
    // grows by a name per frame from growing without end. Such a value, once at the limit, is
    // put back unchanged for every further frame: it is read back once.
    Pending& p = pending_[it->second];
    if (!p.readBack) p.readBack = mobrel::readBackValue(p.value);
    return *p.readBack;
  }
  if (!file_) file_ = std::make_unique<mobrel::KeptIniFile>(path_);
  return file_->get(section, key);
}

void ReportBuffer::put(const QString& path, const QString& section, const QString& key,
                       const QString& value, bool mayWait) {
  if (path != path_) {
    keepFailure(sync());
    file_.reset();
    path_ = path;
  }
  // A key put again keeps its first place and takes the last value, as the file would.
  const auto [it, added] =
      pendingIndex_.try_emplace(mobrel::keyIdentity(section, key), pending_.size());
  if (added) {
    pending_.push_back({section, key, value, mayWait, std::nullopt});
  } else {
    Pending& k = pending_[it->second];
    if (k.value != value) {
      k.value = value;
      k.readBack.reset();
    }
    k.mayWait = k.mayWait && mayWait;
  }
}

QString ReportBuffer::failureOfFile() const {
  return QStringLiteral("the analysis report \"%1\" could not be written: %2")
      .arg(path_, file_->writeFailure());
}

void ReportBuffer::keepFailure(const QString& failure) {
  if (failure_.isEmpty()) failure_ = failure;
}

QString ReportBuffer::flush() {
  if (withheld_) return {};
  return writePending();
}

void ReportBuffer::withhold() {
  withheld_ = true;
  withheldFrom_ = pending_.size();
}

QString ReportBuffer::release() {
  // The withheld keys go in a write of their own, after those put before them: when they
  // cannot be written they are taken back whole, so that no later write or sync brings the
  // section of a child that was taken back.
  std::vector<mobrel::KeptIniFile::Key> own;
  for (std::size_t i = withheldFrom_; i < pending_.size(); ++i) {
    const Pending& p = pending_[i];
    own.push_back({p.section, p.key, p.value, p.mayWait});
  }
  drop();
  if (QString failure = writePending(); !failure.isEmpty() || own.empty()) return failure;
  if (!file_) file_ = std::make_unique<mobrel::KeptIniFile>(path_);
  if (file_->write(own)) return {};
  file_->withdraw(own);
  return failureOfFile();
}

void ReportBuffer::drop() {
  withheld_ = false;
  if (withheldFrom_ >= pending_.size()) return;
  // Keys are kept in the order of their first put: those from withhold() on are the new ones.
  for (std::size_t i = withheldFrom_; i < pending_.size(); ++i)
    pendingIndex_.erase(mobrel::keyIdentity(pending_[i].section, pending_[i].key));
  pending_.resize(withheldFrom_);
}

QString ReportBuffer::writePending() {
  if (!pending_.empty()) {
    std::vector<mobrel::KeptIniFile::Key> keys;
    keys.reserve(pending_.size());
    for (const Pending& p : pending_) keys.push_back({p.section, p.key, p.value, p.mayWait});
    if (!file_) file_ = std::make_unique<mobrel::KeptIniFile>(path_);
    // A failed write leaves its keys waiting in the file object for the next write or sync.
    if (!file_->write(keys)) keepFailure(failureOfFile());
    pending_.clear();
    pendingIndex_.clear();
    withheldFrom_ = 0;
  }
  return std::exchange(failure_, QString());
}

QString ReportBuffer::sync() {
  QString failure = writePending();
  if (file_ && !file_->sync() && failure.isEmpty()) failure = failureOfFile();
  return failure;
}

}  // namespace tarvik
