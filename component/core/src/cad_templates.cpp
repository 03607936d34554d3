// The template list of CAD: read from the template folder, changed in memory by the caller.

#include <sheetcut/error.h>
#include <QFile>
#include <QFileInfo>

#include "tarvik/cad.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"
#include "template_list_file.h"

namespace tarvik {

namespace {

[[noreturn]] void subscriptOutOfRange(const char* member, int index) {
  throw sheetcut::Error(sheetcut::errnum::kSubscriptOutOfRange,
                        "Subscript out of range: " + std::to_string(index), member);
}

// Copies `source` to `target` unless `target` exists; a new file appears only when complete.
void copyUnlessPresent(const QString& source, const QString& target) {
  if (QFileInfo::exists(target)) return;
  if (!QFileInfo(source).isFile()) {
    throw sheetcut::Error(sheetcut::errnum::kFileNotFound,
                          "File not found: \"" + source.toStdString() + "\"", "CAD.NewMod");
  }
  QFile in(source);
  // QFile::copy writes a temporary file beside the target and renames it into place.
  if (!in.copy(target)) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "Cannot copy \"" + source.toStdString() + "\" to \"" +
                              target.toStdString() + "\": " + in.errorString().toStdString(),
                          "CAD.NewMod");
  }
}

}  // namespace

void CAD::ReadMods() {
  // The list holds what the reader managed to read (nothing when the file could not be read);
  // the reason of a failure is kept for the members whose frames then go unrecognised.
  const QString path = joinPath(ModPath_, kTemplateListFile);
  QString reason;
  if (readTemplateListFile(path, ModList, ModNum, &reason)) {
    ModListError_.clear();
  } else {
    ModListError_ =
        QStringLiteral("the template list \"%1\" could not be read: %2").arg(path, reason);
  }
}

BlkTYpe CAD::Mods(int i) const {
  if (i < 0 || static_cast<size_t>(i) >= ModList.size()) subscriptOutOfRange("CAD.Mods", i);
  return ModList[static_cast<size_t>(i)];
}

int CAD::NewMod(const QString& name, const QString& DwgPath, int ModType) {
  ++ModNum;
  ModList.resize(static_cast<size_t>(ModNum) + 1);
  BlkTYpe& entry = ModList[static_cast<size_t>(ModNum)];
  entry.n = name;
  entry.p = GetFileName(DwgPath);
  copyUnlessPresent(DwgPath, joinPath(templateSubFolder(ModPath_, kModDwgFolder), entry.p));
  entry.T = QString::number(ModType);
  return ModNum;
}

void CAD::SetMod(int i, const QString& name, const QString& DwgPath, int ModType) {
  // Each step is skipped when it fails; an index outside the list skips them all.
  if (i < 0 || static_cast<size_t>(i) >= ModList.size()) return;
  BlkTYpe& entry = ModList[static_cast<size_t>(i)];
  entry.n = name;
  entry.T = QString::number(ModType);
  entry.p = GetFileName(DwgPath);
  try {
    copyUnlessPresent(DwgPath, joinPath(templateSubFolder(ModPath_, kModDwgFolder), entry.p));
  } catch (const sheetcut::Error&) {
  }
}

void CAD::DelMod(int IDX) {
  if (IDX < 1 || IDX > ModNum) subscriptOutOfRange("CAD.DelMod", IDX);
  --ModNum;
  for (int j = IDX; j <= ModNum; ++j) {
    ModList[static_cast<size_t>(j)] = ModList[static_cast<size_t>(j) + 1];
  }
}

}  // namespace tarvik
