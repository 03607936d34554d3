// The template list: reading "db.xml" and the changes made in memory.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sheetcut/ansi_codepage.h>
#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "qstring_printer.h"

namespace tarvik {
namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

// A template list in GB2312, laid out with indentation and a comment as people write it.
QByteArray gb2312List() {
  const std::string utf8 = R"(<?xml version="1.0" encoding="GB2312"?>
<模板库>
  <!-- templates -->
  <模板 名称="A3图签">
    <类别>图签模板</类别>
    <插入点>10,-5.5</插入点>
  </模板>
  <模板 名称="目录a" extra="x">
    <类别>目录模板</类别>
    <插入点></插入点>
  </模板>
  <模板 名称="Other">
    <类别>图签模板 </类别>
    <插入点>1</插入点>
    <ignored/>
  </模板>
</模板库>
)";
  return QByteArray::fromStdString(sheetcut::convertEncoding(utf8, "UTF-8", "GB2312"));
}

class TemplateList : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    writeFile(tmp.path() + "/db.xml", gb2312List());
    cad.setModPath(tmp.path());
  }
  QTemporaryDir tmp;
  CAD cad;
};

TEST_F(TemplateList, ReadsGb2312FileInOrder) {
  ASSERT_EQ(cad.ModCount(), 3);
  const BlkTYpe first = cad.Mods(1);
  EXPECT_EQ(first.n, "A3图签");
  EXPECT_EQ(first.T, "1");
  EXPECT_EQ(first.p, "A3图签.DWG");
  EXPECT_EQ(first.InsPo, QStringList({"10", "-5.5"}));
  EXPECT_EQ(cad.Mods(2).n, "目录a");
  EXPECT_EQ(cad.Mods(2).T, "0");
  EXPECT_TRUE(cad.Mods(2).InsPo.isEmpty());
  EXPECT_EQ(cad.Mods(3).T, "3");  // the category text has a trailing space
  EXPECT_EQ(cad.Mods(3).InsPo, QStringList({"1"}));
  EXPECT_TRUE(cad.Mods(0).n.isEmpty());
  EXPECT_THROW(cad.Mods(4), sheetcut::Error);
  EXPECT_THROW(cad.Mods(-1), sheetcut::Error);
}

TEST_F(TemplateList, AListThatCannotBeReadIsEmptyAndNamedWithItsReason) {
  QTemporaryDir other;
  const QString list = other.path() + "/db.xml";
  const auto expectEmpty = [&](const char* reason) {
    EXPECT_EQ(cad.ModCount(), 0) << reason;
    EXPECT_THROW(cad.Mods(1), sheetcut::Error) << reason;
    EXPECT_TRUE(cad.ModListError().contains(list)) << cad.ModListError().toStdString();
    EXPECT_TRUE(cad.ModListError().contains(reason)) << cad.ModListError().toStdString();
  };
  cad.setModPath(other.path());
  expectEmpty("does not exist");

  cad.setModPath(tmp.path());
  ASSERT_EQ(cad.ModCount(), 3);
  writeFile(list, "<root><m n=\"x\"><c>其它模板</c>");
  cad.setModPath(other.path());
  expectEmpty("line");

  writeFile(list, "");
  cad.ReadMods();
  expectEmpty("");

  // Neither a named pipe (which would block the read) nor a device behind a link (which would
  // never end) is read.
  ASSERT_TRUE(QFile::remove(list));
  ASSERT_EQ(mkfifo(QFile::encodeName(list).constData(), 0600), 0);
  cad.setModPath(tmp.path());
  cad.setModPath(other.path());
  expectEmpty("named pipe");
  ASSERT_TRUE(QFile::remove(list));
  ASSERT_TRUE(QFile::link("/dev/zero", list));
  cad.ReadMods();
  expectEmpty("character device");

  // Read again once mended.
  cad.setModPath(tmp.path());
  EXPECT_EQ(cad.ModCount(), 3);
  EXPECT_EQ(cad.ModListError(), "");
}

TEST_F(TemplateList, MalformedEntryLeavesTheRestEmpty) {
  writeFile(tmp.path() + "/db.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>"
            "<m n=\"a\"><c>其它模板</c><i>1,2</i></m>"
            "<m n=\"b\"><c>其它模板</c></m>"
            "<m n=\"c\"><c>其它模板</c><i>3,4</i></m></r>");
  cad.ReadMods();
  ASSERT_EQ(cad.ModCount(), 3);
  EXPECT_EQ(cad.Mods(1).T, "2");
  EXPECT_EQ(cad.Mods(2).n, "b");
  EXPECT_TRUE(cad.Mods(2).InsPo.isEmpty());
  EXPECT_TRUE(cad.Mods(3).n.isEmpty());
}

TEST_F(TemplateList, NewSetAndDeleteInMemory) {
  const QString source = tmp.path() + "/src.dxf";
  writeFile(source, "new drawing");
  writeFile(tmp.path() + "/moddwg/old.dxf", "kept");
  const QString kept = tmp.path() + "/old.dxf";
  writeFile(kept, "replacement");

  EXPECT_EQ(cad.NewMod("N", source, 2), 4);
  EXPECT_EQ(cad.Mods(4).p, "src.dxf");
  EXPECT_EQ(cad.Mods(4).T, "2");
  EXPECT_TRUE(QFileInfo(tmp.path() + "/moddwg/src.dxf").isFile());

  // A drawing of that name is already there: not overwritten.
  EXPECT_EQ(cad.NewMod("O", kept, 1), 5);
  QFile old(tmp.path() + "/moddwg/old.dxf");
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "kept");

  // A missing source fails after the entry was added and named.
  EXPECT_THROW(cad.NewMod("M", tmp.path() + "/none.dxf", 0), sheetcut::Error);
  EXPECT_EQ(cad.ModCount(), 6);
  EXPECT_EQ(cad.Mods(6).n, "M");

  cad.SetMod(1, "S", tmp.path() + "/none.dxf", 0);  // the copy fails silently
  EXPECT_EQ(cad.Mods(1).n, "S");
  EXPECT_EQ(cad.Mods(1).p, "none.dxf");
  EXPECT_EQ(cad.Mods(1).InsPo, QStringList({"10", "-5.5"}));
  cad.SetMod(99, "S", source, 0);

  cad.DelMod(2);
  EXPECT_EQ(cad.ModCount(), 5);
  EXPECT_EQ(cad.Mods(2).n, "Other");
  EXPECT_THROW(cad.DelMod(0), sheetcut::Error);
  EXPECT_THROW(cad.DelMod(6), sheetcut::Error);
  EXPECT_EQ(cad.ModCount(), 5);

  // Reading the file again replaces the changes.
  cad.ReadMods();
  EXPECT_EQ(cad.ModCount(), 3);
  EXPECT_EQ(cad.Mods(1).n, "A3图签");
}

}  // namespace
}  // namespace tarvik
