#include <sys/stat.h>

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

void write(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// The number and source of the error a call raised (0 and "" when none).
std::pair<long, std::string> raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const sheetcut::Error& e) {
    return {e.number(), e.source()};
  }
  return {0, ""};
}

TEST(ApiServices, FileMembers) {
  API api;
  QTemporaryDir dir;
  const QString root = dir.path();
  write(root + "/src/a.dxf");
  EXPECT_EQ(api.CopyFile(nullptr, root + "/src/a.dxf", root + "/copy/"), 0);
  EXPECT_EQ(api.MoveFile(nullptr, root + "/copy/a.dxf", root + "/b.dxf"), 0);
  EXPECT_EQ(api.RenameFile(nullptr, root + "/b.dxf", "c.dxf"), 0);
  EXPECT_TRUE(api.FileExist(root + "/c.dxf"));
  QString file = root + "/c.dxf";
  EXPECT_EQ(api.DelFile(nullptr, file), 0);
  EXPECT_FALSE(api.FileExist(file));
  // The caller's variable loses its trailing "/".
  QString folder = root + "/copy/";
  EXPECT_EQ(api.DelFolder(nullptr, folder), 0);
  EXPECT_EQ(folder, root + "/copy");
  EXPECT_FALSE(api.FolderExist(folder));

  EXPECT_TRUE(api.CrtLocalPath(root + "/made/deep"));
  write(root + "/made/f.dxf");
  EXPECT_EQ(api.DelFolderFiles(nullptr, root + "/made"), 0);
  EXPECT_TRUE(api.FolderExist(root + "/made/deep"));
  EXPECT_EQ(api.DelFolderSubObjs(nullptr, root + "/made"), 0);
  EXPECT_FALSE(api.FolderExist(root + "/made/deep"));

  QString searchPath = root + "/src";
  QStringList files, dirs;
  api.FindFolderSubObjs(searchPath, "*.DXF", files, dirs);
  EXPECT_EQ(searchPath, root + "/src/");
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].startsWith(root + "/src/a.dxf/0Kb/"));
}

TEST(ApiServices, IniMembersRaiseWhenTheyCannotWrite) {
  API api;
  QTemporaryDir dir;
  const QString ini = dir.filePath("cfg.ini");
  api.SetINIKeyValue(ini, "设置", "输出", " /data/out ");
  api.SetINIKeyValue(ini, "设置", "格式", "A-01");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "输出"), "/data/out");
  api.DeleteINIKey(ini, "设置", "输出");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "输出"), "");
  api.DeleteINISect(ini, "设置");
  EXPECT_EQ(api.GetINIKeyValue(ini, "设置", "格式"), "");

  // A setting that cannot be stored is not lost silently.
  try {
    api.SetINIKeyValue(dir.filePath("no-such-folder/cfg.ini"), "a", "b", "c");
    ADD_FAILURE() << "no error raised";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.number(), 75);
    // Which file, and why, in the program's language.
    EXPECT_EQ(QString::fromStdString(e.description()),
              "无法写入设置文件\"" + dir.filePath("no-such-folder/cfg.ini") + "\": \"" +
                  dir.filePath("no-such-folder") + "\"不存在");
    EXPECT_EQ(e.source(), "API.SetINIKeyValue");
  }
}

TEST(ApiServices, IniMembersRefuseSpecialFilesAndUnholdableNames) {
  API api;
  QTemporaryDir dir;
  const QString pipe = dir.filePath("pipe.ini");
  ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0644), 0);
  const auto raises = [](const std::function<void()>& call, const QString& named) {
    try {
      call();
      ADD_FAILURE() << "no error raised for " << named.toStdString();
    } catch (const sheetcut::Error& e) {
      EXPECT_TRUE(QString::fromStdString(e.description()).contains("\"" + named + "\""))
          << e.description();
    }
  };
  raises([&] { api.SetINIKeyValue(pipe, "a", "b", "c"); }, pipe);
  raises([&] { api.GetINIKeyValue(pipe, "a", "b"); }, pipe);
  raises([&] { api.GetINIKeyValue("/dev/zero", "a", "b"); }, "/dev/zero");
  raises([&] { api.SetINIKeyValue(dir.filePath("cfg.ini"), "a", "[b]", "c"); }, "[b]");
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("cfg.ini")));
}

TEST(ApiServices, NamesTextAndGuid) {
  API api;
  EXPECT_TRUE(api.GetWindowsTempPath().endsWith('/'));
  EXPECT_TRUE(api.GetWindowsPath().endsWith('/'));
  EXPECT_FALSE(api.GetWindowsSysPath().isEmpty());
  EXPECT_FALSE(api.GetWinLogUser().isEmpty());
  EXPECT_FALSE(api.GetHostName().isEmpty());
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}$").match(api.GUID()).hasMatch());
  EXPECT_EQ(api.GetMLineText("abcd", 2), "ab\r\ncd\r\n");
  EXPECT_EQ(raised([&] { api.GetMLineText("abcd", 0); }),
            std::make_pair(sheetcut::errnum::kDivisionByZero, std::string("API.GetMLineText")));
}

TEST(ApiServices, DigestAndCipher) {
  API api;
  EXPECT_EQ(api.MD5("abc"), "3cd24fb0d6963f7d");
  for (int length : {32, 0, 17}) {
    EXPECT_EQ(api.MD5("abc", length), "900150983cd24fb0d6963f7d28e17f72");
  }
  // The long digest takes one byte per character; a double-byte character overflows.
  EXPECT_EQ(raised([&] { api.MD5("图号", 32); }),
            std::make_pair(sheetcut::errnum::kOverflow, std::string("API.MD5")));

  const QString plain = "图号 A-01";
  const QString back = api.StrDeCode(api.StrEnCode(plain, "secret"), "secret");
  EXPECT_EQ(back, plain);  // without the NULs that pad the last block
  EXPECT_EQ(api.StrDeCode(api.StrEnCode(plain, "k", 256, 256), "k", 256, 256), plain);
  EXPECT_EQ(api.StrEnCode("", "k"), "0000000000000000");
  EXPECT_EQ(api.StrDeCode("ABCD", "k"), "");  // not a whole block
  EXPECT_EQ(raised([&] { api.StrEnCode("x", "k", 100); }).second, "API.StrEnCode");
  EXPECT_NE(raised([&] { api.StrEnCode("x", "k", 160, 4294967424L); }).first, 0);
}

}  // namespace
