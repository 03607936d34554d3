#include "mobrel/ftp_ctrl.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <vector>

#include "ftp_test_servers.h"

using mobrel::FtpCtrl;
using mobrel::ftp::FtpProgress;

namespace {

struct Recorder : mobrel::FtpCtrlEvents {
  void OnErr(const QString& strErrMsg) override { errors << strErrMsg; }
  void OnProgress(const FtpProgress& p) override {
    // What a caller reads while the transfer runs.
    FtpProgress seen;
    ctrl->GetProgress(seen.FileName, seen.FileSize, seen.BytesCopied, seen.Percent);
    during.push_back(seen);
    EXPECT_EQ(seen.BytesCopied, p.BytesCopied);
  }
  FtpCtrl* ctrl = nullptr;
  QStringList errors;
  std::vector<FtpProgress> during;
};

class FtpCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.ctrl = &ctrl;
    ctrl.setEvents(&events);
    ctrl.HostName("127.0.0.1");
    ctrl.RemotePort(s.vsftpdPort);
    ctrl.LoginUser(s.vsftpdUser);
    ctrl.LoginPwd(s.vsftpdPassword);
  }
  QString onServer(const QString& relative) const { return s.vsftpdRoot + "/" + relative; }
  QString local(const QString& relative) const { return s.scratch + "/" + relative; }

  const FtpTestServers& s = FtpTestServers::get();
  FtpCtrl ctrl;
  Recorder events;
};

TEST_F(FtpCtrlTest, ConnectReportsWhyItFailed) {
  EXPECT_EQ(FtpCtrl().RemotePort(), "21");
  ctrl.LoginPwd("wrong");
  EXPECT_FALSE(ctrl.ConnectFtp());
  ctrl.LoginPwd(s.vsftpdPassword);
  ctrl.RemotePort(70000);
  EXPECT_FALSE(ctrl.ConnectFtp());
  ASSERT_EQ(events.errors.size(), 2);
  EXPECT_TRUE(events.errors[0].contains("530")) << events.errors[0].toStdString();
  EXPECT_TRUE(events.errors[1].contains("70000"));

  ctrl.RemotePort(s.vsftpdPort);
  EXPECT_TRUE(ctrl.ConnectFtp());
  EXPECT_FALSE(ctrl.IsLive());
  ctrl.CloseFtpConn();
  EXPECT_FALSE(ctrl.CreateFolder("ctl-closed"));
  EXPECT_EQ(events.errors.size(), 3);
}

TEST_F(FtpCtrlTest, FoldersRenameMoveAndDelete) {
  writeBytes(local("ctl/a.dxf"), "a");
  ASSERT_TRUE(ctrl.ConnectFtp());
  ASSERT_TRUE(ctrl.CreateFolder("ctl"));
  ASSERT_TRUE(ctrl.CreateFolder("ctl/to"));
  ASSERT_TRUE(ctrl.UploadFile("ctl/a.dxf", local("ctl/a.dxf")));
  EXPECT_TRUE(ctrl.RenameFile("ctl/a.dxf", "ctl/b.dxf"));
  EXPECT_TRUE(ctrl.MoveFile("ignored.dxf", "ctl/b.dxf", "ctl/to/c.dxf"));
  EXPECT_EQ(readBytes(onServer("ctl/to/c.dxf")), "a");
  EXPECT_FALSE(QFileInfo::exists(onServer("ctl/b.dxf")));
  EXPECT_TRUE(events.errors.isEmpty());

  // A refused command answers false and says what the server replied.
  EXPECT_FALSE(ctrl.DeleteFolder("ctl/to"));
  ASSERT_EQ(events.errors.size(), 1);
  EXPECT_TRUE(events.errors[0].contains("550")) << events.errors[0].toStdString();
  EXPECT_FALSE(ctrl.RenameFile("ctl/none.dxf", "ctl/x.dxf"));
  EXPECT_EQ(events.errors.size(), 2);

  EXPECT_TRUE(ctrl.DeleteFile("ctl/to/c.dxf"));
  EXPECT_TRUE(ctrl.DeleteFolder("ctl/to"));
  EXPECT_FALSE(QFileInfo::exists(onServer("ctl/to")));
}

