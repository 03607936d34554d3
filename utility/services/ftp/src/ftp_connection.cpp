#include "mobrel/ftp_connection.h"

#include <curl/curl.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mobrel/ftp_data_peer.h"
#include "mobrel/ftp_listing_bounds.h"
#include "mobrel/ftp_remote_names.h"
#include "mobrel/wildcard.h"
#include "sheetcut/ansi_codepage.h"
#include "sheetcut/file_replacement.h"
#include "sheetcut/regular_file.h"

namespace mobrel::ftp {

using sheetcut::ansiToUtf8;
using sheetcut::utf8ToAnsi;

namespace {

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A host name or address as it goes into a URL; nothing when it is not one.
std::optional<std::string> hostForUrl(const QString& host) {
  std::string h = host.trimmed().toStdString();
  if (h.size() > 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  if (h.empty() || h.size() > 253) return std::nullopt;
  bool colon = false;
  for (char c : h) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    if (c == ':') {
      colon = true;
    } else if (!plain) {
      return std::nullopt;
    }
  }
  return colon ? "[" + h + "]" : h;
}

struct CurlList {
  curl_slist* list = nullptr;
  ~CurlList() { curl_slist_free_all(list); }
  void add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

}  // namespace

struct FtpConnection::Impl {
  // The session's handle, and one used only for folder listings: libcurl 7.88 leaks the
  // entries of a wildcard listing made on a connection that a plain transfer opened, so the
  // listings get a connection of their own. `curl` is whichever of the two the current
  // operation uses.
  CURL* session = nullptr;
  CURL* lister = nullptr;
  CURL* curl = nullptr;
  std::string baseUrl;  // "ftp://host:port/"
  std::string user;
  std::string password;
  std::string entryPath;  // the folder the server put us in at login
  bool passive = false;
  // Seconds allowed to connect and for each server reply; a transfer that stalls (under one
  // byte a second) this long is abandoned.
  static constexpr long kConnectSeconds = 15;
  static constexpr long kStallSeconds = 30;

  char errorBuffer[CURL_ERROR_SIZE] = {};
  std::string lastReply;
  QString lastError;
  CURLcode lastCode = CURLE_OK;
  // Why a callback stopped the operation ("" when none did).
  QString abortReason;

  std::function<void(const FtpProgress&)> progressHandler;
  FtpProgress progress;
  bool uploading = false;

  // A plain file of a folder listing.
  struct ListedFile {
    std::string rawName;  // as the server sent it
    QString name;         // decoded from the ANSI code page
  };
  std::vector<ListedFile>* listing = nullptr;  // filled while a listing runs
  QString listFilter;
  ListingBounds* listingBounds = nullptr;  // while a listing runs

  ~Impl() { closeHandle(); }

  void closeHandle() {
    if (lister != nullptr) curl_easy_cleanup(lister);
    if (session != nullptr) curl_easy_cleanup(session);
    session = lister = curl = nullptr;
  }

  bool fail(const QString& why) {
    lastError = why;
    return false;
  }

  bool requireOpen() {
    if (session == nullptr) return fail(QStringLiteral("not connected to an FTP server"));
    return true;
  }

  static size_t onReply(char* data, size_t size, size_t count, void* self) {
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) static_cast<Impl*>(self)->lastReply = line;
    return size * count;
  }

  static size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

  static int onProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t,
                        curl_off_t ulNow) {
    auto* d = static_cast<Impl*>(self);
    FtpProgress next = d->progress;
    if (!d->uploading && dlTotal > 0) next.FileSize = dlTotal;
    next.BytesCopied = d->uploading ? ulNow : dlNow;
    next.Percent = next.FileSize > 0 ? static_cast<int>(next.BytesCopied * 100 / next.FileSize) : 0;
    if (next.FileSize != d->progress.FileSize || next.BytesCopied != d->progress.BytesCopied) {
      d->progress = next;
      if (d->progressHandler) d->progressHandler(d->progress);
    }
    return 0;
  }

