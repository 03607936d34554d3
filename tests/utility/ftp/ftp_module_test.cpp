#include "mobrel/ftp_module.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ftp_test_servers.h"
#include "other_user.h"
#include "sheetcut/error.h"
#include "small_filesystem.h"

using namespace mobrel::ftp;

namespace {

class FtpModule : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseConn(0);
    CloseConn(1);
  }

  bool connectVsftpd(int slot = 0) {
    return ConnectServer("127.0.0.1", s.vsftpdUser, s.vsftpdPassword, s.vsftpdPort, slot);
  }
  bool connectPyftpd(int slot) {
    return ConnectServer("127.0.0.1", s.pyftpdUser, s.pyftpdPassword, s.pyftpdPort, slot);
  }
  // A path inside the vsftpd user's login folder, on the local disk.
  QString onServer(const QString& relative) const { return s.vsftpdRoot + "/" + relative; }
  QString local(const QString& relative) const { return s.scratch + "/" + relative; }

  const FtpTestServers& s = FtpTestServers::get();
};

QByteArray randomBytes(int size) {
  QByteArray bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(QRandomGenerator::global()->bounded(256));
  // Make sure line ends are there for a text-mode transfer to convert.
  bytes.append("line\nend\r\nlone\r");
  return bytes;
}

long errorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const sheetcut::Error& e) {
    return e.number();
  }
  return 0;
}

TEST_F(FtpModule, ConnectChecksCredentialsPortAndSlot) {
  EXPECT_FALSE(ConnectServer("127.0.0.1", s.vsftpdUser, "wrong", s.vsftpdPort, 0));
  EXPECT_TRUE(LastError(0).contains("530")) << LastError(0).toStdString();
  EXPECT_FALSE(ConnectServer("127.0.0.1/x", s.vsftpdUser, s.vsftpdPassword, s.vsftpdPort, 0));
  EXPECT_FALSE(ConnectServer("127.0.0.1", s.vsftpdUser + "\r\nDELE x", "p", s.vsftpdPort, 0));

  // Every port up to 65535 is taken (the servers' own usually lie above 32767).
  ASSERT_TRUE(connectVsftpd(0)) << LastError(0).toStdString();
  EXPECT_NO_THROW(ConnectServer("127.0.0.1", "u", "p", 40000, 1));

  // An impossible port or slot is an error and leaves the live slot alone.
  for (long port : {70000L, 0L, -21L}) {
    EXPECT_EQ(errorNumberOf([&] { ConnectServer("127.0.0.1", "u", "p", port, 0); }),
              sheetcut::errnum::kOverflow);
  }
  EXPECT_TRUE(MakeRemotePath("connect-check", 0));
  for (int slot : {2, -1}) {
    EXPECT_EQ(errorNumberOf([&] { connectVsftpd(slot); }), sheetcut::errnum::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { GetFile("a", local("a"), slot); }),
              sheetcut::errnum::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { CloseConn(slot); }), sheetcut::errnum::kSubscriptOutOfRange);
  }
}

TEST_F(FtpModule, ClosedOrEmptySlotFails) {
  writeBytes(local("closed/up.bin"), "data");
  ASSERT_TRUE(connectVsftpd(0));
  ASSERT_TRUE(connectVsftpd(0));  // a live slot is closed and connected again
  ASSERT_TRUE(PutFile(local("closed/up.bin"), "closed-up.bin", 0));
  CloseConn(0);
  for (int slot : {0, 1}) {
    EXPECT_FALSE(MakeRemotePath("closed-dir", slot));
    EXPECT_FALSE(PutFile(local("closed/up.bin"), "closed-up2.bin", slot));
    EXPECT_FALSE(GetFile("closed-up.bin", local("closed/down.bin"), slot));
    EXPECT_FALSE(DownloadFolder("", local("closed"), "*.*", slot));
    EXPECT_FALSE(RemoveFile("closed-up.bin", slot));
    EXPECT_TRUE(LastError(slot).contains("not connected"));
  }
  EXPECT_TRUE(QFileInfo::exists(onServer("closed-up.bin")));
}