TEST_F(FtpCtrlTest, ProgressIsEmptyBeforeAndTypedDuring) {
  FtpProgress before{"x", -1, -1, -1};
  ctrl.GetProgress(before.FileName, before.FileSize, before.BytesCopied, before.Percent);
  EXPECT_EQ(before.FileName, "");
  EXPECT_EQ(before.FileSize + before.BytesCopied + before.Percent, 0);

  const QByteArray content(3 * 1024 * 1024, 'd');
  writeBytes(local("prog/a-b-c.dxf"), content);
  ASSERT_TRUE(ctrl.ConnectFtp());
  ASSERT_TRUE(ctrl.UploadFile("prog-a-b-c.dxf", local("prog/a-b-c.dxf")));
  ASSERT_FALSE(events.during.empty());
  // A name with "-" does not shift the other fields.
  for (const FtpProgress& p : events.during) {
    EXPECT_EQ(p.FileName, "prog-a-b-c.dxf");
    EXPECT_EQ(p.FileSize, content.size());
    EXPECT_LE(p.BytesCopied, content.size());
  }
  EXPECT_EQ(events.during.back().Percent, 100);

  events.during.clear();
  ASSERT_TRUE(ctrl.DownFile("prog-a-b-c.dxf", local("prog/back.dxf")));
  ASSERT_FALSE(events.during.empty());
  EXPECT_EQ(events.during.back().FileSize, content.size());
  EXPECT_EQ(events.during.back().BytesCopied, content.size());
  EXPECT_EQ(events.during.back().Percent, 100);
}

TEST_F(FtpCtrlTest, FolderTransfersAndTextMode) {
  writeBytes(local("many/one.dwg"), "1\n");
  writeBytes(local("many/TWO.DWG"), "2\n");
  writeBytes(local("many/skip.txt"), "s\n");
  ASSERT_TRUE(ctrl.ConnectFtp());
  ASSERT_TRUE(ctrl.CreateFolder("many"));
  ASSERT_TRUE(ctrl.UploadFiles("many", local("many"), "*.dwg"));
  EXPECT_EQ(QDir(onServer("many")).entryList(QDir::Files, QDir::Name),
            QStringList({"TWO.DWG", "one.dwg"}));

  QDir().mkpath(local("many-back"));
  ASSERT_TRUE(ctrl.DownFiles("many", local("many-back")));
  EXPECT_EQ(readBytes(local("many-back/one.dwg")), "1\n");
  // Text mode asks the server to convert line ends, which changes a binary drawing.
  QByteArray binary;
  for (int i = 0; i < 4096; ++i) binary.append(static_cast<char>((i * 7919) % 256));
  writeBytes(local("many/bin.dwg"), binary);
  ASSERT_TRUE(ctrl.UploadFile("many/bin.dwg", local("many/bin.dwg")));
  const qsizetype logStart = FtpTestServers::vsftpdLog().size();
  ASSERT_TRUE(ctrl.DownFile("many/bin.dwg", local("many-back/bin-text.dwg"), false));
  EXPECT_TRUE(FtpTestServers::vsftpdLog().mid(logStart).contains("TYPE A"));
  EXPECT_NE(readBytes(local("many-back/bin-text.dwg")), binary);
  ASSERT_TRUE(ctrl.DownFile("many/bin.dwg", local("many-back/bin.dwg")));
  EXPECT_EQ(readBytes(local("many-back/bin.dwg")), binary);

  EXPECT_FALSE(ctrl.UploadFiles("many", local("no-such-folder")));
  EXPECT_FALSE(ctrl.DownFiles("no-such-folder", local("many-back")));
  EXPECT_EQ(events.errors.size(), 2);
}

}  // namespace
