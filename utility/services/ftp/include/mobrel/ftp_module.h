#pragma once

#include <QString>

// The FTP work behind the facade's FTP members: two connection slots, 0 and 1, per thread.
// A slot holds one logged-in session from ConnectServer to CloseConn; an operation on an
// empty slot answers false. A slot number other than 0 or 1 raises sheetcut::Error
// (subscript out of range). Remote paths go to the server in the ANSI code page and may not
// hold CR, LF or NUL; such a path is refused with false. Transfers are binary.
namespace mobrel::ftp {

// Logs in to server:port on the slot, closing what the slot held first. A port outside 1 to
// 65535 raises sheetcut::Error (overflow) and leaves the slot as it was.
bool ConnectServer(const QString& server, const QString& user, const QString& password, long port,
                   int slot);
void CloseConn(int slot);

// Creates each level of a "/"-separated path in turn; true when the whole path exists
// afterwards (also when it existed before).
bool MakeRemotePath(const QString& path, int slot);
bool PutFile(const QString& localFile, const QString& remoteFile, int slot);
// Overwrites an existing local file, and only once the whole file has arrived.
bool GetFile(const QString& remoteFile, const QString& localFile, int slot);
// Fetches the plain files of a remote folder that match a Windows-style filter into a local
// folder, over the same slot. False when the folder cannot be listed, a listed name cannot
// be written into the local folder (see FtpConnection::downloadFolder) or a fetch fails; true
// when nothing matches.
bool DownloadFolder(const QString& remoteFolder, const QString& localFolder, const QString& filter,
                    int slot);
bool RemoveFile(const QString& remoteFile, int slot);

// Why the slot's last operation failed; "" after a success or for an empty slot.
QString LastError(int slot);
// Passive mode for the connections made from now on (active mode unless set).
void SetPassiveMode(bool passive);

}  // namespace mobrel::ftp
