#pragma once

#include <QString>

#include "mobrel/ftp_connection.h"

namespace mobrel {

// Receives what an FtpCtrl reports: the reason a member failed, and transfer progress.
class FtpCtrlEvents {
 public:
  virtual ~FtpCtrlEvents() = default;
  virtual void OnErr(const QString& strErrMsg) = 0;
  virtual void OnProgress(const ftp::FtpProgress&) {}
};

// An FTP client object for scripts and programs: set the host, port and login, connect, then
// transfer. Each object has a session of its own. Members answer true on success; a failure
// answers false and reports its reason through OnErr. Transfers are binary unless
// blnByteFile is false, which asks the server to convert line ends (text mode).
class FtpCtrl {
 public:
  FtpCtrl();
  ~FtpCtrl();
  FtpCtrl(const FtpCtrl&) = delete;
  FtpCtrl& operator=(const FtpCtrl&) = delete;

  // Receives OnErr and progress; not owned, may be null.
  void setEvents(FtpCtrlEvents* events);

  // Stays false: the object keeps no connection state of its own.
  bool IsLive() const { return false; }
  void HostName(const QString& value) { host_ = value; }
  // Kept as text ("21" until set).
  void RemotePort(long value) { port_ = QString::number(value); }
  const QString& RemotePort() const { return port_; }
  void LoginUser(const QString& value) { user_ = value; }
  void LoginPwd(const QString& value) { password_ = value; }
  // Accepted and ignored: each transfer names its own mode.
  void ByteFile(bool) {}
  // Passive mode for the next ConnectFtp (active mode unless set).
  void Passive(bool value) { passive_ = value; }

  bool ConnectFtp();
  void CloseFtpConn();

  // The state of the latest transfer: "" and zeros before the first one.
  void GetProgress(QString& FileName, qint64& FileSize, qint64& BytesCopied, int& Percent) const;

  bool DownFile(const QString& RemoteFile, const QString& LocalFile, bool blnByteFile = true);
  bool DownFiles(const QString& RemotePath, const QString& LocalPath,
                 const QString& FileFilter = QStringLiteral("*.*"), bool blnByteFile = true);
  bool UploadFile(const QString& RemoteFile, const QString& LocalFile, bool blnByteFile = true);
  bool UploadFiles(const QString& RemotePath, const QString& LocalPath,
                   const QString& FileFilter = QStringLiteral("*.*"), bool blnByteFile = true);
  bool RenameFile(const QString& strOldFileName, const QString& strNewFileName);
  // Moves strFromPath to strToPath, both full remote file paths; strFileName is not used.
  bool MoveFile(const QString& strFileName, const QString& strFromPath, const QString& strToPath);
  bool DeleteFile(const QString& strFileName);
  bool CreateFolder(const QString& strFolderPath);
  bool DeleteFolder(const QString& strFolderPath);

 private:
  bool report(bool ok);

  ftp::FtpConnection connection_;
  FtpCtrlEvents* events_ = nullptr;
  ftp::FtpProgress progress_;
  QString host_;
  QString port_ = QStringLiteral("21");
  QString user_;
  QString password_;
  bool passive_ = false;
};

}  // namespace mobrel