TEST_F(FtpModule, MakeRemotePathAnswersWhetherThePathExists) {
  ASSERT_TRUE(connectVsftpd());
  EXPECT_TRUE(MakeRemotePath("mk/a/b/c", 0));
  EXPECT_TRUE(MakeRemotePath("mk/a/b/c", 0));
  EXPECT_TRUE(QFileInfo(onServer("mk/a/b/c")).isDir());
  EXPECT_TRUE(MakeRemotePath(onServer("mk/abs/x/"), 0));  // from the server's root
  EXPECT_TRUE(QFileInfo(onServer("mk/abs/x")).isDir());
  writeBytes(onServer("mk/file"), "x");
  EXPECT_FALSE(MakeRemotePath("mk/file/sub", 0));
  EXPECT_FALSE(MakeRemotePath("", 0));
  // No command can be smuggled in behind a line break; nothing is made.
  EXPECT_FALSE(MakeRemotePath("mk/evil\r\nRMD mk/a/b/c", 0));
  EXPECT_FALSE(QFileInfo::exists(onServer("mk/evil")));
  EXPECT_TRUE(QFileInfo(onServer("mk/a/b/c")).isDir());
  // The existence checks leave the session in its login folder.
  EXPECT_TRUE(MakeRemotePath("mk/after", 0));
  EXPECT_TRUE(QFileInfo(onServer("mk/after")).isDir());
}

TEST_F(FtpModule, BinaryRoundTripKeepsEveryByte) {
  const QByteArray original = randomBytes(256 * 1024);
  writeBytes(local("rt/orig.bin"), original);
  writeBytes(local("rt/existing.bin"), "old content");
  const qsizetype logStart = FtpTestServers::vsftpdLog().size();
  ASSERT_TRUE(connectVsftpd());
  ASSERT_TRUE(PutFile(local("rt/orig.bin"), "rt-copy.bin", 0)) << LastError(0).toStdString();
  EXPECT_EQ(readBytes(onServer("rt-copy.bin")), original);
  // Downloading overwrites an existing local file.
  ASSERT_TRUE(GetFile("rt-copy.bin", local("rt/existing.bin"), 0)) << LastError(0).toStdString();
  EXPECT_EQ(readBytes(local("rt/existing.bin")), original);

  const QString log = FtpTestServers::vsftpdLog().mid(logStart);
  EXPECT_TRUE(log.contains("TYPE I")) << log.toStdString();
  EXPECT_FALSE(log.contains("TYPE A"));
  EXPECT_TRUE(log.contains("EPRT") || log.contains("PORT"));  // active mode
}

TEST_F(FtpModule, NamesTravelEncodedAndFailuresLeaveLocalFilesAlone) {
  writeBytes(local("names/src.dxf"), "drawing");
  ASSERT_TRUE(connectVsftpd());
  ASSERT_TRUE(MakeRemotePath("names", 0));
  const QString remote = QString::fromUtf8("names/图号 A#1%?.dxf");
  ASSERT_TRUE(PutFile(local("names/src.dxf"), remote, 0)) << LastError(0).toStdString();
  // The server stores the name as GBK bytes.
  const QByteArray onDisk = QFile::encodeName(onServer("names/")) + "\xcd\xbc\xba\xc5 A#1%?.dxf";
  EXPECT_EQ(access(onDisk.constData(), F_OK), 0);
  ASSERT_TRUE(GetFile(remote, local("names/back.dxf"), 0));
  EXPECT_EQ(readBytes(local("names/back.dxf")), "drawing");

  writeBytes(local("names/keep.dxf"), "keep me");
  EXPECT_FALSE(GetFile("names/missing.dxf", local("names/keep.dxf"), 0));
  EXPECT_FALSE(GetFile("names/missing.dxf", local("names/new.dxf"), 0));
  EXPECT_EQ(readBytes(local("names/keep.dxf")), "keep me");
  EXPECT_EQ(QDir(local("names")).entryList(QDir::Files).size(), 3);  // no temporary left
  EXPECT_FALSE(PutFile(local("names/no-such.dxf"), "names/x.dxf", 0));

  EXPECT_TRUE(RemoveFile(remote, 0));
  EXPECT_EQ(access(onDisk.constData(), F_OK), -1);
  EXPECT_FALSE(RemoveFile(remote, 0));
  EXPECT_TRUE(LastError(0).contains("550")) << LastError(0).toStdString();
  EXPECT_FALSE(RemoveFile("names/x\r\nRMD names", 0));
}

