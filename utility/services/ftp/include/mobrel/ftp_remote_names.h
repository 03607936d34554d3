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
// download folder: not empty, not "." or "..", no "/", "\" or NUL.
bool isSafeListedName(std::string_view rawName);

// A remote folder and a name in it, joined by one "/".
std::string joinRemote(std::string_view folder, std::string_view name);

}  // namespace mobrel::ftp
