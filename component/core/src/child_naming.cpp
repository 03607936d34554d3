// Names of the split's children: sanitised drawing numbers, corner choice, free target paths,
// and the CAD members of the same family.

#include "tarvik/child_naming.h"

#include <sheetcut/ansi_codepage.h>
#include <sheetcut/error.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

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

QString fallbackChildName(const QString& sourceFileName, int n) {
  const QString upper = sourceFileName.toUpper();
  const QString extension = kDrawingExtension.toUpper();
  const QString suffix = u'-' + QString::number(n);
  if (!upper.contains(extension)) return upper + suffix;
  QString name = upper;
  return name.replace(extension, suffix);
}

QString freeChildPath(const QString& folder, const QStringList& choices) {
  // The system reads a path only up to a NUL: every name tried would test the same file.
  const QChar nul(u'\0');
  if (folder.contains(nul) || std::any_of(choices.begin(), choices.end(),
                                          [&](const QString& c) { return c.contains(nul); })) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "A file name in \"" + QString(folder).replace(nul, u'?').toStdString() +
                              "\" holds a NUL character",
                          "CAD.SplitDwg");
  }
  for (const QString& name : choices) {
    const QString path = folder + name + kDrawingExtension;
    if (isFree(path)) return path;
  }
  const QString base = choices.isEmpty() ? QString() : choices.last();
  for (long k = 2;; ++k) {
    const QString path = folder + base + u'-' + QString::number(k) + kDrawingExtension;
    if (isFree(path)) return path;
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
