#include "mobrel/api.h"

#include <QApplication>
#include <QMessageBox>

#include <limits>
#include <string>

#include "mobrel/balloon_tip.h"
#include "mobrel/folder_lister.h"
#include "mobrel/ftp_module.h"
#include "mobrel/ini_file.h"
#include "mobrel/input_box.h"
#include "mobrel/message_box.h"
#include "mobrel/path_tools.h"
#include "mobrel/shell_ops.h"
#include "mobrel/system_names.h"
#include "mobrel/text_lines.h"
#include "mobrel/window_top.h"
#include "sheetcut/crypto/md5.h"
#include "sheetcut/crypto/string_cipher.h"
#include "sheetcut/error.h"

namespace mobrel {

namespace {

constexpr long kPathFileAccessError = 75;

// Runs a member's work; a failure reaches the caller as sheetcut::Error with the member's name.
template <typename Work>
auto guarded(const char* member, Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const sheetcut::Error& e) {
    if (!e.source().empty()) throw;
    throw sheetcut::Error(e.number(), e.description(), std::string("API.") + member);
  } catch (const std::exception& e) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, e.what(), std::string("API.") + member);
  }
}

// The boxes need a running widget application; without one they fail like any other step.
void requireWidgets() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, "no window system to show a box on");
  }
}

// The plain box that reports a failure of a skinned box.
void plainBox(const QString& text) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    QMessageBox::information(nullptr, QCoreApplication::applicationName(), text);
  } else {
    qWarning("%s", qUtf8Printable(text));
  }
}

// A change of an INI file that could not be written is an error, not a lost setting; it names
// the file and why.
void requireWritten(bool written, const IniFile& ini) {
  if (!written) {
    const QString text = QStringLiteral("无法写入设置文件\"") + ini.INIFileName +
                         QStringLiteral("\": ") + ini.writeFailure();
    throw sheetcut::Error(kPathFileAccessError, text.toStdString());
  }
}

// A Long size for the cipher, which takes int; a value beyond int is an illegal size.
int cipherSize(long value) {
  return value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()
             ? -1
             : static_cast<int>(value);
}

}  // namespace

API::API() = default;

API::~API() = default;

DlgFileInfo API::SelectFiles(QWidget* formHwnd, const QString& Filter, bool IsMultFiles,
                             const QString& Title, const QString& InitDir) {
  return guarded("SelectFiles",
                 [&] { return ShowOpenFileDlg(Title, Filter, InitDir, IsMultFiles, formHwnd); });
}

QString API::SelectFolder(QWidget* formHwnd, const QString& Title, const QString& StartDir,
                          bool IsNewFolder) {
  return guarded("SelectFolder",
                 [&] { return BrowseForFolder(formHwnd, Title, StartDir, IsNewFolder); });
}

long API::CopyFile(QWidget* formHwnd, const QString& srcFile, const QString& fileToPath,
                   bool isAlarm) {
  return guarded("CopyFile", [&] { return ShellCopyFile(formHwnd, srcFile, fileToPath, isAlarm); });
}

long API::MoveFile(QWidget* formHwnd, const QString& srcFile, const QString& fileToPath,
                   bool isAlarm) {
  return guarded("MoveFile", [&] { return ShellMoveFile(formHwnd, srcFile, fileToPath, isAlarm); });
}

long API::DelFile(QWidget* formHwnd, QString& srcFile, bool isAlarm) {
  return guarded("DelFile", [&] { return ShellDelete(formHwnd, srcFile, isAlarm); });
}

long API::DelFolder(QWidget* formHwnd, QString& FolderPath, bool isAlarm) {
  return guarded("DelFolder", [&] { return ShellDelete(formHwnd, FolderPath, isAlarm); });
}

long API::DelFolderSubObjs(QWidget* formHwnd, const QString& FolderPath, bool isAlarm) {
  return guarded("DelFolderSubObjs",
                 [&] { return ShellDelFolderSubObjs(formHwnd, FolderPath, isAlarm); });
}

long API::DelFolderFiles(QWidget* formHwnd, const QString& FolderPath, bool isAlarm) {
  return guarded("DelFolderFiles",
                 [&] { return ShellDelFolderFiles(formHwnd, FolderPath, isAlarm); });
}

