// The FTP client against servers that send what no honest server would: names that Qt or the
// system could read as other paths, names that meet in one local name, listings without end,
// and data connections from other addresses.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include "ftp_test_servers.h"
#include "mobrel/ftp_module.h"

using namespace mobrel::ftp;

namespace {

// A listing line for a plain file of the given size, the name as raw bytes.
QByteArray fileLine(const QByteArray& name, qsizetype size) {
  return "-rw-r--r-- 1 u g " + QByteArray::number(size) + " Jan 01 00:00 " + name + "\r\n";
}

// The script of a server that lists `files` (raw name, content) in "pub" and serves them.
QByteArray folderScript(const QList<QPair<QByteArray, QByteArray>>& files,
                        const QByteArray& extraLines = {}) {
  QByteArray listing = extraLines;
  QByteArray served;
  for (const auto& [name, content] : files) {
    listing += fileLine(name, content.size());
    if (!served.isEmpty()) served += ",";
    served += "\"" + ("pub/" + name).toHex() + "\":\"" + content.toHex() + "\"";
  }
  return "{\"listing\":\"" + listing.toHex() + "\",\"files\":{" + served + "}}";
}

QMap<QByteArray, QByteArray> filesIn(const QString& folder) {
  QMap<QByteArray, QByteArray> files;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
    files[name.toUtf8()] = readBytes(folder + "/" + name);
  }
  return files;
}

#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer holds freed memory back from reuse, so the peak tells little there.
constexpr bool kPeakTellsUse = false;
#else
constexpr bool kPeakTellsUse = true;
#endif

// The peak memory of this process in KiB since the last reset.
long peakKiB() {
  QFile status("/proc/self/status");
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLong();
  }
  return -1;
}

// Gives freed memory back to the system first, so that what a call takes anew shows.
void resetPeak() {
  malloc_trim(0);
  QFile clear("/proc/self/clear_refs");
  clear.open(QIODevice::WriteOnly);
  clear.write("5");
}

class FtpHostileServer : public ::testing::Test {
 protected:
  void TearDown() override { CloseConn(0); }

  // Connects slot 0 to the server, or says why not.
  ::testing::AssertionResult connect(const ScriptedFtpServer& server) {
    if (server.port() == 0) return ::testing::AssertionFailure() << server.why().toStdString();
    if (!ConnectServer("127.0.0.1", "u", "p", server.port(), 0)) {
      return ::testing::AssertionFailure() << LastError(0).toStdString();
    }
    return ::testing::AssertionSuccess();
  }

  QTemporaryDir dir_{FtpTestServers::get().scratch + "/hostile-XXXXXX"};
};

// Every listed name lands in the download folder, whatever Qt would make of it alone: a name
// starting with ":" (a resource path to Qt) and a GBK name whose second byte is "\".
TEST_F(FtpHostileServer, ListedNamesLandInTheDownloadFolderOnly) {
  const QList<QPair<QByteArray, QByteArray>> files = {
      {"ok.txt", "ok"},       {":notes.txt", "server notes"}, {":planted.sh", "echo planted"},
      {":", "colon"},         {":..", "colon dots"},          {":x", "colon x"},
      {"\x81\x5C.txt", "gbk"}};
  ScriptedFtpServer server(folderScript(files));
  ASSERT_TRUE(connect(server));
  const QString current = dir_.filePath("current");
  const QString downloads = dir_.filePath("downloads");
  writeBytes(current + "/:notes.txt", "my notes");
  QDir().mkpath(downloads);
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(current));
  const bool ok = DownloadFolder("pub", downloads, "*.*", 0);
  QDir::setCurrent(before);

  EXPECT_TRUE(ok) << LastError(0).toStdString();
  EXPECT_EQ(filesIn(current), (QMap<QByteArray, QByteArray>{{":notes.txt", "my notes"}}));
  QMap<QByteArray, QByteArray> expected;
  for (const auto& [name, content] : files) expected[name] = content;
  expected.remove("\x81\x5C.txt");
  expected[QString::fromUtf8("乗.txt").toUtf8()] = "gbk";
  EXPECT_EQ(filesIn(downloads), expected);
}