  // Clears the options of the previous operation and sets those every operation shares.
  void beginOperation() {
    curl_easy_reset(curl);
    errorBuffer[0] = '\0';
    lastReply.clear();
    lastError.clear();
    abortReason.clear();
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, kConnectSeconds * 1000);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    // Paths go whole into each command, so the session never leaves the login folder.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    if (!passive) {
      curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
      curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, &Impl::onSocket);
      curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, this);
    }
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Impl::onReply);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::discard);
  }

  // In active mode the data connection is taken only from the address the control connection
  // goes to: whoever else reached the open port first would otherwise supply a download's
  // content, or receive an upload's.
  static int onSocket(void* self, curl_socket_t socket, curlsocktype purpose) {
    if (purpose != CURLSOCKTYPE_ACCEPT) return CURL_SOCKOPT_OK;
    auto* d = static_cast<Impl*>(self);
    const char* server = nullptr;
    curl_easy_getinfo(d->curl, CURLINFO_PRIMARY_IP, &server);
    const std::string expected = canonicalAddress(server != nullptr ? server : "");
    const std::string peer = peerAddressOf(socket);
    if (!expected.empty() && peer == expected) return CURL_SOCKOPT_OK;
    d->abortReason =
        QStringLiteral("refused a data connection from %1: only the server at %2 may open it")
            .arg(QString::fromStdString(peer.empty() ? "an unknown address" : peer),
                 QString::fromStdString(expected.empty() ? "an unknown address" : expected));
    return CURL_SOCKOPT_ERROR;
  }

  bool perform(const std::string& urlPath) {
    const std::string url = baseUrl + urlPath;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) return true;
    lastCode = code;
    if (!abortReason.isEmpty()) return fail(abortReason);
    // libcurl's error buffer may also hold notes from steps it recovered from; the server's
    // last reply tells more where there is one.
    if (!lastReply.empty()) {
      return fail(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(curl_easy_strerror(code)),
                                                QString::fromStdString(ansiToUtf8(lastReply))));
    }
    return fail(QString::fromUtf8(errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code)));
  }

  bool quote(const std::vector<std::string>& commands) {
    if (!requireOpen()) return false;
    beginOperation();
    CurlList list;
    for (const std::string& c : commands) list.add(c);
    curl_easy_setopt(curl, CURLOPT_QUOTE, list.list);
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    return perform("");
  }

  std::optional<std::string> remote(const QString& path) {
    std::optional<std::string> raw = encodeRemotePath(path);
    if (!raw) fail(QStringLiteral("remote path \"%1\" cannot be sent to the server").arg(path));
    return raw;
  }

  std::optional<std::string> remoteFile(const QString& path) {
    std::optional<std::string> raw = remote(path);
    if (raw && (raw->empty() || raw->back() == '/')) {
      fail(QStringLiteral("remote path \"%1\" does not name a file").arg(path));
      return std::nullopt;
    }
    return raw;
  }

  void startProgress(const QString& fileName, qint64 size, bool upload) {
    uploading = upload;
    progress = FtpProgress{fileName, size, 0, 0};
    if (progressHandler) progressHandler(progress);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  }

  static size_t readFile(char* buffer, size_t size, size_t count, void* file) {
    const qint64 n = static_cast<QFile*>(file)->read(buffer, static_cast<qint64>(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
  }

  // Where a download's bytes go, and the error number of the write that failed, if one did.
  struct DownloadTarget {
    sheetcut::FileReplacement* file;
    int error = 0;
  };

  static size_t writeFile(char* data, size_t size, size_t count, void* target) {
    auto* t = static_cast<DownloadTarget*>(target);
    if (t->error == 0) t->error = t->file->write(data, size * count);
    return t->error == 0 ? size * count : 0;
  }

  bool upload(const QString& localFile, const std::string& raw, const QString& shownName,
              bool binary) {
    if (!requireOpen()) return false;
    QFile file(localFile);
    if (!QFileInfo(localFile).isFile() || !file.open(QIODevice::ReadOnly)) {
      return fail(QStringLiteral("cannot read local file \"%1\"").arg(localFile));
    }
    beginOperation();
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &Impl::readFile);
    curl_easy_setopt(curl, CURLOPT_READDATA, &file);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, binary ? 0L : 1L);
    startProgress(shownName, file.size(), true);
    return perform(urlPathOf(raw));
  }

  bool download(const std::string& raw, const QString& localFile, const QString& shownName,
                bool binary) {
    if (!requireOpen()) return false;
    // The target changes only when the whole file has arrived: renamed over it from a
    // temporary file beside it, or written into it where a new file could not be what it was.
    sheetcut::FileReplacement file(QFile::encodeName(localFile).toStdString());
    const auto cannotWrite = [&](int error) {
      return fail(QStringLiteral("cannot write local file \"%1\": %2")
                      .arg(localFile, QString::fromStdString(
                                          sheetcut::replacementFailure(error, file.finalPath()) +
                                          sheetcut::replacementDamage(file))));
    };
    // Only a regular file is replaced: a folder, a pipe or a device at the name is not.
    const std::string special = sheetcut::nonRegularFileReason(file.finalPath());
    if (!special.empty()) {
      return fail(QStringLiteral("cannot write local file \"%1\": it %2")
                      .arg(localFile, QString::fromStdString(special)));
    }
    // Nor one the user may not write (or marked read-only), though its folder would let the
    // rename replace it.
    if (const int error = file.writeAccess()) return cannotWrite(error);
    if (const int error = file.create()) return cannotWrite(error);
    beginOperation();
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::writeFile);
    DownloadTarget target{&file};
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &target);
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, binary ? 0L : 1L);
    startProgress(shownName, 0, false);
    const bool received = perform(urlPathOf(raw));
    if (target.error != 0) return cannotWrite(target.error);
    if (!received) return false;
    if (const int error = file.commit()) return cannotWrite(error);
    return true;
  }

  static long onChunkBegin(const void* info, void* self, int) {
    auto* d = static_cast<Impl*>(self);
    const auto* entry = static_cast<const curl_fileinfo*>(info);
    if (entry->filetype == CURLFILETYPE_FILE && entry->filename != nullptr) {
      const std::string raw(entry->filename);
      d->listing->push_back({raw, QString::fromStdString(ansiToUtf8(raw))});
    }
    // Nothing is fetched while listing.
    return CURL_CHUNK_BGN_FUNC_SKIP;
  }

  static int onMatch(void* self, const char*, const char* name) {
    auto* d = static_cast<Impl*>(self);
    // libcurl keeps what matches until the listing ends: past the bounds nothing more does.
    if (!d->listingBounds->entry()) return CURL_FNMATCHFUNC_NOMATCH;
    const QString decoded = QString::fromStdString(ansiToUtf8(name));
    return wildcardMatch(d->listFilter, decoded) ? CURL_FNMATCHFUNC_MATCH
                                                 : CURL_FNMATCHFUNC_NOMATCH;
  }

  static int onListingProgress(void* self, curl_off_t, curl_off_t dlNow, curl_off_t, curl_off_t) {
    return static_cast<Impl*>(self)->listingBounds->progress(dlNow) ? 0 : 1;
  }

  bool list(const std::string& rawFolder, const QString& shownFolder, const QString& filter,
            std::vector<ListedFile>& out) {
    if (!requireOpen()) return false;
    out.clear();
    if (lister == nullptr) lister = curl_easy_init();
    if (lister == nullptr) return fail(QStringLiteral("out of memory"));
    curl = lister;
    beginOperation();
    listing = &out;
    listFilter = filter;
    ListingBounds bounds;
    listingBounds = &bounds;
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Impl::onListingProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(curl, CURLOPT_CHUNK_BGN_FUNCTION, &Impl::onChunkBegin);
    curl_easy_setopt(curl, CURLOPT_CHUNK_DATA, this);
    curl_easy_setopt(curl, CURLOPT_FNMATCH_FUNCTION, &Impl::onMatch);
    curl_easy_setopt(curl, CURLOPT_FNMATCH_DATA, this);
    // The filter itself is applied by onMatch; "*" only asks for the listing.
    std::string urlPath = urlPathOf(rawFolder);
    if (urlPath.empty() || urlPath.back() != '/') urlPath += '/';
    bool ok = perform(urlPath + "*");
    listing = nullptr;
    listingBounds = nullptr;
    curl = session;
    if (!bounds.refusal().isEmpty()) {
      out.clear();
      return fail(QStringLiteral("the listing of remote folder \"%1\" %2")
                      .arg(shownFolder, bounds.refusal()));
    }
    // A listing that arrived whole but matched nothing is reported as a missing file.
    if (!ok && lastCode == CURLE_REMOTE_FILE_NOT_FOUND && !lastReply.empty() &&
        lastReply.front() == '2') {
      lastError.clear();
      ok = true;
    }
    return ok;
  }
};

