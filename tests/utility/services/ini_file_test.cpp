#include "mobrel/ini_file.h"

#include <gtest/gtest.h>

#include "sheetcut/ansi_codepage.h"
#include "test_folder.h"

namespace fs = std::filesystem;
using mobrel::IniFile;

namespace {

// Every entry in a folder, to check that nothing was left behind.
size_t entryCount(const fs::path& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

}  // namespace

TEST(IniFile, MissingFileReadsEmptyAndIsNotCreated) {
  TestFolder dir;
  IniFile ini(dir / "cfg.ini");
  EXPECT_EQ(ini.GetIniKey("a", "b"), "");
  EXPECT_TRUE(ini.DelIniKey("a", "b"));
  EXPECT_TRUE(ini.DelIniSec("a"));
  EXPECT_EQ(entryCount(dir.path()), 0u);

  IniFile inMissingFolder(dir / "no/cfg.ini");
  EXPECT_FALSE(inMissingFolder.WriteIniKey("a", "b", "c"));
  EXPECT_EQ(entryCount(dir.path()), 0u);
}

TEST(IniFile, ReadOnlyFileIsNotReplaced) {
  TestFolder dir;
  writeBytes(dir.path() / "cfg.ini", "[a]\r\nk=v\r\n");
  fs::permissions(dir.path() / "cfg.ini", fs::perms::owner_read);
  IniFile ini(dir / "cfg.ini");
  EXPECT_FALSE(ini.WriteIniKey("a", "k", "new"));
  EXPECT_EQ(ini.GetIniKey("a", "k"), "v");
  EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(IniFile, AWriteThatFailsSaysWhy) {
  TestFolder dir;
  IniFile missing(dir / "no/cfg.ini");
  EXPECT_FALSE(missing.WriteIniKey("a", "b", "c"));
  EXPECT_EQ(missing.writeFailure(), "\"" + (dir / "no") + "\"不存在");

  writeBytes(dir.path() / "blocker", "");
  IniFile blocked(dir / "blocker/cfg.ini");
  EXPECT_FALSE(blocked.WriteIniKeys({{"a", "b", "c"}}));
  EXPECT_TRUE(blocked.writeFailure().contains("有一个文件挡住了文件夹"))
      << blocked.writeFailure().toStdString();

  writeBytes(dir.path() / "cfg.ini", "[a]\r\nk=v\r\n");
  fs::permissions(dir.path() / "cfg.ini", fs::perms::owner_read);
  IniFile readOnly(dir / "cfg.ini");
  EXPECT_FALSE(readOnly.DelIniKey("a", "k"));
  EXPECT_EQ(readOnly.writeFailure(), "\"" + (dir / "cfg.ini") + "\"是只读文件");
  fs::permissions(dir.path() / "cfg.ini", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(readOnly.WriteIniKey("a", "k", "w"));
  EXPECT_EQ(readOnly.writeFailure(), "");
}

TEST(IniFile, AFolderThatMayNotBeWrittenIsNamed) {
  // The superuser writes into a read-only folder all the same.
  TestFolder dir;
  const fs::path locked = dir.path() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  IniFile inLocked(dir / "locked/cfg.ini");
  if (inLocked.WriteIniKey("a", "b", "c")) {
    fs::permissions(locked, fs::perms::owner_all);
    GTEST_SKIP() << "this user may write into a read-only folder";
  }
  EXPECT_EQ(inLocked.writeFailure(), "没有在\"" + (dir / "locked") + "\"中写文件的权限");
  EXPECT_EQ(entryCount(locked), 0u);
  fs::permissions(locked, fs::perms::owner_all);
}

TEST(IniFile, NewFileAndPlacementOfKeysAndSections) {
  TestFolder dir;
  IniFile ini(dir / "cfg.ini");
  ASSERT_TRUE(ini.WriteIniKey("Main", "Path", "/data"));
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), "[Main]\r\nPath=/data\r\n");

  writeBytes(dir.path() / "cfg.ini",
             "; notes  \r\n[Main]\r\nPath = /data \r\n  odd line\r\n\r\n[Other]\r\nk=v\r\n");
  ASSERT_TRUE(ini.WriteIniKey("main", "PATH", "/new"));
  ASSERT_TRUE(ini.WriteIniKey("MAIN", "Size", "3"));
  ASSERT_TRUE(ini.WriteIniKey("Third", "x", "1"));
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"),
            "; notes  \r\n[Main]\r\nPATH=/new\r\n  odd line\r\nSize=3\r\n\r\n[Other]\r\nk=v\r\n"
            "[Third]\r\nx=1\r\n");
  EXPECT_EQ(entryCount(dir.path()), 1u);  // no temporary file left

  // A last line without its end, and LF-only files, keep their style.
  writeBytes(dir.path() / "cfg.ini", "[a]\nk=v");
  ASSERT_TRUE(ini.WriteIniKey("a", "n", "w"));
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), "[a]\nk=v\nn=w\n");
}