// Remote files that would be written under one local name fail the walk, saying both names,
// before anything is written; so do names that would leave the folder. Names that reach one
// file only on the local disk fail once the first is written.
TEST_F(FtpHostileServer, NamesThatMeetOrLeaveTheFolderFailTheWalk) {
  const QString downloads = dir_.filePath("downloads");
  writeBytes(downloads + "/dup?", "kept");
  {
    ScriptedFtpServer server(
        folderScript({{"a.txt", "a"}, {"dup\xff", "ff"}, {"dup\xfe", "fe"}, {"dup?", "plain"}}));
    ASSERT_TRUE(connect(server));
    EXPECT_FALSE(DownloadFolder("pub", downloads, "*.*", 0));
    EXPECT_TRUE(LastError(0).contains("\"dup\\xFF\" and \"dup\\xFE\""))
        << LastError(0).toStdString();
  }
  {
    ScriptedFtpServer server(folderScript({{"a.txt", "a"}, {"..\\up", "x"}}));
    ASSERT_TRUE(connect(server));
    EXPECT_FALSE(DownloadFolder("pub", downloads, "*.*", 0));
    EXPECT_TRUE(LastError(0).contains("\"..\\up\"")) << LastError(0).toStdString();
  }
  EXPECT_EQ(filesIn(downloads), (QMap<QByteArray, QByteArray>{{"dup?", "kept"}}));

  // Two names that reach one local file through a link: the second is not written over the
  // first.
  const QString linked = dir_.filePath("linked");
  writeBytes(linked + "/a.txt", "old a");
  ASSERT_TRUE(QFile::link("a.txt", linked + "/b.txt"));
  ScriptedFtpServer server(folderScript({{"a.txt", "new a"}, {"b.txt", "new b"}}));
  ASSERT_TRUE(connect(server));
  EXPECT_FALSE(DownloadFolder("pub", linked, "*.*", 0));
  EXPECT_TRUE(LastError(0).contains("\"a.txt\" and \"b.txt\"")) << LastError(0).toStdString();
  EXPECT_EQ(readBytes(linked + "/a.txt"), "new a");
}

// In active mode only the server's own address may bring the data; a file brought by another
// fails the download and leaves the local file as it was.
TEST_F(FtpHostileServer, ActiveModeTakesDataOnlyFromTheServer) {
  const QByteArray served =
      "\"" + QByteArray("f.bin").toHex() + "\":\"" + QByteArray("from the server").toHex() + "\"";
  const QString target = dir_.filePath("f.bin");
  for (const QByteArray& how :
       {QByteArray("\"intruders\":[\"127.0.0.3\"]"), QByteArray("\"data_from\":\"127.0.0.2\"")}) {
    writeBytes(target, "local");
    ScriptedFtpServer server("{" + how + ",\"files\":{" + served + "}}");
    ASSERT_TRUE(connect(server));
    EXPECT_FALSE(GetFile("f.bin", target, 0)) << how.toStdString();
    EXPECT_TRUE(LastError(0).contains("127.0.0.") && LastError(0).contains("data connection"))
        << LastError(0).toStdString();
    EXPECT_EQ(readBytes(target), "local");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"f.bin"});
    // The session goes on with the server's replies in step.
    EXPECT_FALSE(GetFile("missing.bin", target, 0));
    EXPECT_TRUE(LastError(0).contains("550")) << LastError(0).toStdString();
  }
  ScriptedFtpServer honest("{\"files\":{" + served + "}}");
  ASSERT_TRUE(connect(honest));
  EXPECT_TRUE(GetFile("f.bin", target, 0)) << LastError(0).toStdString();
  EXPECT_EQ(readBytes(target), "from the server");
}

// A listing that does not end, or a line that does not, is refused naming the folder, and the
// memory it takes stays bounded; a large honest listing still works.
TEST_F(FtpHostileServer, ListingsWithoutEndAreRefusedInBoundedMemory) {
  for (const char* endless : {"folders", "line"}) {
    ScriptedFtpServer server(QByteArray("{\"endless\":\"") + endless + "\"}");
    ASSERT_TRUE(connect(server));
    resetPeak();
    const long before = peakKiB();
    EXPECT_FALSE(DownloadFolder("pub", dir_.path(), "*.*", 0));
    const long grown = peakKiB() - before;
    std::cout << "peak memory growth listing endless " << endless << ": " << grown / 1024
              << " MiB\n";
    if (kPeakTellsUse) {
      EXPECT_LT(grown, 256 * 1024) << endless;
    }
    EXPECT_TRUE(LastError(0).contains("\"pub\"")) << LastError(0).toStdString();
    CloseConn(0);
  }

  QByteArray folders;
  for (int i = 0; i < 200000; ++i) {
    folders += "drwxr-xr-x 2 u g 4096 Jan 01 00:00 folder." + QByteArray::number(i) + "\r\n";
  }
  ScriptedFtpServer server(folderScript({{"last.txt", "last"}}, folders));
  ASSERT_TRUE(connect(server));
  EXPECT_TRUE(DownloadFolder("pub", dir_.path(), "*.*", 0)) << LastError(0).toStdString();
  EXPECT_EQ(readBytes(dir_.filePath("last.txt")), "last");
}

}  // namespace