FtpConnection::FtpConnection() : d_(std::make_unique<Impl>()) {
  initCurlOnce();
}

FtpConnection::~FtpConnection() = default;

void FtpConnection::setPassive(bool passive) {
  d_->passive = passive;
}

bool FtpConnection::open(const QString& host, int port, const QString& user,
                         const QString& password) {
  close();
  if (port < 1 || port > 65535) {
    return d_->fail(QStringLiteral("port %1 is outside 1 to 65535").arg(port));
  }
  const std::optional<std::string> urlHost = hostForUrl(host);
  if (!urlHost) return d_->fail(QStringLiteral("\"%1\" is not a host name").arg(host));
  if (hasLineBreakOrNul(user) || hasLineBreakOrNul(password)) {
    return d_->fail(QStringLiteral("user name or password holds a line break"));
  }
  d_->baseUrl = "ftp://" + *urlHost + ":" + std::to_string(port) + "/";
  d_->user = utf8ToAnsi(user.toStdString());
  d_->password = utf8ToAnsi(password.toStdString());
  d_->session = d_->curl = curl_easy_init();
  if (!d_->requireOpen()) return false;
  d_->beginOperation();
  curl_easy_setopt(d_->curl, CURLOPT_NOBODY, 1L);
  if (!d_->perform("")) {
    d_->closeHandle();
    return false;
  }
  const char* entry = nullptr;
  curl_easy_getinfo(d_->curl, CURLINFO_FTP_ENTRY_PATH, &entry);
  d_->entryPath = entry != nullptr ? entry : "";
  return true;
}

