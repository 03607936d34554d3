// Property setters of CAD that do more than store the value.

#include <filesystem>

#include <sheetcut/error.h>
#include <QFile>

#include "tarvik/cad.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"

namespace tarvik {

namespace {

QString withTrailingSlash(const QString& value) {
  return value.endsWith(u'/') ? value : value + u'/';
}

// Creates one folder level unless a folder is there; the parent must exist.
void ensureFolder(const QString& path) {
  std::error_code ec;
  const std::filesystem::path p(QFile::encodeName(path).toStdString());
  if (std::filesystem::is_directory(p, ec)) return;
  if (!std::filesystem::create_directory(p, ec) || ec) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "Cannot create the folder \"" + path.toStdString() +
                              "\": " + (ec ? ec.message() : std::string("it exists as a file")),
                          "CAD.ModPath");
  }
}

}  // namespace

void CAD::setChildFileSavePath(const QString& value) {
  // An empty value stays empty rather than turning into the file-system root.
  ChildFileSavePath_ = value.isEmpty() ? QString() : withTrailingSlash(value);
}

void CAD::setOutPltPath(const QString& value) {
  OutPltPath_ = value.isEmpty() ? QString() : withTrailingSlash(value);
}

void CAD::setSplitSpeed(int value) {
  SplitSpeed_ = value < 1 ? 4 : value;
}

void CAD::setModPath(const QString& value) {
  ModPath_ = value;
  if (ModPath_.endsWith(u'/')) ModPath_.chop(1);
  ensureFolder(templateSubFolder(ModPath_, kModFolder));
  ensureFolder(templateSubFolder(ModPath_, kModDwgFolder));
  ReadMods();
}

}  // namespace tarvik