long API::RenameFile(QWidget* formHwnd, const QString& srcFile, const QString& newFileName) {
  return guarded("RenameFile", [&] { return ShellRenameFile(formHwnd, srcFile, newFileName); });
}

void API::FindFolderSubObjs(QString& SearchPath, const QString& FileNameFilter,
                            QStringList& fileArr, QStringList& dirArr, bool SearchSubDirs,
                            QStringList* skippedFiles) {
  guarded("FindFolderSubObjs", [&] {
    ListFolder(SearchPath, FileNameFilter, fileArr, dirArr, SearchSubDirs, skippedFiles);
  });
}

QString API::GetINIKeyValue(const QString& IniFilePath, const QString& Sect,
                            const QString& KeyStr) {
  return guarded("GetINIKeyValue", [&] {
    const IniFile ini(IniFilePath);
    QString value = ini.GetIniKey(Sect, KeyStr);
    // A path that is no settings file at all (a named pipe, a device) is an error, not "".
    if (!ini.readFailure().isEmpty()) {
      const QString text = QStringLiteral("无法读取设置文件\"") + IniFilePath +
                           QStringLiteral("\": ") + ini.readFailure();
      throw sheetcut::Error(kPathFileAccessError, text.toStdString());
    }
    return value;
  });
}

void API::SetINIKeyValue(const QString& IniFilePath, const QString& Sect, const QString& KeyStr,
                         const QString& KeyValue) {
  guarded("SetINIKeyValue", [&] {
    IniFile ini(IniFilePath);
    requireWritten(ini.WriteIniKey(Sect, KeyStr, KeyValue), ini);
  });
}

void API::DeleteINIKey(const QString& IniFilePath, const QString& Sect, const QString& KeyStr) {
  guarded("DeleteINIKey", [&] {
    IniFile ini(IniFilePath);
    requireWritten(ini.DelIniKey(Sect, KeyStr), ini);
  });
}

void API::DeleteINISect(const QString& IniFilePath, const QString& Sect) {
  guarded("DeleteINISect", [&] {
    IniFile ini(IniFilePath);
    requireWritten(ini.DelIniSec(Sect), ini);
  });
}

QString API::GetWindowsPath() {
  return guarded("GetWindowsPath", [] { return WinDir(); });
}

QString API::GetWindowsSysPath() {
  return guarded("GetWindowsSysPath", [] { return SysDir(); });
}

QString API::GetWindowsTempPath() {
  return guarded("GetWindowsTempPath", [] { return TempDir(); });
}

bool API::FileExist(const QString& FileName) {
  return guarded("FileExist", [&] { return IsFileExist(FileName); });
}

bool API::FolderExist(const QString& FolderName) {
  return guarded("FolderExist", [&] { return IsFolderExist(FolderName); });
}

bool API::CrtLocalPath(const QString& PathName) {
  return guarded("CrtLocalPath", [&] { return MakeLocalPath(PathName); });
}

QString API::GetWinLogUser() {
  return guarded("GetWinLogUser", [] { return GetLogonUser(); });
}

QString API::GetHostName() {
  return guarded("GetHostName", [] { return GetComputerNameText(); });
}

QString API::GetMLineText(const QString& srcTxt, int LineChrNum) {
  return guarded("GetMLineText", [&] { return WrapLines(srcTxt, LineChrNum); });
}

void API::Alert(const QString& infoStr, const QString& strTitle) {
  try {
    requireWidgets();
    alertBox(infoStr, strTitle);
  } catch (const std::exception& e) {
    plainBox(QString::fromUtf8(e.what()));
  }
}

bool API::Confirm(const QString& infoStr, const QString& btnCls, const QString& strTitle) {
  try {
    requireWidgets();
    return confirmBox(infoStr, btnCls, strTitle);
  } catch (const std::exception& e) {
    plainBox(QString::fromUtf8(e.what()));
    return false;
  }
}

