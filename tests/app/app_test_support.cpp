#include "app_test_support.h"

#include <linux/capability.h>
#include <mobrel/folder_lister.h>
#include <mobrel/ini_file.h>
#include <sheetcut/error.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace apptest {

namespace {

constexpr unsigned kReadOverride = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capabilities (0: this thread).
bool capabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

WithoutReadOverride::WithoutReadOverride() {
  __user_cap_data_struct data[2]{};
  if (!capabilities(data)) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  if ((data[0].effective & kReadOverride) == 0) {
    held_ = true;
    return;
  }
  data[0].effective &= ~kReadOverride;
  dropped_ = held_ = setCapabilities(data);
}

WithoutReadOverride::~WithoutReadOverride() {
  if (!dropped_) return;
  __user_cap_data_struct data[2]{};
  if (!capabilities(data)) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  setCapabilities(data);
}

ChosenFiles FakeServices::SelectFiles(QWidget*, const QString& filter, bool, const QString&,
                                      const QString&) {
  lastFilter = filter;
  if (fileAnswers.empty()) return {};
  ChosenFiles answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

QString FakeServices::SelectFolder(QWidget*, const QString& title, const QString&, bool) {
  folderDialogTitles << title;
  if (folderAnswers.empty()) return {};
  QString answer = folderAnswers.front();
  folderAnswers.pop_front();
  return answer;
}

sheetcut::app::FolderFiles FakeServices::FindFolderFiles(const QString& folder,
                                                         const QString& filter) {
  QString searchPath = folder;
  sheetcut::app::FolderFiles found;
  QStringList dirs;
  mobrel::ListFolder(searchPath, filter, found.entries, dirs, false, &found.skipped);
  return found;
}

QString FakeServices::GetINIKeyValue(const QString& iniPath, const QString& sect,
                                     const QString& key) {
  return mobrel::IniFile(iniPath).GetIniKey(sect, key);
}

void FakeServices::SetINIKeyValue(const QString& iniPath, const QString& sect, const QString& key,
                                  const QString& value) {
  if (iniWritesFail) throw sheetcut::Error(75, "无法写入 " + iniPath.toStdString());
  mobrel::IniFile(iniPath).WriteIniKey(sect, key, value);
}

void FakeServices::DeleteINIKey(const QString& iniPath, const QString& sect, const QString& key) {
  if (iniWritesFail) throw sheetcut::Error(75, "无法写入 " + iniPath.toStdString());
  mobrel::IniFile(iniPath).DelIniKey(sect, key);
}

bool FakeServices::FolderExist(const QString& folder) {
  return QFileInfo(folder).isDir();
}

void FakeServices::Alert(const QString& text, const QString&) {
  alerts << text;
  if (onAlert) onAlert();
}

bool FakeServices::Confirm(const QString& text, const QString&, const QString&) {
  confirms << text;
  if (confirmAnswers.empty()) return true;
  const bool answer = confirmAnswers.front();
  confirmAnswers.pop_front();
  return answer;
}

void FakeServices::ShowErr(long number, const QString& description, const QString& subName) {
  errors << QStringLiteral("%1[%2]%3").arg(subName).arg(number).arg(description);
}

void FakeServices::openFolder(const QString& folder, std::function<void()> onNoProgram) {
  openedFolders << folder;
  if (!openerWorks) onNoProgram();
}

void FakeServices::openDocument(const QString& file, std::function<void()> onNoProgram) {
  openedDocuments << file;
  if (!openerWorks) onNoProgram();
}

bool FakeComponent::AcadAppIsRun(bool, bool) {
  ++connects;
  host = host || startable;
  return host;
}

int FakeComponent::SplitDwg(const QString& path, bool) {
  splitPaths << path;
  childFolders << childFolder;
  if (onSplit) onSplit(path);
  return withoutFrames.contains(path) ? 0 : 1;
}

void FakeComponent::CloseAutoCAD() {
  ++closes;
  host = false;
}

QString Folder::touch(const QString& name) const {
  const QString file = dir_.filePath(name);
  QDir().mkpath(QFileInfo(file).path());
  QFile(file).open(QIODevice::WriteOnly);
  return file;
}

}  // namespace apptest
