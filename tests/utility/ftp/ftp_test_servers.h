#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// Two real FTP servers on 127.0.0.1 for the FTP tests, started once per test program and
// stopped at its end: vsftpd (needs root; logs in a throwaway local user and converts line
// ends in ASCII mode) and pyftpdlib. Each listens on a free port picked at start, so that two
// runs at once do not collide.
struct FtpTestServers {
  int vsftpdPort = 0;
  QString vsftpdUser;
  QString vsftpdPassword;
  QString vsftpdRoot;  // local folder the vsftpd user logs in to
  QString vsftpdLogFile;

  int pyftpdPort = 0;
  QString pyftpdUser;
  QString pyftpdPassword;
  QString pyftpdRoot;

  QString scratch;  // local folder for the tests' own files

  // The servers; a test program's tests never run when they failed to start.
  static const FtpTestServers& get();
  // The vsftpd protocol log so far.
  static QString vsftpdLog();
};

// Reads a whole file ("" when it cannot be read); writes bytes to a file, making its folder.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// A small FTP server of the tests' own on 127.0.0.1 (scripted_ftp_server.py) that answers as
// its JSON script says: what LIST sends, which files RETR serves and from which addresses data
// connections come. Stopped on destruction.
class ScriptedFtpServer {
 public:
  explicit ScriptedFtpServer(const QByteArray& jsonScript);
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  // 0 when the server did not come up (why() says why).
  int port() const { return port_; }
  const QString& why() const { return why_; }

 private:
  struct Process;
  std::unique_ptr<Process> process_;
  int port_ = 0;
  QString why_;
};
