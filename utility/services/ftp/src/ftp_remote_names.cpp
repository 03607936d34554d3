#include "mobrel/ftp_remote_names.h"

#include <curl/curl.h>

#include "sheetcut/ansi_codepage.h"

namespace mobrel::ftp {

using sheetcut::ansiToUtf8;
using sheetcut::utf8ToAnsi;

bool hasLineBreakOrNul(const QString& text) {
  for (QChar c : text) {
    if (c == u'\r' || c == u'\n' || c == u'\0') return true;
  }
  return false;
}

std::optional<std::string> encodeRemotePath(const QString& path) {
  if (hasLineBreakOrNul(path)) return std::nullopt;
  const std::string utf8 = path.toStdString();
  std::string raw = utf8ToAnsi(utf8);
  // A replaced character would address another file than the one asked for.
  if (ansiToUtf8(raw) != utf8) return std::nullopt;
  return raw;
}

std::string urlPathOf(std::string_view rawPath) {
  std::string url;
  size_t start = 0;
  if (!rawPath.empty() && rawPath.front() == '/') {
    url = "%2F";
    start = 1;
  }
  while (true) {
    const size_t slash = rawPath.find('/', start);
    const std::string_view segment = rawPath.substr(
        start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (!segment.empty()) {
      char* escaped = curl_easy_escape(nullptr, segment.data(), static_cast<int>(segment.size()));
      if (escaped != nullptr) {
        url += escaped;
        curl_free(escaped);
      }
    }
    if (slash == std::string_view::npos) break;
    url += '/';
    start = slash + 1;
  }
  return url;
}

bool isSafeListedName(std::string_view rawName) {
  if (rawName.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) return false;
  const QString name = QString::fromStdString(ansiToUtf8(rawName));
  if (name.isEmpty() || name == u"." || name == u"..") return false;
  return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}

QString shownListedName(std::string_view rawName) {
  const std::string decoded = ansiToUtf8(rawName);
  if (utf8ToAnsi(decoded) == rawName) return QString::fromStdString(decoded);
  QString shown;
  for (const char c : rawName) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += QChar(byte);
    } else {
      shown += QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
    }
  }
  return shown;
}

QString localPathIn(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return QStringLiteral("./") + name;
  return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

std::string joinRemote(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

}  // namespace mobrel::ftp