void FtpConnection::close() {
  d_->closeHandle();
  d_->entryPath.clear();
}

bool FtpConnection::makeDirectory(const QString& path) {
  const auto raw = d_->remote(path);
  return raw && d_->quote({"MKD " + *raw});
}

bool FtpConnection::removeDirectory(const QString& path) {
  const auto raw = d_->remote(path);
  return raw && d_->quote({"RMD " + *raw});
}

bool FtpConnection::directoryExists(const QString& path) {
  const auto raw = d_->remote(path);
  if (!raw || !d_->requireOpen()) return false;
  if (d_->entryPath.empty() || d_->entryPath.find_first_of("\r\n") != std::string::npos) {
    return d_->fail(QStringLiteral("the server did not tell its login folder"));
  }
  if (raw->empty()) return d_->fail(QStringLiteral("empty remote path"));
  // Step in and straight back, so that later relative paths still start at the login folder.
  return d_->quote({"CWD " + *raw, "CWD " + d_->entryPath});
}

bool FtpConnection::deleteFile(const QString& path) {
  const auto raw = d_->remote(path);
  return raw && d_->quote({"DELE " + *raw});
}

bool FtpConnection::rename(const QString& from, const QString& to) {
  const auto rawFrom = d_->remote(from);
  const auto rawTo = rawFrom ? d_->remote(to) : std::nullopt;
  return rawTo && d_->quote({"RNFR " + *rawFrom, "RNTO " + *rawTo});
}

