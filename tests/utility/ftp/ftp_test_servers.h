#pragma once

#include <QString>

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
