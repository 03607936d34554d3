#include "mobrel/ftp_ctrl.h"

namespace mobrel {

FtpCtrl::FtpCtrl() {
  connection_.setProgressHandler([this](const ftp::FtpProgress& p) {
    progress_ = p;
    if (events_ != nullptr) events_->OnProgress(p);
  });
}

FtpCtrl::~FtpCtrl() = default;

void FtpCtrl::setEvents(FtpCtrlEvents* events) {
  events_ = events;
}

bool FtpCtrl::report(bool ok) {
  if (!ok && events_ != nullptr) events_->OnErr(connection_.lastError());
  return ok;
}

bool FtpCtrl::ConnectFtp() {
  bool numeric = false;
  const int port = port_.toInt(&numeric);
  connection_.setPassive(passive_);
  // A port text that is no number goes on as 0, which open() refuses with its reason.
  return report(connection_.open(host_, numeric ? port : 0, user_, password_));
}

void FtpCtrl::CloseFtpConn() {
  connection_.close();
}

void FtpCtrl::GetProgress(QString& FileName, qint64& FileSize, qint64& BytesCopied,
                          int& Percent) const {
  FileName = progress_.FileName;
  FileSize = progress_.FileSize;
  BytesCopied = progress_.BytesCopied;
  Percent = progress_.Percent;
}

bool FtpCtrl::DownFile(const QString& RemoteFile, const QString& LocalFile, bool blnByteFile) {
  return report(connection_.download(RemoteFile, LocalFile, blnByteFile));
}

bool FtpCtrl::DownFiles(const QString& RemotePath, const QString& LocalPath,
                        const QString& FileFilter, bool blnByteFile) {
  return report(connection_.downloadFolder(RemotePath, LocalPath, FileFilter, blnByteFile));
}

bool FtpCtrl::UploadFile(const QString& RemoteFile, const QString& LocalFile, bool blnByteFile) {
  return report(connection_.upload(LocalFile, RemoteFile, blnByteFile));
}

bool FtpCtrl::UploadFiles(const QString& RemotePath, const QString& LocalPath,
                          const QString& FileFilter, bool blnByteFile) {
  return report(connection_.uploadFolder(LocalPath, RemotePath, FileFilter, blnByteFile));
}

bool FtpCtrl::RenameFile(const QString& strOldFileName, const QString& strNewFileName) {
  return report(connection_.rename(strOldFileName, strNewFileName));
}

bool FtpCtrl::MoveFile(const QString&, const QString& strFromPath, const QString& strToPath) {
  return report(connection_.rename(strFromPath, strToPath));
}

bool FtpCtrl::DeleteFile(const QString& strFileName) {
  return report(connection_.deleteFile(strFileName));
}

bool FtpCtrl::CreateFolder(const QString& strFolderPath) {
  return report(connection_.makeDirectory(strFolderPath));
}

bool FtpCtrl::DeleteFolder(const QString& strFolderPath) {
  return report(connection_.removeDirectory(strFolderPath));
}

}  // namespace mobrel
