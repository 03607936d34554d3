#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "ftp_test_servers.h"
#include "mobrel/api.h"
#include "sheetcut/error.h"

using mobrel::API;

namespace {

TEST(ApiFtp, MembersReachTheSlots) {
  const FtpTestServers& s = FtpTestServers::get();
  API api;
  writeBytes(s.scratch + "/api/up.dxf", "api upload");
  ASSERT_TRUE(api.Conn2FtpServer("127.0.0.1", s.vsftpdUser, s.vsftpdPassword, s.vsftpdPort));
  EXPECT_TRUE(api.CrtFtpPath("api/in"));
  EXPECT_TRUE(QFileInfo(s.vsftpdRoot + "/api/in").isDir());
  ASSERT_TRUE(api.UploadFile(s.scratch + "/api/up.dxf", "api/in/up.dxf"));
  ASSERT_TRUE(api.DownLoadFile("api/in/up.dxf", s.scratch + "/api/down.dxf"));
  EXPECT_EQ(readBytes(s.scratch + "/api/down.dxf"), "api upload");
  QDir().mkpath(s.scratch + "/api/folder");
  ASSERT_TRUE(api.DownLoadFoderFiles("api/in", s.scratch + "/api/folder"));
  EXPECT_EQ(readBytes(s.scratch + "/api/folder/up.dxf"), "api upload");
  EXPECT_TRUE(api.DeleteFtpFile("api/in/up.dxf"));
  EXPECT_FALSE(api.DeleteFtpFile("api/in/up.dxf"));

  // The second slot, on the other server.
  ASSERT_TRUE(api.Conn2FtpServer("127.0.0.1", s.pyftpdUser, s.pyftpdPassword, s.pyftpdPort, 1));
  EXPECT_TRUE(api.CrtFtpPath("second", 1));
  EXPECT_TRUE(QFileInfo(s.pyftpdRoot + "/second").isDir());
  api.CloseFtpConn(1);
  EXPECT_FALSE(api.CrtFtpPath("second-again", 1));

  api.CloseFtpConn();
  EXPECT_FALSE(api.CrtFtpPath("api/closed"));
  try {
    api.Conn2FtpServer("127.0.0.1", "u", "p", 21, 2);
    ADD_FAILURE() << "slot 2 accepted";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.number(), sheetcut::errnum::kSubscriptOutOfRange);
    EXPECT_EQ(e.source(), "API.Conn2FtpServer");
  }
}

// Without a window system the boxes fail; they say so and return normally.
TEST(ApiHeadless, BoxesAnswerWithoutAWindowSystem) {
  API api;
  api.Alert("message");
  EXPECT_FALSE(api.Confirm("question"));
  EXPECT_EQ(api.InputBox(), "");
}

}  // namespace
