// GetFileDir: nested folders named after the parts of a drawing number.

#include <sheetcut/error.h>

#include <filesystem>
#include <system_error>

#include "tarvik/cad.h"
#include "tarvik/child_naming.h"

namespace tarvik {

namespace {

[[noreturn]] void fail(long number, const QString& text) {
  throw sheetcut::Error(number, text.toStdString(), "CAD.GetFileDir");
}

// One part of the number as a name inside the chain: made fit for a file name; "." and ".."
// would leave the chain and are refused.
QString chainName(const QString& part, const QString& drawNo) {
  QString name = part;
  validFileName(name, false);
  if (part == u"." || part == u"..") {
    fail(sheetcut::errnum::kGeneric,
         QStringLiteral("The drawing number \"%1\" has the part \"%2\", which cannot name a folder")
             .arg(drawNo, part));
  }
  return name;
}

void createFolder(const QString& path) {
  const std::filesystem::path p(path.toStdString());
  std::error_code ec;
  if (std::filesystem::is_directory(p, ec)) return;
  std::filesystem::create_directory(p, ec);
  if (!std::filesystem::is_directory(p)) {
    fail(sheetcut::errnum::kPathNotFound,
         QStringLiteral("Cannot create the folder \"%1\": %2")
             .arg(path, ec ? QString::fromStdString(ec.message())
                           : QStringLiteral("a file of that name is in the way")));
  }
}

// The first character of s (a whole code point).
QString firstCharacter(const QString& s) {
  if (s.isEmpty()) return {};
  return s.left(s.at(0).isHighSurrogate() && s.size() > 1 ? 2 : 1);
}

}  // namespace

QString CAD::GetFileDir(const QString& DirName, const QString& DrawNo) const {
  const QStringList parts = DrawNo.split(u'-');
  // Numbers that begin with a letter ("A12-B3-01") join their first two parts into the first
  // folder; numbers that begin with a digit ("12-3-01") do not.
  const bool joined = DrawNo > QStringLiteral("A");
  const qsizetype secondLevel = joined ? 2 : 1;
  const auto part = [&](qsizetype i) -> QString {
    if (i < 0 || i >= parts.size()) {
      fail(sheetcut::errnum::kSubscriptOutOfRange,
           QStringLiteral("The drawing number \"%1\" has no part %2").arg(DrawNo).arg(i + 1));
    }
    return chainName(parts[i], DrawNo);
  };

  QString path = DirName;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    QString added;
    if (i == 0 && joined) {
      added = part(0) + u'-' + part(1);
      i = 1;
    } else if (i == secondLevel) {
      path += u'/' + firstCharacter(part(i));
      createFolder(path);
      added = part(i);
    } else if (parts[i].contains(u'.')) {
      added = part(i - 1) + u'-' + part(i);
    } else {
      added = part(i);
    }
    path += u'/' + added;
    if (!added.contains(u'.')) createFolder(path);
  }
  return path;
}

}  // namespace tarvik
