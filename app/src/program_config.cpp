#include "sheetcut_app/program_config.h"

#include "sheetcut_app/dwg_id_format.h"

namespace sheetcut::app {

namespace {

std::optional<SaveMode> saveModeOf(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (ok && value == int(SaveMode::OwnFolder)) return SaveMode::OwnFolder;
  if (ok && value == int(SaveMode::ChosenFolder)) return SaveMode::ChosenFolder;
  return std::nullopt;
}

}  // namespace

ConfigInfo loadConfigInfo(ProgramServices& api, const QString& iniPath, bool withFolder) {
  ConfigInfo info;
  if (withFolder) {
    info.hasFolderSettings = true;
    info.outFolder = api.GetINIKeyValue(iniPath, ini::kUserSet, ini::kOutFolder);
    info.saveMode = saveModeOf(api.GetINIKeyValue(iniPath, ini::kUserSet, ini::kSaveMode));
  }
  const QString def = api.GetINIKeyValue(iniPath, ini::kFormats, ini::kDefaultFormat);
  int sel = -1;
  for (int k = 1; k <= kMaxFormats; ++k) {
    const QString f = api.GetINIKeyValue(iniPath, ini::kFormats, ini::formatKey(k));
    if (f.isEmpty()) continue;
    info.formats << f;
    if (f == def) sel = int(info.formats.size()) - 1;
  }
  if (sel == -1) {
    // A default that is not stored (the preset always, since it is never stored) is offered
    // after the stored formats and stays selected, so that the next run uses it again. Only
    // without any default does the first entry get the selection.
    info.formats << (def.isEmpty() ? kAnyFormat : def);
    sel = def.isEmpty() ? 0 : int(info.formats.size()) - 1;
  }
  info.selected = sel;
  return info;
}

FormatStore::FormatStore(ProgramServices& api, QString iniPath)
    : api_(api), iniPath_(std::move(iniPath)) {}

QStringList FormatStore::load() {
  formats_.clear();
  for (int k = 1; k <= kMaxFormats; ++k) {
    const QString f = api_.GetINIKeyValue(iniPath_, ini::kFormats, ini::formatKey(k));
    if (f.isEmpty()) break;
    formats_ << f;
  }
  return formats_;
}

FormatStore::AddResult FormatStore::add(const QString& format) {
  if (formats_.contains(format)) return AddResult::Duplicate;
  // Every reader stops at Format10: an eleventh entry would be written where nobody reads it.
  if (formats_.size() >= kMaxFormats) return AddResult::Full;
  api_.SetINIKeyValue(iniPath_, ini::kFormats, ini::formatKey(int(formats_.size()) + 1), format);
  formats_ << format;
  return AddResult::Added;
}

void FormatStore::remove(int index) {
  if (index < 0 || index >= formats_.size()) return;
  api_.DeleteINIKey(iniPath_, ini::kFormats, ini::formatKey(index + 1));
  for (int g = index + 1; g < formats_.size(); ++g) {
    api_.DeleteINIKey(iniPath_, ini::kFormats, ini::formatKey(g + 1));
    api_.SetINIKeyValue(iniPath_, ini::kFormats, ini::formatKey(g), formats_[g]);
  }
  formats_.removeAt(index);
}

}  // namespace sheetcut::app
