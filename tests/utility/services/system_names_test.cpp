#include "mobrel/system_names.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <filesystem>

#include "mobrel/text_lines.h"
#include "sheetcut/error.h"

using namespace mobrel;

TEST(SystemNames, FoldersEndInOneSeparator) {
  const QString temp = TempDir();
  EXPECT_TRUE(temp.endsWith("/"));
  EXPECT_FALSE(temp.endsWith("//"));
  EXPECT_EQ(std::filesystem::path(temp.toStdString()), std::filesystem::temp_directory_path() / "");
  EXPECT_EQ(WinDir(), "/etc/");
  EXPECT_EQ(SysDir(), "/usr/lib/");
}

TEST(SystemNames, UserHostAndGuid) {
  EXPECT_FALSE(GetLogonUser().isEmpty());
  EXPECT_FALSE(GetComputerNameText().isEmpty());
  const QString a = NewGuidText();
  const QString b = NewGuidText();
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}$").match(a).hasMatch()) << a.toStdString();
  EXPECT_NE(a, b);
}

TEST(WrapLines, WidthRules) {
  EXPECT_EQ(WrapLines("abcd", 3), "abcd");
  EXPECT_EQ(WrapLines("abcde", 2), "ab\r\ncd\r\ne\r\n");
  EXPECT_EQ(WrapLines("图纸分割", 2), "图纸\r\n分割\r\n");
  EXPECT_EQ(WrapLines("abcd", -2), "");
  EXPECT_THROW(WrapLines("abcd", 0), sheetcut::Error);
  const QString longText(40000, u'x');  // no 16-bit limit
  EXPECT_EQ(WrapLines(longText, 40000), longText + "\r\n");
}
