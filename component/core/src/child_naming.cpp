// Names of the split's children: sanitised drawing numbers, corner choice, free target paths,
// and the CAD members of the same family.

#include "tarvik/child_naming.h"

#include <sheetcut/ansi_codepage.h>
#include <unistd.h>

#include <QTextBoundaryFinder>
#include <climits>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <utility>

#include "tarvik/cad.h"
#include "tarvik/constants.h"

namespace tarvik {

namespace {

// The characters a file name may not hold on the systems the drawings come from, with the
// full-width forms that replace them.
constexpr struct {
  char16_t from;
  char16_t to;
} kFileNameReplacements[] = {
    {u'/', u'\uFF0F'}, {u'\\', u'\uFF3C'}, {u':', u'\uFF1A'}, {u'*', u'\uFF0A'},
    {u'?', u'\uFF1F'}, {u'"', u'\uFF07'},  {u'<', u'\uFF1C'}, {u'>', u'\uFF1E'},
};

// Stand in for characters that a file name must not show as they are.
constexpr char16_t kHiddenCharacterMark = u'_';
constexpr char16_t kFullWidthFullStop = u'\uFF0E';

bool isControlOrBidi(char16_t c) {
  return c <= 0x1F || c == 0x7F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::filesystem::path fsPath(const QString& path) {
  return std::filesystem::path(path.toStdString());
}

// True when nothing (not even a dangling link) is at `path`. A path that cannot be looked at
// (too long, no permission) counts as free: writing there fails and is reported then, where
// counting on would never end.
bool isFree(const QString& path) {
  std::error_code ec;
  const auto type = std::filesystem::symlink_status(fsPath(path), ec).type();
  return type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::none;
}

}  // namespace

void validFileName(QString& s, bool isPath) {
  if (isPath) return;
  for (const auto& r : kFileNameReplacements) s.replace(QChar(r.from), QChar(r.to));
  makeNameVisible(s);
}

void makeNameVisible(QString& s) {
  // Every character concerned is a single UTF-16 unit, never half of a surrogate pair.
  for (QChar& c : s) {
    if (isControlOrBidi(c.unicode())) c = QChar(kHiddenCharacterMark);
  }
  if (s.startsWith(u'.')) s[0] = QChar(kFullWidthFullStop);
}

int strType(const QString& s) {
  int kind = 0;
  for (const char32_t c : s.toUcs4()) {
    if (c > 0xFF) return 2;
    if (c >= 0x80) {
      const QString one = QString::fromUcs4(&c, 1);
      if (sheetcut::utf8ToAnsi(one.toStdString()).size() > 1) return 2;
    }
    if (c < U'0' || c > U'9') kind = 1;
  }
  return kind;
}

int nearestToCorner(const std::vector<Point3d>& points, const Point3d& minPoint,
                    const Point3d& maxPoint) {
  const Point3d corners[] = {
      minPoint, maxPoint, {minPoint[0], maxPoint[1], 0}, {maxPoint[0], minPoint[1], 0}};
  int best = -1;
  double bestDistance = 1e20;
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (const Point3d& corner : corners) {
      const double dx = points[i][0] - corner[0];
      const double dy = points[i][1] - corner[1];
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<int>(i);
      }
    }
  }
  return best;
}

namespace {

// The fallback name of frame n as a base and the "-n" at its end ("" when the running number
// stands inside the name), so that a long name can be cut without losing the number.
std::pair<QString, QString> fallbackParts(const QString& sourceFileName, int n) {
  const QString upper = sourceFileName.toUpper();
  const QString extension = kDrawingExtension.toUpper();
  const QString number = u'-' + QString::number(n);
  if (!upper.contains(extension)) return {upper, number};
  if (!upper.endsWith(extension)) return {QString(upper).replace(extension, number), QString()};
  return {upper.left(upper.size() - extension.size()).replace(extension, number), number};
}

}  // namespace

QString fallbackChildName(const QString& sourceFileName, int n) {
  const auto [base, suffix] = fallbackParts(sourceFileName, n);
  return base + suffix;
}

int fileNameLimit(const QString& folder) {
  const long limit = ::pathconf(folder.toStdString().c_str(), _PC_NAME_MAX);
  return limit > 0 && limit < INT_MAX ? static_cast<int>(limit) : 255;
}

QString fittedFileName(const QString& base, const QString& suffix, int limit) {
  const QString tail = suffix + kDrawingExtension;
  const qsizetype room = limit - tail.toUtf8().size();
  if (base.toUtf8().size() <= room) return base + tail;
  // Cut between user-perceived characters: never inside a surrogate pair or before a
  // combining mark.
  QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, base);
  qsizetype kept = 0;
  qsizetype bytes = 0;
  for (qsizetype end = characters.toNextBoundary(); end > 0; end = characters.toNextBoundary()) {
    bytes += base.mid(kept, end - kept).toUtf8().size();
    if (bytes > room) break;
    kept = end;
  }
  return base.left(kept) + tail;
}

ChildNames::ChildNames(const QString& number, const QString& sourceFileName, int n, int limit)
    : numbered_(!number.isEmpty()), limit_(limit) {
  if (numbered_) {
    base_ = number;
    suffix_ = u'-' + QString::number(n);
  } else {
    std::tie(base_, suffix_) = fallbackParts(sourceFileName, n);
    makeNameVisible(base_);
  }
}

QString ChildNames::next() {
  const long k = ++tried_;
  if (numbered_) {
    // number, number-n, number-n-2, ...
    if (k == 1) return fittedFileName(base_, QString(), limit_);
    if (k == 2) return fittedFileName(base_, suffix_, limit_);
    return fittedFileName(base_, suffix_ + u'-' + QString::number(k - 1), limit_);
  }
  // fallback, fallback-2, fallback-3, ...
  if (k == 1) return fittedFileName(base_, suffix_, limit_);
  return fittedFileName(base_, suffix_ + u'-' + QString::number(k), limit_);
}

QString nextFreeName(const QString& folder, ChildNames& names) {
  for (;;) {
    const QString name = names.next();
    if (isFree(folder + name)) return name;
  }
}

// ---- CAD members -----------------------------------------------------------------------------

void CAD::ValidFileName(QString& s, bool IsPath) const {
  validFileName(s, IsPath);
}

int CAD::StrType(const QString& s) const {
  return strType(s);
}

}  // namespace tarvik