QString API::InputBox(const QString& strTip, const QString& strDefault, const QString& strTitle) {
  try {
    requireWidgets();
    return inputBox(strTip, strDefault, strTitle);
  } catch (const std::exception& e) {
    plainBox(QString::fromUtf8(e.what()));
    return QString();
  }
}

void API::ShowErr(ErrObject& oErr, const QString& SubName) {
  guarded("ShowErr", [&] {
    if (oErr.Number == 0) return;
    Alert(SubName + QStringLiteral("函数发生异常[") + QString::number(oErr.Number) +
          QStringLiteral("], 原因：\r\n\r\n") + oErr.Description);
    oErr.Clear();
  });
}

QString API::MD5(const QString& srcTxt, int mdLen) {
  return guarded("MD5", [&] {
    const std::string text = srcTxt.toStdString();
    return QString::fromStdString(mdLen == 16 ? sheetcut::md5::Digest16(text)
                                              : sheetcut::md5::Digest32(text));
  });
}

void API::SetWindowOnTop(QWidget* WindowHwnd, bool IsOnTop) {
  guarded("SetWindowOnTop", [&] { SetTopMost(WindowHwnd, IsOnTop); });
}

void API::CrtToolTip(QWidget* objHwnd, const QString& tipStr, const QString& tipTitle) {
  guarded("CrtToolTip", [&] {
    if (objHwnd == tipWindow_.data()) return;
    if (tip_ == nullptr) tip_ = std::make_unique<clsBalloonTip>();
    tip_->Title(tipTitle);
    tip_->TipText(tipStr);
    tip_->Create(objHwnd);
    tipWindow_ = objHwnd;
  });
}

QString API::StrEnCode(const QString& srcChar, const QString& pwd, long keyLng, long blkSize,
                       bool isHex) {
  return guarded("StrEnCode", [&] {
    return QString::fromStdString(sheetcut::mASE::EncryptString(
        srcChar.toStdString(), pwd.toStdString(), cipherSize(keyLng), cipherSize(blkSize), isHex));
  });
}

QString API::StrDeCode(const QString& srcChar, const QString& pwd, long keyLng, long blkSize,
                       bool isHex) {
  return guarded("StrDeCode", [&] {
    std::string plain =
        sheetcut::mASE::DecryptString(srcChar.toStdString(), pwd.toStdString(), cipherSize(keyLng),
                                      cipherSize(blkSize), isHex)
            .value_or(std::string());
    // The last block is padded with NULs.
    std::erase(plain, '\0');
    return QString::fromStdString(plain);
  });
}

QString API::GUID() {
  return guarded("GUID", [] { return NewGuidText(); });
}

bool API::Conn2FtpServer(const QString& ftpServer, const QString& LogUser, const QString& LogPwd,
                         long ftpPort, int fIndex) {
  return guarded("Conn2FtpServer",
                 [&] { return ftp::ConnectServer(ftpServer, LogUser, LogPwd, ftpPort, fIndex); });
}

void API::CloseFtpConn(int fIndex) {
  guarded("CloseFtpConn", [&] { ftp::CloseConn(fIndex); });
}

bool API::CrtFtpPath(const QString& PathName, int fIndex) {
  return guarded("CrtFtpPath", [&] { return ftp::MakeRemotePath(PathName, fIndex); });
}

bool API::UploadFile(const QString& LocalFile, const QString& RemoteFile, int fIndex) {
  return guarded("UploadFile", [&] { return ftp::PutFile(LocalFile, RemoteFile, fIndex); });
}

bool API::DownLoadFile(const QString& RemoteFile, const QString& LocalFile, int fIndex) {
  return guarded("DownLoadFile", [&] { return ftp::GetFile(RemoteFile, LocalFile, fIndex); });
}

bool API::DownLoadFoderFiles(const QString& FolderName, const QString& LocalPath,
                             const QString& FilterStr, int fIndex) {
  return guarded("DownLoadFoderFiles",
                 [&] { return ftp::DownloadFolder(FolderName, LocalPath, FilterStr, fIndex); });
}

bool API::DeleteFtpFile(const QString& serFilePath, int fIndex) {
  return guarded("DeleteFtpFile", [&] { return ftp::RemoveFile(serFilePath, fIndex); });
}

}  // namespace mobrel
