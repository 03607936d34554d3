#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

#include "mobrel/api.h"
#include "sheetcut/error.h"

using mobrel::API;

namespace {

void write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// The error a call raised: its number and source ("" when it raised nothing).
std::pair<long, std::string> raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const sheetcut::Error& e) {
    return {e.number(), e.source()};
  }
  return {0, ""};
}

TEST(ApiServices, FileOperationsAndListing) {
  API api;
  QTemporaryDir dir;
  const QString root = dir.path();
  write(root + "/src/a.dxf", "a");
  EXPECT_EQ(api.CopyFile(nullptr, root + "/src/a.dxf", root + "/copy/"), 0);
  EXPECT_TRUE(api.FileExist(root + "/copy/a.dxf"));
  EXPECT_EQ(api.MoveFile(nullptr, root + "/copy/a.dxf", root + "/moved.dxf"), 0);
  EXPECT_FALSE(api.FileExist(root + "/copy/a.dxf"));
  EXPECT_EQ(api.RenameFile(nullptr, root + "/moved.dxf", "renamed.dxf"), 0);
  EXPECT_TRUE(api.FileExist(root + "/renamed.dxf"));
  EXPECT_NE(api.RenameFile(nullptr, root + "/none.dxf", "x.dxf"), 0);

  QString file = root + "/renamed.dxf";
  EXPECT_EQ(api.DelFile(nullptr, file), 0);
  EXPECT_FALSE(api.FileExist(file));
  // The caller's variable loses its trailing "/".
  QString folder = root + "/copy/";
  EXPECT_EQ(api.DelFolder(nullptr, folder), 0);
  EXPECT_EQ(folder, root + "/copy");
  EXPECT_FALSE(api.FolderExist(folder));

  EXPECT_TRUE(api.CrtLocalPath(root + "/made/deep"));
  write(root + "/made/f.dxf", "f");
  EXPECT_EQ(api.DelFolderFiles(nullptr, root + "/made"), 0);
  EXPECT_FALSE(api.FileExist(root + "/made/f.dxf"));
  EXPECT_TRUE(api.FolderExist(root + "/made/deep"));
  EXPECT_EQ(api.DelFolderSubObjs(nullptr, root + "/made"), 0);
  EXPECT_FALSE(api.FolderExist(root + "/made/deep"));
  EXPECT_TRUE(api.FolderExist(root + "/made"));

  QString searchPath = root + "/src";
  QStringList files, dirs;
  api.FindFolderSubObjs(searchPath, "*.DXF", files, dirs);
  EXPECT_EQ(searchPath, root + "/src/");
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].startsWith(root + "/src/a.dxf/0Kb/"));
  EXPECT_EQ(dirs, QStringList{""});
}

TEST(ApiServices, IniMembersAndWriteFailures) {
  API api;
  QTemporaryDir dir;
  const QString ini = dir.filePath("cfg.ini");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "输出"), "");
  EXPECT_FALSE(QFileInfo::exists(ini));
  api.SetINIKeyValue(ini, "设置", "输出", " /data/out ");
  api.SetINIKeyValue(ini, "设置", "格式", "A-01");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "输出"), "/data/out");
  api.DeleteINIKey(ini, "设置", "输出");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "输出"), "");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "格式"), "A-01");
  api.DeleteINISect(ini, "设置");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "格式"), "");
  api.DeleteINIKey(dir.filePath("none.ini"), "a", "b");

  // A setting that cannot be stored is not lost silently.
  const QString unwritable = dir.filePath("no-such-folder/cfg.ini");
  try {
    api.SetINIKeyValue(unwritable, "a", "b", "c");
    ADD_FAILURE() << "no error raised";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_NE(e.description().find("no-such-folder/cfg.ini"), std::string::npos);
    EXPECT_EQ(e.source(), "API.SetINIKeyValue");
  }
}

TEST(ApiServices, NamesTextAndGuid) {
  API api;
  for (const QString& folder : {api.GetWindowsTempPath(), api.GetWindowsPath()}) {
    EXPECT_TRUE(folder.endsWith('/')) << folder.toStdString();
  }
  EXPECT_FALSE(api.GetWindowsSysPath().isEmpty());
  EXPECT_FALSE(api.GetWinLogUser().isEmpty());
  EXPECT_FALSE(api.GetHostName().isEmpty());
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}$").match(api.GUID()).hasMatch());
  EXPECT_NE(api.GUID(), api.GUID());
  EXPECT_EQ(api.GetMLineText("abcd", 2), "ab\r\ncd\r\n");
  EXPECT_EQ(raised([&] { api.GetMLineText("abcd", 0); }),
            std::make_pair(sheetcut::errnum::kDivisionByZero, std::string("API.GetMLineText")));
}

TEST(ApiServices, Md5LengthsAndOverflow) {
  API api;
  EXPECT_EQ(api.MD5("abc"), "3cd24fb0d6963f7d");
  EXPECT_EQ(api.MD5("abc", 16), "3cd24fb0d6963f7d");
  for (int length : {32, 0, 17}) {
    EXPECT_EQ(api.MD5("abc", length), "900150983cd24fb0d6963f7d28e17f72");
  }
  EXPECT_EQ(api.MD5(""), "8f00b204e9800998");
  // The long digest takes one byte per character; a double-byte character overflows.
  EXPECT_EQ(raised([&] { api.MD5("图号", 32); }),
            std::make_pair(sheetcut::errnum::kOverflow, std::string("API.MD5")));
}

TEST(ApiServices, CipherRoundTripWithoutNul) {
  API api;
  const QString plain = "图号 A-01";
  const QString coded = api.StrEnCode(plain, "secret");
  EXPECT_NE(coded, plain);
  const QString back = api.StrDeCode(coded, "secret");
  EXPECT_EQ(back, plain);
  EXPECT_FALSE(back.contains(QChar(0)));
  EXPECT_EQ(api.StrDeCode(api.StrEnCode(plain, "k", 256, 256), "k", 256, 256), plain);
  EXPECT_EQ(
      api.StrDeCode(api.StrEnCode("00ff10", "k", 160, 128, true), "k", 160, 128, true).left(6),
      "00FF10");

  EXPECT_EQ(api.StrEnCode("", "k"), "0000000000000000");
  EXPECT_EQ(api.StrEnCode(plain, ""), plain);
  // Digits that are not whole blocks cannot be deciphered.
  EXPECT_EQ(api.StrDeCode("ABCD", "k"), "");
  EXPECT_EQ(raised([&] { api.StrEnCode("x", "k", 100); }).second, "API.StrEnCode");
  EXPECT_NE(raised([&] { api.StrEnCode("x", "k", 160, 4294967424L); }).first, 0);
}

}  // namespace