QStringList entriesOf(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

// A download that finds no room fails naming the file and the full disk, and the file it was
// to replace keeps its old content: neither a cut nor an empty file takes its place.
TEST_F(FtpModule, ADownloadOntoAFullDiskKeepsTheLocalFile) {
  sheetcut::testing::SmallFileSystem small(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(small);
  writeBytes(local("full/big.bin"), randomBytes(600 * 1024));
  writeBytes(local("full/small.bin"), "tiny");
  ASSERT_TRUE(connectVsftpd());
  ASSERT_TRUE(PutFile(local("full/big.bin"), "full-big.bin", 0)) << LastError(0).toStdString();
  ASSERT_TRUE(PutFile(local("full/small.bin"), "full-small.bin", 0));

  const QString root = QString::fromStdString(small.root().string());
  writeBytes(root + "/kept.bin", "old content");
  EXPECT_FALSE(GetFile("full-big.bin", root + "/kept.bin", 0));
  EXPECT_TRUE(LastError(0).contains("kept.bin") && LastError(0).contains("the disk is full"))
      << LastError(0).toStdString();
  EXPECT_EQ(readBytes(root + "/kept.bin"), "old content");

  // Only the last buffered bytes find no room.
  small.fill(64);
  EXPECT_FALSE(GetFile("full-small.bin", root + "/kept.bin", 0));
  EXPECT_FALSE(GetFile("full-small.bin", root + "/new.bin", 0));
  EXPECT_EQ(readBytes(root + "/kept.bin"), "old content");
  small.release();
  EXPECT_EQ(entriesOf(root), QStringList{"kept.bin"});
}

// A download does not replace a local file the user may not write, nor one marked read-only,
// though the folder would let the rename replace it: it fails naming the file, which keeps its
// content.
TEST_F(FtpModule, ADownloadLeavesAFileTheUserMayNotWrite) {
  writeBytes(local("ro/src.bin"), "fresh");
  ASSERT_TRUE(connectVsftpd());
  ASSERT_TRUE(PutFile(local("ro/src.bin"), "ro-src.bin", 0)) << LastError(0).toStdString();
  // Marked read-only: not replaced even by root.
  writeBytes(local("ro/marked.bin"), "kept");
  ASSERT_TRUE(QFile::setPermissions(local("ro/marked.bin"), QFile::ReadOwner | QFile::ReadGroup));
  EXPECT_FALSE(GetFile("ro-src.bin", local("ro/marked.bin"), 0));
  EXPECT_TRUE(LastError(0).contains(local("ro/marked.bin"))) << LastError(0).toStdString();
  EXPECT_EQ(readBytes(local("ro/marked.bin")), "kept");
  CloseConn(0);

  // A user's own read-only file, and another's file in the user's folder.
  const sheetcut::testing::OtherUser nobody;
  SHEETCUT_REQUIRE_OTHER_USER(nobody);
  QTemporaryDir home;
  ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), nobody.uid(), nobody.gid()), 0);
  const QString others = home.filePath("others.bin");
  writeBytes(others, "theirs");
  const QString own = home.filePath("own.bin");
  const std::string said = nobody.run([&] {
    writeBytes(own, "mine");
    QFile::setPermissions(own, QFile::ReadOwner);
    if (!connectVsftpd()) return LastError(0).toStdString();
    std::string out;
    for (const QString& file : {own, others}) {
      out += GetFile("ro-src.bin", file, 0) ? "replaced" : LastError(0).toStdString();
      out += "\n";
    }
    CloseConn(0);
    return out;
  });
  EXPECT_NE(said.find("\"" + own.toStdString() + "\""), std::string::npos) << said;
  EXPECT_NE(said.find("\"" + others.toStdString() + "\""), std::string::npos) << said;
  EXPECT_EQ(said.find("replaced"), std::string::npos) << said;
  EXPECT_EQ(readBytes(own), "mine");
  EXPECT_EQ(readBytes(others), "theirs");
}

