#include "sheetcut_app/program_config.h"

#include "sheetcut_app/dwg_id_format.h"
#include "sheetcut_app/error_text.h"

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

ConfigFile::ConfigFile(ProgramServices& api, QString path) : api_(api), path_(std::move(path)) {}

QString ConfigFile::keyOf(const QString& section, const QString& key) {
  return section.toLower() + u'\n' + key.toLower();
}

QString ConfigFile::read(const QString& section, const QString& key) {
  const auto unwritten = unwritten_.constFind(keyOf(section, key));
  if (unwritten != unwritten_.cend()) return unwritten->isNull() ? QString() : *unwritten;
  return api_.GetINIKeyValue(path_, section, key);
}

bool ConfigFile::write(const QString& section, const QString& key, const QString& value) {
  try {
    api_.SetINIKeyValue(path_, section, key, value);
    unwritten_.remove(keyOf(section, key));
    return true;
  } catch (...) {
    unwritten_.insert(keyOf(section, key), value.isNull() ? QStringLiteral("") : value);
    notKept();
    return false;
  }
}

bool ConfigFile::remove(const QString& section, const QString& key) {
  try {
    api_.DeleteINIKey(path_, section, key);
    unwritten_.remove(keyOf(section, key));
    return true;
  } catch (...) {
    unwritten_.insert(keyOf(section, key), QString());
    notKept();
    return false;
  }
}

void ConfigFile::notKept() {
  if (failed_) return;
  failed_ = true;
  api_.Alert(QStringLiteral("程序的设置无法保存, 下次启动时不会保留。原因: \r\n") +
                 errorText(std::current_exception()).description,
             QString());
}

ConfigInfo loadConfigInfo(ConfigFile& config, bool withFolder) {
  ConfigInfo info;
  if (withFolder) {
    info.hasFolderSettings = true;
    info.outFolder = config.read(ini::kUserSet, ini::kOutFolder);
    info.saveMode = saveModeOf(config.read(ini::kUserSet, ini::kSaveMode));
  }
  QString def = config.read(ini::kFormats, ini::kDefaultFormat);
  // A default that is no format would name every frame by its position: the preset instead.
  if (!def.isEmpty() && !isFormat(def)) def = kAnyFormat;
  int sel = -1;
  for (int k = 1; k <= kMaxFormats; ++k) {
    const QString f = config.read(ini::kFormats, ini::formatKey(k));
    if (!isFormat(f)) continue;
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

FormatStore::FormatStore(ConfigFile& config) : config_(config) {}

QStringList FormatStore::load() {
  formats_.clear();
  keys_.clear();
  for (int k = 1; k <= kMaxFormats; ++k) {
    const QString f = config_.read(ini::kFormats, ini::formatKey(k));
    if (!isFormat(f)) continue;
    formats_ << f;
    keys_ << k;
  }
  return formats_;
}

FormatStore::AddResult FormatStore::add(const QString& format) {
  if (formats_.contains(format)) return AddResult::Duplicate;
  // Every reader stops at Format10: an eleventh entry would be written where nobody reads it.
  if (formats_.size() >= kMaxFormats) return AddResult::Full;
  if (!keys_.isEmpty() && keys_.last() == kMaxFormats) closeGaps();
  const int key = keys_.isEmpty() ? 1 : keys_.last() + 1;
  config_.write(ini::kFormats, ini::formatKey(key), format);
  formats_ << format;
  keys_ << key;
  return AddResult::Added;
}

void FormatStore::remove(int index) {
  if (index < 0 || index >= formats_.size()) return;
  // Each later format takes the key of the one before it.
  config_.remove(ini::kFormats, ini::formatKey(keys_[index]));
  for (qsizetype g = index + 1; g < formats_.size(); ++g) {
    config_.remove(ini::kFormats, ini::formatKey(keys_[g]));
    config_.write(ini::kFormats, ini::formatKey(keys_[g - 1]), formats_[g]);
  }
  formats_.removeAt(index);
  keys_.removeLast();
}

void FormatStore::closeGaps() {
  // Entry i moves to key i + 1, never above its own key, so no format is overwritten before
  // it moved.
  for (qsizetype i = 0; i < formats_.size(); ++i) {
    const int key = int(i) + 1;
    if (keys_[i] == key) continue;
    config_.write(ini::kFormats, ini::formatKey(key), formats_[i]);
    config_.remove(ini::kFormats, ini::formatKey(keys_[i]));
    keys_[i] = key;
  }
}

}  // namespace sheetcut::app
