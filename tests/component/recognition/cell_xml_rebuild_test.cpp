// The block layouts that a sequence of SaveMod calls leaves behind, held against a rebuild of
// every layout by a fresh object: after templates changed behind the object's back, after a
// failed rebuild and after the template folder was switched.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qstring_printer.h"
#include "recognition_test_access.h"
#include "tarvik/block_layout_file.h"
#include "tarvik/cell_file.h"

namespace tarvik {
namespace {

using Access = RecognitionTestAccess;

CellType cell(double l, double t, double r, double b, std::int16_t T, const QString& name) {
  const QString s = "<Root> <Text> <S>" + name + "</S> <H>2.5</H> </Text></Root>";
  return {name, Variant::point(l, t, 0), Variant::point(r, b, 0), T, s};
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Writes the file in place (same inode), as an editor would.
void writeInPlace(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(data), data.size());
}

struct Stamp {
  ino_t inode;
  timespec modified;
};

Stamp stampOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
  return {st.st_ino, st.st_mtim};
}

// A template folder: db.xml listing `names`, and for each a layout and a cell file.
class Folder {
 public:
  explicit Folder(const QStringList& names) {
    EXPECT_TRUE(dir_.isValid());
    QDir(dir_.path()).mkdir(QStringLiteral("mod"));
    setList(names);
  }
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath("mod/" + name); }
  void setList(const QStringList& names) {
    QByteArray list = "<r>";
    for (const QString& n : names) list += "<m n='" + n.toUtf8() + "'><c>c</c><i>0,0</i></m>";
    writeInPlace(dir_.filePath(QStringLiteral("db.xml")), list + "</r>");
  }
  void layout(const QString& name, const std::vector<CellType>& cells) {
    std::vector<TextType> corners(5);
    corners[1].s = "corner of " + name;
    const QString path = file(name + ".bln");
    writeInPlace(path, encodeBlockLayout(corners, cells, path));
  }
  void cells(const QString& name, const std::vector<CellType>& cells) {
    const QString path = file(name + ".dat");
    writeInPlace(path, encodeCellFile(cells, static_cast<long>(cells.size()), path));
  }

 private:
  QTemporaryDir dir_;
};

// The layouts and the object's state after SaveMod equal what a fresh object's rebuild of
// every layout gives from the same files.
void expectAsFullRebuild(CAD& cad, const Folder& folder) {
  QTemporaryDir copy;
  ASSERT_TRUE(copy.isValid());
  ASSERT_TRUE(QFile::copy(folder.path() + "/db.xml", copy.filePath(QStringLiteral("db.xml"))));
  QDir(copy.path()).mkdir(QStringLiteral("mod"));
  const QStringList files = QDir(folder.path() + "/mod").entryList(QDir::Files);
  for (const QString& f : files)
    ASSERT_TRUE(QFile::copy(folder.file(f), copy.filePath("mod/" + f)));
  CAD fresh;
  fresh.setModPath(copy.path());
  Access::makeCellXml(fresh);
  for (const QString& f : files) {
    if (!f.endsWith(QLatin1String(".bln"))) continue;
    EXPECT_EQ(readAll(folder.file(f)), readAll(copy.filePath("mod/" + f))) << f.toStdString();
  }
  EXPECT_EQ(cad.ModCount(), fresh.ModCount());
  EXPECT_EQ(Access::cellNum(cad), Access::cellNum(fresh));
  EXPECT_EQ(Access::cells(cad), Access::cells(fresh));
  const auto& mine = Access::cornerTexts(cad);
  const auto& theirs = Access::cornerTexts(fresh);
  ASSERT_EQ(mine.size(), theirs.size());
  for (std::size_t i = 0; i < mine.size(); ++i) EXPECT_EQ(mine[i].s, theirs[i].s) << i;
}

// The key of the first layout cell of template `name`: the text of its "KEY/Text".
QString firstKey(const Folder& folder, const QString& name) {
  const BlockLayout layout =
      decodeBlockLayout(readAll(folder.file(name + ".bln")), folder.file(name + ".bln"));
  if (layout.cells.empty()) return QStringLiteral("<no cell>");
  const QString& s = layout.cells[0].s;
  const qsizetype from = s.indexOf(QLatin1String("<KEY><Text>")) + 11;
  return s.mid(from, s.indexOf(QLatin1String("</Text>"), from) - from);
}

class CellXmlRebuild : public ::testing::Test {
 protected:
  void SetUp() override {
    // 号 occurs once over all layouts, so it keys 图号; 图 and 设 occur twice.
    folder.layout("T1", {cell(0, 50, 30, 40, kLabelCellOrder, QStringLiteral("图号"))});
    folder.layout("T2", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("设计图"))});
    folder.layout("T3", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("设比"))});
    folder.layout("T4", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("日期"))});
    for (const char* n : {"T2", "T3", "T4"}) folder.cells(n, {cell(0, 0, 10, -10, 3, "v")});
    cad.setModPath(folder.path());
  }
  void save(const QString& name, std::vector<CellType> cells) {
    cad.ReadMod(name);
    Access::cellNum(cad) = static_cast<long>(cells.size());
    Access::cells(cad) = std::move(cells);
    cad.SaveMod(name);
  }
  Folder folder{{"T1", "T2", "T3", "T4"}};
  CAD cad;
};