TEST_F(FtpModule, DownloadFolderFetchesMatchingFilesOnly) {
  writeBytes(onServer("wdir/A.DWG"), "upper");
  writeBytes(onServer("wdir/b c#.dwg"), "spaced");
  writeBytes(onServer("wdir/note.txt"), "note");
  writeBytes(onServer("wdir/sub.DWG/inner.dwg"), "inner");
  QDir().mkpath(onServer("empty"));
  for (const char* folder : {"wd1", "wd2", "wd3", "wd4"}) QDir().mkpath(local(folder));
  ASSERT_TRUE(connectVsftpd());

  ASSERT_TRUE(DownloadFolder("wdir", local("wd1"), "*.dwg", 0)) << LastError(0).toStdString();
  EXPECT_EQ(entriesOf(local("wd1")), QStringList({"A.DWG", "b c#.dwg"}));
  EXPECT_EQ(readBytes(local("wd1/A.DWG")), "upper");
  ASSERT_TRUE(DownloadFolder("wdir/", local("wd2"), "*.*", 0));
  EXPECT_EQ(entriesOf(local("wd2")), QStringList({"A.DWG", "b c#.dwg", "note.txt"}));
  ASSERT_TRUE(DownloadFolder(onServer("wdir"), local("wd4"), "a.dwg", 0));  // absolute
  EXPECT_EQ(entriesOf(local("wd4")), QStringList({"A.DWG"}));

  // No match, or an empty folder, is a success with nothing fetched.
  EXPECT_TRUE(DownloadFolder("wdir", local("wd3"), "*.zip", 0)) << LastError(0).toStdString();
  EXPECT_TRUE(DownloadFolder("empty", local("wd3"), "*.*", 0)) << LastError(0).toStdString();
  EXPECT_TRUE(entriesOf(local("wd3")).isEmpty());
  // A folder that cannot be listed, or a local folder that is not there, fails.
  EXPECT_FALSE(DownloadFolder("no-such-folder", local("wd3"), "*.*", 0));
  EXPECT_FALSE(DownloadFolder("wdir/A.DWG", local("wd3"), "*.*", 0));
  EXPECT_FALSE(DownloadFolder("wdir", local("no-such-local"), "*.dwg", 0));
  // Listing leaves the session in its login folder.
  EXPECT_TRUE(GetFile("wdir/note.txt", local("wd3/note.txt"), 0));
}

TEST_F(FtpModule, SecondSlotWorksOnItsOwnServer) {
  writeBytes(s.pyftpdRoot + "/p1dir/only.dwg", "second server");
  QDir().mkpath(local("slot1"));
  ASSERT_TRUE(connectVsftpd(0));
  ASSERT_TRUE(connectPyftpd(1)) << LastError(1).toStdString();
  ASSERT_TRUE(DownloadFolder("p1dir", local("slot1"), "*.DWG", 1)) << LastError(1).toStdString();
  EXPECT_EQ(readBytes(local("slot1/only.dwg")), "second server");
  // The first slot's server has no such folder.
  EXPECT_FALSE(DownloadFolder("p1dir", local("slot1"), "*.DWG", 0));
  ASSERT_TRUE(MakeRemotePath("p1dir/made/deeper", 1));
  EXPECT_TRUE(QFileInfo(s.pyftpdRoot + "/p1dir/made/deeper").isDir());
  EXPECT_TRUE(RemoveFile("p1dir/only.dwg", 1));
}

TEST_F(FtpModule, PassiveModeOnRequest) {
  writeBytes(local("pasv/a.bin"), "passive");
  SetPassiveMode(true);
  const qsizetype logStart = FtpTestServers::vsftpdLog().size();
  const bool connected = connectVsftpd();
  SetPassiveMode(false);
  ASSERT_TRUE(connected);
  ASSERT_TRUE(PutFile(local("pasv/a.bin"), "pasv-a.bin", 0)) << LastError(0).toStdString();
  const QString log = FtpTestServers::vsftpdLog().mid(logStart);
  EXPECT_TRUE(log.contains("EPSV") || log.contains("PASV")) << log.toStdString();
  EXPECT_FALSE(log.contains("EPRT"));
}

}  // namespace
