#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace mobrel::ftp {

// Where a transfer stands: the remote file, its size in bytes (0 while unknown), the bytes
// moved so far and the percentage done.
struct FtpProgress {
  QString FileName;
  qint64 FileSize = 0;
  qint64 BytesCopied = 0;
  int Percent = 0;
};

// One logged-in FTP session over libcurl. The control connection stays open
// between operations; libcurl logs in again by itself when the server has dropped it.
// Remote paths are relative to the login folder unless they start with "/". Operations
// answer false on failure and leave the reason in lastError(); a failed download leaves no
// local file behind and keeps an existing one.
class FtpConnection {
 public:
  FtpConnection();
  ~FtpConnection();
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  // Active mode (the server connects back for data) unless set passive; applies from the
  // next open(). In active mode a data connection from any address but the server's fails
  // the transfer.
  void setPassive(bool passive);
  // Connects to host:port and logs in; closes an earlier session first. Port must be in
  // 1..65535, host a name or an IP address.
  bool open(const QString& host, int port, const QString& user, const QString& password);
  void close();

  bool makeDirectory(const QString& path);
  bool removeDirectory(const QString& path);
  bool directoryExists(const QString& path);
  bool deleteFile(const QString& path);
  bool rename(const QString& from, const QString& to);

  // Transfers in binary (image) mode, or as text with the server converting line ends. A
  // download replaces an existing local file only when the user may write it and it is not
  // marked read-only; it keeps the file's mode, owner, group and extended attributes.
  bool upload(const QString& localFile, const QString& remoteFile, bool binary = true);
  bool download(const QString& remoteFile, const QString& localFile, bool binary = true);

  // Downloads the plain files of a remote folder whose names match a Windows-style filter
  // into a local folder; sub-folders are left out. False when the folder cannot be listed or
  // its listing passes the bounds of ListingBounds, a listed name would leave the local
  // folder, two listed names would be written to one local file, or a download fails (the
  // walk stops there). Listed names are checked before anything is downloaded.
  bool downloadFolder(const QString& folder, const QString& localFolder, const QString& filter,
                      bool binary = true);
  // Uploads the matching plain files of a local folder into a remote folder.
  bool uploadFolder(const QString& localFolder, const QString& folder, const QString& filter,
                    bool binary = true);

  // Why the last operation failed ("" after a success).
  const QString& lastError() const;
  // Called while a transfer runs, with the transfer's state.
  void setProgressHandler(std::function<void(const FtpProgress&)> handler);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace mobrel::ftp
