#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Texts that travel to an FTP server: remote paths in the server's byte encoding, their URL
// form, and checks on names a server sends back.
namespace mobrel::ftp {

// Whether the text holds CR, LF or NUL, any of which would end an FTP command early.
bool hasLineBreakOrNul(const QString& text);

// The remote path in the configured ANSI code page, or nothing when it cannot be sent: it
// holds CR, LF or NUL, or a character the page lacks.
std::optional<std::string> encodeRemotePath(const QString& path);

// The URL path (after "ftp://host:port") that reaches a raw remote path: every segment
// percent-encoded, an absolute path starting with "%2F" so that it is taken from the root.
std::string urlPathOf(std::string_view rawPath);

// Whether a file name from a server listing may be used as a local file name inside the
// download folder. The bytes hold no NUL or "/" (either would change the remote path), and the
// name decoded from the ANSI code page is not empty, "." or "..", and holds no "/" or "\".
// The decoded characters are judged, not the bytes: the second byte of many GBK characters is
// that of "\".
bool isSafeListedName(std::string_view rawName);

// A listed name as messages show it: decoded from the ANSI code page, or, when its bytes do
// not all decode, with every byte outside printable ASCII written as "\xHH".
QString shownListedName(std::string_view rawName);

// The local path of a file named `name` in `folder`, joined by text alone, so that the result
// names a file in that folder whatever the name starts with (QDir::filePath takes a name that
// starts with ":" for a Qt resource path and returns it unchanged). An empty folder is the
// current folder.
QString localPathIn(const QString& folder, const QString& name);

// A remote folder and a name in it, joined by one "/".
std::string joinRemote(std::string_view folder, std::string_view name);

}  // namespace mobrel::ftp