// Lines that end in CR alone, as old Mac editors save them, are lines, and new lines end alike;
// in a file of CR LF lines, a lone CR ends a line too.
TEST(IniFile, LinesEndingInCrAlone) {
  TestFolder dir;
  const fs::path file = dir.path() / "cfg.ini";
  writeBytes(file, "[a]\rk=v\r\r[b]\rx=1\r");
  IniFile ini(dir / "cfg.ini");
  EXPECT_EQ(ini.GetIniKey("b", "x"), "1");
  ASSERT_TRUE(ini.WriteIniKeys({{"a", "k", "w"}, {"A", "n", "2"}, {"c", "y", "3"}}));
  EXPECT_EQ(readBytes(file), "[a]\rk=w\rn=2\r\r[b]\rx=1\r[c]\ry=3\r");

  writeBytes(file, "[a]\r\nk=v\r[b]\r\nx=1\r\n");
  ASSERT_TRUE(ini.WriteIniKey("b", "x", "2"));
  EXPECT_EQ(readBytes(file), "[a]\r\nk=v\r[b]\r\nx=2\r\n");
}

TEST(IniFile, ReadRules) {
  TestFolder dir;
  writeBytes(dir.path() / "cfg.ini",
             "k=outside\r\n[ Sec ]\r\n  Key  =  spaced value  \r\nq1=\"quoted \"\r\n"
             "q2='single'\r\nq3=\"open\r\nq4=\"mixed'\r\nkey=second\r\n[sec]\r\nother=1\r\n");
  IniFile ini(dir / "cfg.ini");
  EXPECT_EQ(ini.GetIniKey("SEC", "KEY"), "spaced value");
  EXPECT_EQ(ini.GetIniKey("sec", "q1"), "quoted");
  EXPECT_EQ(ini.GetIniKey("sec", "q2"), "single");
  EXPECT_EQ(ini.GetIniKey("sec", "q3"), "\"open");
  EXPECT_EQ(ini.GetIniKey("sec", "q4"), "\"mixed'");
  EXPECT_EQ(ini.GetIniKey("sec", "other"), "");  // only the first [sec] is searched
  EXPECT_EQ(ini.GetIniKey("", "k"), "");
}

TEST(IniFile, DeleteKeysAndSections) {
  TestFolder dir;
  const std::string before = "[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nz=3\r\n";
  writeBytes(dir.path() / "cfg.ini", before);
  IniFile ini(dir / "cfg.ini");
  ini.DelIniKey("a", "nope");
  ini.DelIniSec("nope");
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), before);
  ini.DelIniKey("A", "X");
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), "[a]\r\ny=2\r\n\r\n[b]\r\nz=3\r\n");
  ini.DelIniSec("a");
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), "[b]\r\nz=3\r\n");
}

TEST(IniFile, EncodingIsKeptPerFile) {
  TestFolder dir;
  // GBK: the second byte of "乚" is "]", which a byte-wise parser would take as the end of
  // the section name.
  const std::string gbkSection = sheetcut::utf8ToAnsi("乚");
  ASSERT_EQ(gbkSection, "\x81\x5D");
  const std::string gbkOther = sheetcut::utf8ToAnsi("其他=值") + "\xFF\r\n";  // keeps its bytes
  writeBytes(dir.path() / "gbk.ini", "[" + gbkSection + "]\r\n" + gbkOther);
  IniFile gbk(dir / "gbk.ini");
  ASSERT_TRUE(gbk.WriteIniKey("乚", "名称", "图纸"));
  EXPECT_EQ(readBytes(dir.path() / "gbk.ini"),
            "[" + gbkSection + "]\r\n" + gbkOther + sheetcut::utf8ToAnsi("名称=图纸") + "\r\n");
  EXPECT_EQ(gbk.GetIniKey("乚", "名称"), "图纸");

  IniFile utf8(dir / "utf8.ini");
  ASSERT_TRUE(utf8.WriteIniKey("乚", "名称", "图纸"));
  ASSERT_TRUE(utf8.WriteIniKey("乚", "b", "乙"));
  EXPECT_EQ(readBytes(dir.path() / "utf8.ini"), "[乚]\r\n名称=图纸\r\nb=乙\r\n");
}

