#include "mobrel/ftp_remote_names.h"

#include <gtest/gtest.h>

using namespace mobrel::ftp;

namespace {

TEST(FtpRemoteNames, PathsAreEncodedForTheServerAndTheUrl) {
  EXPECT_EQ(encodeRemotePath(QString::fromUtf8("图号/A-01.dxf")),
            std::string("\xcd\xbc\xba\xc5/A-01.dxf"));
  // Line breaks and NUL would end the FTP command early; a character the code page lacks
  // would name another file.
  EXPECT_FALSE(encodeRemotePath("a\r\nDELE b"));
  EXPECT_FALSE(encodeRemotePath("a\nb"));
  EXPECT_FALSE(encodeRemotePath(QString("a") + QChar(0) + "b"));
  EXPECT_FALSE(encodeRemotePath(QString::fromUtf8("a\xF0\x9F\x98\x80")));

  EXPECT_EQ(urlPathOf("a b/c#?%.dwg"), "a%20b/c%23%3F%25.dwg");
  EXPECT_EQ(urlPathOf("/srv/x"), "%2Fsrv/x");
  EXPECT_EQ(urlPathOf("\xcd\xbc/"), "%CD%BC/");
  EXPECT_EQ(urlPathOf(""), "");

  EXPECT_EQ(joinRemote("in", "a.dxf"), "in/a.dxf");
  EXPECT_EQ(joinRemote("in/", "a.dxf"), "in/a.dxf");
  EXPECT_EQ(joinRemote("", "a.dxf"), "/a.dxf");
}

TEST(FtpRemoteNames, ListedNamesThatWouldLeaveTheFolderAreUnsafe) {
  for (const std::string& bad :
       {std::string(), std::string("."), std::string(".."), std::string("../x"), std::string("a/b"),
        std::string("a\\b"), std::string("..\\x"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(isSafeListedName(bad)) << bad;
  }
  EXPECT_TRUE(isSafeListedName("A.DWG"));
  EXPECT_TRUE(isSafeListedName("..x.dwg"));
  EXPECT_TRUE(isSafeListedName("\xcd\xbc\xba\xc5.dwg"));
  // A GBK character whose second byte is that of "\\".
  EXPECT_TRUE(isSafeListedName("\x81\x5C.txt"));
}

}  // namespace