TEST_F(CellXmlRebuild, SavesAfterChangesBehindTheObjectsBack) {
  // The cell below 图号 (its top on the layout cell's bottom) becomes its position.
  save("T1", {cell(0, 40, 30, 30, 3, "a")});
  EXPECT_EQ(firstKey(folder, "T1"), "号");
  expectAsFullRebuild(cad, folder);

  // T2's cell file gains a cell under its layout cell, written in place.
  folder.cells("T2", {cell(0, 0, 10, -10, 3, "v"), cell(0, 0, 10, -5, 4, "w")});
  save("T4", {cell(0, 0, 10, -10, 3, "v")});
  EXPECT_TRUE(readAll(folder.file("T2.bln")).contains("<CellLine>1</CellLine>"));
  expectAsFullRebuild(cad, folder);

  // T3's layout now also holds 号: the counts change, and with them T1's key.
  folder.layout("T3", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("号比"))});
  save("T4", {cell(0, 0, 10, -10, 3, "v")});
  EXPECT_EQ(firstKey(folder, "T1"), "图");
  expectAsFullRebuild(cad, folder);

  // A template added to the list counts too: 图 occurs three times, 号 twice.
  folder.layout("T5", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("图"))});
  folder.setList({"T1", "T2", "T3", "T4", "T5"});
  save("T2", {cell(0, 0, 10, -10, 3, "v")});
  EXPECT_EQ(firstKey(folder, "T1"), "号");
  expectAsFullRebuild(cad, folder);

  // And one dropped from it no longer counts: 图 and 号 occur twice each.
  folder.setList({"T1", "T2", "T3", "T4"});
  save("T2", {cell(0, 0, 10, -10, 3, "v")});
  EXPECT_EQ(firstKey(folder, "T1"), "图");
  expectAsFullRebuild(cad, folder);
}

TEST_F(CellXmlRebuild, UnchangedLayoutsAreLeftInPlace) {
  save("T1", {cell(0, 40, 30, 30, 3, "a")});
  const Stamp t2 = stampOf(folder.file("T2.bln"));
  const Stamp t4 = stampOf(folder.file("T4.bln"));
  save("T1", {cell(0, 40, 30, 30, 3, "a")});
  for (const auto& [before, name] : {std::pair{t2, "T2.bln"}, std::pair{t4, "T4.bln"}}) {
    const Stamp after = stampOf(folder.file(name));
    EXPECT_EQ(after.inode, before.inode) << name;
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec) << name;
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec) << name;
  }
  expectAsFullRebuild(cad, folder);
}

TEST_F(CellXmlRebuild, AFailedRebuildIsRedoneWhole) {
  save("T1", {cell(0, 40, 30, 30, 3, "a")});
  // T3's layout changes the counts; T2's cell file is damaged, so the rebuild stops at T2,
  // after T1 and before T3.
  folder.layout("T3", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("号比"))});
  const QByteArray t2 = readAll(folder.file("T2.dat"));
  writeInPlace(folder.file("T2.dat"), "\x05");
  try {
    save("T1", {cell(0, 40, 30, 30, 3, "a")});
    ADD_FAILURE() << "a damaged cell file was read";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(std::string(e.what()).find("T2.dat"), std::string::npos) << e.what();
  }
  writeInPlace(folder.file("T2.dat"), t2);
  save("T1", {cell(0, 40, 30, 30, 3, "a")});
  EXPECT_TRUE(readAll(folder.file("T3.bln")).contains("<KEY>"));
  expectAsFullRebuild(cad, folder);
}

// A layout marked read-only is not rewritten by the rebuild that a save runs: the save fails
// naming it, and the layout stays as it was.
TEST_F(CellXmlRebuild, ALayoutMarkedReadOnlyIsNotRewritten) {
  const QByteArray t2 = readAll(folder.file("T2.bln"));
  ASSERT_TRUE(QFile::setPermissions(folder.file("T2.bln"), QFile::ReadOwner | QFile::ReadGroup));
  try {
    save("T1", {cell(0, 40, 30, 30, 3, "a")});
    ADD_FAILURE() << "a read-only layout was rewritten";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description(),
              "Existing file \"" + folder.file("T2.bln").toStdString() + "\" is not writable");
  }
  EXPECT_EQ(readAll(folder.file("T2.bln")), t2);
}

TEST_F(CellXmlRebuild, AnotherTemplateFolder) {
  save("T1", {cell(0, 40, 30, 30, 3, "a")});
  // The same names in another folder, where 号 occurs twice and no cell lies under 图号.
  Folder other({"T1", "T2"});
  other.layout("T1", {cell(0, 50, 30, 40, kLabelCellOrder, QStringLiteral("图号"))});
  other.layout("T2", {cell(0, 10, 10, 0, kLabelCellOrder, QStringLiteral("号"))});
  cad.setModPath(other.path());
  save("T2", {});
  EXPECT_EQ(firstKey(other, "T1"), "图");
  expectAsFullRebuild(cad, other);
}

}  // namespace
}  // namespace tarvik
