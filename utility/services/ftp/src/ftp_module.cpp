#include "mobrel/ftp_module.h"

#include <array>
#include <memory>

#include "mobrel/ftp_connection.h"
#include "mobrel/ftp_remote_names.h"
#include "sheetcut/error.h"

namespace mobrel::ftp {

namespace {

struct Slots {
  std::array<std::unique_ptr<FtpConnection>, 2> connections;
  QString lastError[2];
  bool passive = false;
};

Slots& slotTable() {
  thread_local Slots perThread;
  return perThread;
}

void checkSlot(int slot) {
  if (slot < 0 || slot > 1) {
    throw sheetcut::Error(
        sheetcut::errnum::kSubscriptOutOfRange,
        "FTP connection slot " + std::to_string(slot) + " does not exist (0 or 1)");
  }
}

// Runs one operation on a slot's session; an empty slot answers false.
template <typename Op>
bool onSlot(int slot, Op op) {
  checkSlot(slot);
  Slots& s = slotTable();
  FtpConnection* c = s.connections[slot].get();
  if (c == nullptr) {
    s.lastError[slot] = QStringLiteral("FTP connection slot %1 is not connected").arg(slot);
    return false;
  }
  const bool ok = op(*c);
  s.lastError[slot] = ok ? QString() : c->lastError();
  return ok;
}

}  // namespace

bool ConnectServer(const QString& server, const QString& user, const QString& password, long port,
                   int slot) {
  checkSlot(slot);
  if (port < 1 || port > 65535) {
    throw sheetcut::Error(sheetcut::errnum::kOverflow,
                          "FTP port " + std::to_string(port) + " is outside 1 to 65535");
  }
  Slots& s = slotTable();
  s.connections[slot].reset();
  auto connection = std::make_unique<FtpConnection>();
  connection->setPassive(s.passive);
  const bool ok = connection->open(server, static_cast<int>(port), user, password);
  s.lastError[slot] = connection->lastError();
  if (ok) s.connections[slot] = std::move(connection);
  return ok;
}

void CloseConn(int slot) {
  checkSlot(slot);
  slotTable().connections[slot].reset();
  slotTable().lastError[slot].clear();
}

bool MakeRemotePath(const QString& path, int slot) {
  return onSlot(slot, [&](FtpConnection& c) {
    // A path that cannot be sent is refused whole, before any level is made (the check
    // below refuses it too and records why). An empty path names no folder.
    if (path.isEmpty() || !encodeRemotePath(path)) return c.directoryExists(path);
    // Each level in turn; a level that exists already just fails its MKD.
    const QStringList parts = path.split(u'/');
    QString prefix = path.startsWith(u'/') ? QStringLiteral("/") : QString();
    for (const QString& part : parts) {
      if (part.isEmpty()) continue;
      prefix += part;
      c.makeDirectory(prefix);
      prefix += u'/';
    }
    return c.directoryExists(path);
  });
}

bool PutFile(const QString& localFile, const QString& remoteFile, int slot) {
  return onSlot(slot, [&](FtpConnection& c) { return c.upload(localFile, remoteFile); });
}

bool GetFile(const QString& remoteFile, const QString& localFile, int slot) {
  return onSlot(slot, [&](FtpConnection& c) { return c.download(remoteFile, localFile); });
}

bool DownloadFolder(const QString& remoteFolder, const QString& localFolder, const QString& filter,
                    int slot) {
  return onSlot(
      slot, [&](FtpConnection& c) { return c.downloadFolder(remoteFolder, localFolder, filter); });
}

bool RemoveFile(const QString& remoteFile, int slot) {
  return onSlot(slot, [&](FtpConnection& c) { return c.deleteFile(remoteFile); });
}

QString LastError(int slot) {
  checkSlot(slot);
  return slotTable().lastError[slot];
}

void SetPassiveMode(bool passive) {
  slotTable().passive = passive;
}

}  // namespace mobrel::ftp