bool FtpConnection::upload(const QString& localFile, const QString& remoteFile, bool binary) {
  const auto raw = d_->remoteFile(remoteFile);
  return raw && d_->upload(localFile, *raw, remoteFile, binary);
}

bool FtpConnection::download(const QString& remoteFile, const QString& localFile, bool binary) {
  const auto raw = d_->remoteFile(remoteFile);
  return raw && d_->download(*raw, localFile, remoteFile, binary);
}

bool FtpConnection::downloadFolder(const QString& folder, const QString& localFolder,
                                   const QString& filter, bool binary) {
  const auto rawFolder = d_->remote(folder);
  std::vector<Impl::ListedFile> listed;
  if (!rawFolder || !d_->list(*rawFolder, folder, filter, listed)) return false;
  // Every name is checked before anything is written. Two remote files may not be written
  // to one local name, as names whose bytes the code page cannot decode would be (each such
  // byte becomes "?"); a name listed twice is fetched once.
  const auto meet = [&](const Impl::ListedFile& first, const Impl::ListedFile& second,
                        const QString& localFile) {
    return d_->fail(
        QStringLiteral("remote files \"%1\" and \"%2\" would both be local file \"%3\"")
            .arg(shownListedName(first.rawName), shownListedName(second.rawName), localFile));
  };
  std::vector<const Impl::ListedFile*> files;
  std::map<QString, const Impl::ListedFile*> byLocalName;
  for (const Impl::ListedFile& f : listed) {
    if (!isSafeListedName(f.rawName)) {
      return d_->fail(QStringLiteral("the server listed an unusable file name \"%1\"")
                          .arg(shownListedName(f.rawName)));
    }
    const auto [known, added] = byLocalName.emplace(f.name, &f);
    if (added) {
      files.push_back(&f);
    } else if (known->second->rawName != f.rawName) {
      return meet(*known->second, f, localPathIn(localFolder, f.name));
    }
  }
  // The files written so far, by device and inode: a name that reaches one of them again (a
  // folder that does not tell case apart, a symbolic link) would overwrite it.
  std::map<std::pair<dev_t, ino_t>, const Impl::ListedFile*> written;
  for (const Impl::ListedFile* f : files) {
    const QString localFile = localPathIn(localFolder, f->name);
    const QByteArray localBytes = QFile::encodeName(localFile);
    struct stat st {};
    if (stat(localBytes.constData(), &st) == 0) {
      const auto earlier = written.find({st.st_dev, st.st_ino});
      if (earlier != written.end()) return meet(*earlier->second, *f, localFile);
    }
    const std::string rawFile = joinRemote(*rawFolder, f->rawName);
    const QString shown = QString::fromStdString(ansiToUtf8(rawFile));
    if (!d_->download(rawFile, localFile, shown, binary)) return false;
    if (stat(localBytes.constData(), &st) == 0) written[{st.st_dev, st.st_ino}] = f;
  }
  return true;
}

bool FtpConnection::uploadFolder(const QString& localFolder, const QString& folder,
                                 const QString& filter, bool binary) {
  const auto rawFolder = d_->remote(folder);
  if (!rawFolder) return false;
  const QDir local(localFolder);
  if (!local.exists()) {
    return d_->fail(QStringLiteral("local folder \"%1\" does not exist").arg(localFolder));
  }
  const QStringList names = local.entryList(QDir::Files | QDir::Hidden, QDir::Name);
  for (const QString& name : names) {
    if (!wildcardMatch(filter, name)) continue;
    const auto rawName = d_->remote(name);
    if (!rawName) return false;
    const std::string rawFile = joinRemote(*rawFolder, *rawName);
    const QString shown = QString::fromStdString(ansiToUtf8(rawFile));
    if (!d_->upload(localPathIn(localFolder, name), rawFile, shown, binary)) return false;
  }
  return true;
}

const QString& FtpConnection::lastError() const {
  return d_->lastError;
}

void FtpConnection::setProgressHandler(std::function<void(const FtpProgress&)> handler) {
  d_->progressHandler = std::move(handler);
}

}  // namespace mobrel::ftp