// A file saved as "Unicode" by a Windows editor: UTF-16 after a byte-order mark, in either byte
// order. It reads, and a change leaves it whole UTF-16 in that order with its one mark, holding
// any character (none is refused as in a GBK file).
TEST(IniFile, Utf16FilesWithAMarkStayUtf16) {
  TestFolder dir;
  const fs::path file = dir.path() / "cfg.ini";
  for (const bool littleEndian : {true, false}) {
    SCOPED_TRACE(littleEndian ? "little-endian" : "big-endian");
    writeBytes(file,
               utf16(u"\uFEFF[图纸]\r\n图号 = JG-01\r\n模版=A3\r\n\r\n[输出]\r\n", littleEndian));
    IniFile ini(dir / "cfg.ini");
    EXPECT_EQ(ini.GetIniKey("图纸", "图号"), "JG-01");
    ASSERT_TRUE(ini.WriteIniKey("图纸", "模版", "A1"));
    ASSERT_TRUE(ini.WriteIniKey("图纸", "比例", "1:100"));
    ASSERT_TRUE(ini.WriteIniKey("审核", "姓名", "김\U0001F600"));
    EXPECT_EQ(readBytes(file),
              utf16(u"\uFEFF[图纸]\r\n图号 = JG-01\r\n模版=A1\r\n比例=1:100\r\n\r\n"
                    "[输出]\r\n[审核]\r\n姓名=김\U0001F600\r\n",
                    littleEndian));
  }
}

// The byte-order mark sits in the first line: deleting the first section keeps it, so that the
// rest of the file still reads (a UTF-16 file without its mark is no text).
TEST(IniFile, DeletingTheFirstSectionKeepsTheMark) {
  TestFolder dir;
  const fs::path file = dir.path() / "cfg.ini";
  IniFile ini(dir / "cfg.ini");
  for (const bool littleEndian : {true, false}) {
    SCOPED_TRACE(littleEndian ? "little-endian" : "big-endian");
    writeBytes(file, utf16(u"\uFEFF[a]\r\n[b]\r\nk=v\r\n", littleEndian));
    ASSERT_TRUE(ini.DelIniSec("a"));
    EXPECT_EQ(readBytes(file), utf16(u"\uFEFF[b]\r\nk=v\r\n", littleEndian));
    EXPECT_EQ(ini.GetIniKey("b", "k"), "v");
    ASSERT_TRUE(ini.DelIniSec("b"));
    EXPECT_EQ(readBytes(file), utf16(u"\uFEFF", littleEndian));
    ASSERT_TRUE(ini.WriteIniKey("c", "k", "张"));
    EXPECT_EQ(ini.GetIniKey("c", "k"), "张");
    EXPECT_EQ(readBytes(file).substr(0, 2), littleEndian ? "\xFF\xFE" : "\xFE\xFF");
  }
  writeBytes(file, "\xEF\xBB\xBF[a]\nx=1\n[b]\nk=v\n");
  ASSERT_TRUE(ini.DelIniSec("A"));
  EXPECT_EQ(readBytes(file), "\xEF\xBB\xBF[b]\nk=v\n");
}

TEST(IniFile, LongValuesAreCutAtWholeCharacters) {
  TestFolder dir;
  IniFile ini(dir / "cfg.ini");
  QString ascii(1500, u'a');
  ini.WriteIniKey("s", "ascii", ascii);
  EXPECT_EQ(ini.GetIniKey("s", "ascii"), ascii.left(1023));
  // Two bytes per character in GBK: 511 whole characters fit in 1023 bytes.
  QString chinese = "x" + QString(600, QChar(0x56FE));
  ini.WriteIniKey("s", "cjk", chinese);
  EXPECT_EQ(ini.GetIniKey("s", "cjk"), chinese.left(512));
}

TEST(IniFile, SeveralKeysAtOnceLandAsIfWrittenOneByOne) {
  TestFolder dir;
  // New keys of several earlier sections, one ending in a blank line, one holding a comment
  // line; keys written twice before and after they are new; sections added between.
  const std::string start =
      "[Main]\r\nPath=/data\r\n\r\n[Other]\r\nk=v\r\n; note\r\n[Last]\r\nz=1\r\n\r\n";
  writeBytes(dir.path() / "one.ini", start);
  writeBytes(dir.path() / "all.ini", start);
  IniFile one(dir / "one.ini"), all(dir / "all.ini");
  const std::vector<IniFile::KeyWrite> keys{
      {"main", "Size", "3"}, {"Third", "x", "1"},   {"MAIN", "PATH", "/new"},
      {"other", "a", "1"},   {"main", "Size", "4"}, {"main", "Line", "a\r\n[b]"},
      {"Last", "y", "2"},    {"third", "w", "5"},   {"Other", "b", "2"},
      {"OTHER", "A", "3"},   {"Fourth", "q", "6"},  {"third", "x", "7"},
      {"last", "z", "8"},    {"Main", "Tail", "9"}};
  for (const auto& k : keys) ASSERT_TRUE(one.WriteIniKey(k.section, k.key, k.value));
  ASSERT_TRUE(all.WriteIniKeys(keys));
  EXPECT_EQ(readBytes(dir.path() / "all.ini"), readBytes(dir.path() / "one.ini"));
  ASSERT_TRUE(all.WriteIniKeys({}));
  EXPECT_EQ(readBytes(dir.path() / "all.ini"), readBytes(dir.path() / "one.ini"));
  EXPECT_FALSE(IniFile(dir / "no/x.ini").WriteIniKeys({{"a", "b", "c"}}));
}
