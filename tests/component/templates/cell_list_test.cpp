// The working cell list of CAD: loading and saving cell files, editing cells, and the cell
// order of ModSort.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/cell_file.h>
#include <tarvik/cell_sort.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "other_user.h"
#include "qstring_printer.h"
#include "templates_test_access.h"

namespace tarvik {
namespace {

using Access = TemplatesTestAccess;

class CellList : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    cad.setModPath(tmp.path());
  }
  QString datPath(const QString& name) const { return tmp.path() + "/mod/" + name + ".dat"; }
  void add(const CellType& c) { cad.newCell(c.name, c.T, c.s, c.P1, c.P2); }

  QTemporaryDir tmp;
  CAD cad;
};

TEST_F(CellList, MissingOrEmptyTemplateGivesAnEmptyList) {
  cad.newCell("left over");
  EXPECT_TRUE(cad.ReadMod("none").empty());
  EXPECT_EQ(cad.CellCount(), -1);
  EXPECT_FALSE(QFileInfo::exists(datPath("none")));  // reading creates nothing

  ASSERT_TRUE(writeBytes(datPath("empty"), {}));
  EXPECT_TRUE(cad.ReadMod("empty").empty());
  EXPECT_EQ(cad.CellCount(), -1);
}

TEST_F(CellList, NewCellAndEditing) {
  cad.ReadMod("none");
  EXPECT_EQ(cad.newCell(), 0);  // no arguments: an empty cell
  EXPECT_EQ(cad.CellCount(), 0);
  EXPECT_EQ(cad.Cell(0), CellType{});
  const int i = cad.newCell("名称", 2, "文字", Variant::point(1, 2, 0));
  EXPECT_EQ(i, 1);
  EXPECT_EQ(cad.CellCount(), i);
  EXPECT_EQ(cad.Cell(1).P1, Variant::point(1, 2, 0));
  EXPECT_TRUE(cad.Cell(1).P2.isEmpty());

  // SetCell always sets name, T and s (omitted ones empty), the points only when given.
  const CellType changed = cad.SetCell(1, "n");
  EXPECT_EQ(changed.name, "n");
  EXPECT_EQ(changed.T, 0);
  EXPECT_TRUE(changed.s.isEmpty());
  EXPECT_EQ(changed.P1, Variant::point(1, 2, 0));
  EXPECT_EQ(cad.SetCell(1, "n", 4, "s", std::nullopt, Variant::point(5, 6, 0)).P2,
            Variant::point(5, 6, 0));
  const CellType replacement = cellAt("r", 0, 0, 1, 1, 7, "t");
  EXPECT_EQ(cad.SetCell_NEW(0, replacement), replacement);
  EXPECT_EQ(cad.Cell(0), replacement);

  EXPECT_THROW(cad.Cell(2), sheetcut::Error);
  EXPECT_THROW(cad.Cell(-1), sheetcut::Error);
  EXPECT_THROW(cad.SetCell(2, "x"), sheetcut::Error);
  EXPECT_THROW(cad.SetCell_NEW(-1, replacement), sheetcut::Error);
  EXPECT_THROW(cad.newCell("x", 40000), sheetcut::Error);  // T is a 16-bit number
  EXPECT_EQ(cad.CellCount(), 1);
}

TEST_F(CellList, SaveAndReadBackAnyNumberOfCells) {
  cad.ReadMod("big");
  for (int i = 0; i < 2500; ++i) {
    add(cellAt(QString("单元%1").arg(i), i, 0, i + 1, 5, static_cast<std::int16_t>(i % 3 + 1),
               "值"));
  }
  cad.SaveMod("big");
  const QByteArray first = fileBytes(datPath("big"));

  const std::vector<CellType> back = cad.ReadMod("big");
  ASSERT_EQ(back.size(), 2500u);
  EXPECT_EQ(cad.CellCount(), 2499);
  EXPECT_EQ(back[2499], cellAt("单元2499", 2499, 0, 2500, 5, 1, "值"));
  cad.SaveMod("big");
  EXPECT_EQ(fileBytes(datPath("big")), first);  // same cells, same bytes
}

TEST_F(CellList, TemplateFolderCopiedFromWindowsIsFoundWithoutRegardToCase) {
  QTemporaryDir other;
  ASSERT_TRUE(QDir(other.path()).mkdir("Mod"));
  ASSERT_TRUE(QDir(other.path()).mkdir("ModDwg"));
  cad.setModPath(other.path());
  cad.ReadMod("t");
  add(cellAt("a", 0, 0, 1, 1, 1));
  cad.SaveMod("t");
  EXPECT_TRUE(QFileInfo::exists(other.path() + "/Mod/t.dat"));
  EXPECT_FALSE(QFileInfo::exists(other.path() + "/mod"));
  EXPECT_EQ(cad.ReadMod("t").size(), 1u);
}

TEST_F(CellList, DamagedFileFailsAndKeepsTheList) {
  cad.ReadMod("x");
  add(cellAt("kept", 0, 0, 1, 1, 1));
  cad.SaveMod("good");
  const QByteArray good = fileBytes(datPath("good"));
  ASSERT_TRUE(writeBytes(datPath("bad"), good + good.left(good.size() - 3)));
  try {
    cad.ReadMod("bad");
    FAIL() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(e.description().find("bad.dat"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("record 2"), std::string::npos) << e.description();
  }
  EXPECT_EQ(cad.CellCount(), 0);
  EXPECT_EQ(cad.Cell(0).name, "kept");
}

TEST_F(CellList, FailingSaveLeavesTheOldFileWhole) {
  cad.ReadMod("t");
  add(cellAt("a", 0, 0, 1, 1, 1, "old"));
  cad.SaveMod("t");
  const QByteArray old = fileBytes(datPath("t"));

  // A text the record form cannot hold fails the save before anything is written.
  cad.SetCell(0, "a", 1, QString(70000, u'x'));
  EXPECT_THROW(cad.SaveMod("t"), sheetcut::Error);
  EXPECT_EQ(fileBytes(datPath("t")), old);

  // A save whose target cannot be replaced fails too and leaves what was there.
  ASSERT_TRUE(QDir().mkdir(datPath("dir")));
  cad.SetCell(0, "a", 1, "new");
  EXPECT_THROW(cad.SaveMod("dir"), sheetcut::Error);
  EXPECT_TRUE(QFileInfo(datPath("dir")).isDir());

  // Without the "mod" folder the save fails naming the file.
  ASSERT_TRUE(QDir(tmp.path() + "/mod").removeRecursively());
  try {
    cad.SaveMod("t");
    FAIL() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(e.description().find("t.dat"), std::string::npos) << e.description();
  }
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A cell file the user may not write, or one marked read-only, is not replaced, though the
// folder would let the rename replace it: the save fails naming the file, which stays.
TEST_F(CellList, SaveLeavesAFileTheUserMayNotWrite) {
  cad.ReadMod("t");
  add(cellAt("a", 0, 0, 1, 1, 1, "old"));
  cad.SaveMod("t");
  const QByteArray old = fileBytes(datPath("t"));
  ASSERT_TRUE(QFile::setPermissions(datPath("t"), QFile::ReadOwner | QFile::ReadGroup));
  cad.SetCell(0, "a", 1, "new");
  const auto refusal = [&](const QString& name) {
    try {
      cad.SaveMod(name);
    } catch (const sheetcut::Error& e) {
      return e.description();
    }
    return std::string("saved");
  };
  EXPECT_EQ(refusal("t"), "Existing file \"" + datPath("t").toStdString() + "\" is not writable");
  EXPECT_EQ(fileBytes(datPath("t")), old);

  // As a user other than the file's owner, in a folder of the user's own.
  const sheetcut::testing::OtherUser nobody;
  SHEETCUT_REQUIRE_OTHER_USER(nobody);
  ASSERT_TRUE(writeBytes(datPath("others"), old));
  for (const QString& path : {tmp.path(), tmp.path() + "/mod"}) {
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), nobody.uid(), nobody.gid()), 0);
  }
  EXPECT_EQ(nobody.run([&] { return refusal("others"); }),
            "Existing file \"" + datPath("others").toStdString() + "\" is not writable");
  EXPECT_EQ(fileBytes(datPath("others")), old);
}

// A team's cell file, writable by its group in a folder the group may not write, is saved by a
// member into the file itself: it keeps its owner, group and mode.
TEST_F(CellList, SaveWritesATeamsCellFileItMayNotReplace) {
  const sheetcut::testing::OtherUser member(65534, 65534, {50});
  SHEETCUT_REQUIRE_OTHER_USER(member);
  cad.ReadMod("team");
  add(cellAt("a", 0, 0, 1, 1, 1, "old"));
  cad.SaveMod("team");
  const QByteArray old = fileBytes(datPath("team"));
  const std::string dat = QFile::encodeName(datPath("team")).toStdString();
  ASSERT_EQ(::chown(dat.c_str(), 1, 50), 0);
  ASSERT_EQ(::chmod(dat.c_str(), 0664), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path() + "/mod").constData(), 0755), 0);
  cad.SetCell(0, "a", 1, "new");
  EXPECT_EQ(member.run([&] {
    cad.SaveMod("team");
    return std::string("saved");
  }),
            "saved");
  EXPECT_NE(fileBytes(datPath("team")), old);
  struct stat st {};
  ASSERT_EQ(::stat(dat.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1u);
  EXPECT_EQ(st.st_gid, 50u);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
}

// ---- Cell order

std::vector<QString> names(const std::vector<CellType>& cells) {
  std::vector<QString> out;
  for (const CellType& c : cells) out.push_back(c.name + QString::number(c.T));
  return out;
}

TEST(CellSort, CellsNamedAlikeAreNumberedFromTheTopAndComeFirst) {
  std::vector<CellType> cells = {
      cellAt("single", 0, 100, 10, 110), cellAt("row", 0, 20, 10, 30),  // top 30
      cellAt("row", 0, 0, 10, 10),                                      // top 10
      cellAt("row", 0, 10, 10, 20),                                     // top 20
  };
  sortCells(cells, 4);
  EXPECT_EQ(names(cells), (std::vector<QString>{"row1", "row2", "row3", "single9009"}));
  EXPECT_DOUBLE_EQ(cells[0].P2.coordinate(1), 30);
  EXPECT_DOUBLE_EQ(cells[2].P2.coordinate(1), 10);
}

TEST(CellSort, CornersAreNormalisedAndZIsKept) {
  std::vector<CellType> cells = {
      {"a", Variant::point(10, 5, 7), Variant::point(0, 20, 8), 0, ""},
      {"b", Variant::variants({Variant::fromInteger(4), Variant::fromDouble(1)}),
       Variant::variants({Variant::fromDouble(2), Variant::fromDouble(3)}), 0, ""},
  };
  sortCells(cells, 2);
  const CellType& a = cells[0].name == "a" ? cells[0] : cells[1];
  EXPECT_EQ(a.P1, Variant::point(0, 5, 7));
  EXPECT_EQ(a.P2, Variant::point(10, 20, 8));
  const CellType& b = cells[0].name == "b" ? cells[0] : cells[1];
  EXPECT_EQ(b.P1, Variant::variants({Variant::fromDouble(2), Variant::fromDouble(1)}));
  EXPECT_EQ(b.P2, Variant::variants({Variant::fromDouble(4), Variant::fromDouble(3)}));
}

TEST(CellSort, OneLineRunsLeftToRightWithinTheTolerance) {
  // Two names with two cells each, so every cell gets T 1 or 2.
  std::vector<CellType> cells = {
      cellAt("a", 50, 0, 60, 10),
      cellAt("b", 10, -0.05, 20, 10),  // one line, b left
      cellAt("a", 50, -30, 60, -20),
      cellAt("b", 10, -30.2, 20, -20),
  };
  sortCells(cells, 4);
  // T 1: b is left of a on one line (its lower edge 0.05 lower). T 2: the lower edges are 0.2
  // apart, so the higher one (a) comes first although it is right of b.
  EXPECT_EQ(names(cells), (std::vector<QString>{"b1", "a1", "a2", "b2"}));
}

TEST(CellSort, EmptyNamesAreNeitherCountedNorNumbered) {
  std::vector<CellType> cells = {cellAt("", 0, 0, 1, 1, 5), cellAt("x", 0, 0, 1, 1),
                                 cellAt("", 0, 2, 1, 3, 6)};
  sortCells(cells, 3);
  EXPECT_EQ(names(cells), (std::vector<QString>{"5", "6", "x9009"}));
}

TEST(CellSort, ManyDistinctNames) {
  std::vector<CellType> cells;
  for (int i = 0; i < 500; ++i) cells.push_back(cellAt(QString("n%1").arg(i), i, 0, i + 1, 1));
  cells.push_back(cellAt("n7", 7, 5, 8, 6));
  sortCells(cells, static_cast<long>(cells.size()));
  EXPECT_EQ(cells[0].name + QString::number(cells[0].T), "n71");
  EXPECT_EQ(cells[1].name + QString::number(cells[1].T), "n72");
  EXPECT_EQ(cells.back().T, kLabelCellOrder);
}

TEST(CellSort, CellWithoutPointsFailsAndChangesNothing) {
  std::vector<CellType> cells = {cellAt("a", 5, 5, 0, 0),
                                 cellAt("a", 0, 10, 1, 11),
                                 {"b", Variant::fromDouble(1), Variant::point(0, 0, 0), 0, ""}};
  const std::vector<CellType> before = cells;
  EXPECT_THROW(sortCells(cells, 3), sheetcut::Error);
  EXPECT_EQ(cells, before);
  cells[2].P1 = Variant::doubles({1});  // one element: no y
  const std::vector<CellType> second = cells;
  EXPECT_THROW(sortCells(cells, 3), sheetcut::Error);
  EXPECT_EQ(cells, second);
}

TEST_F(CellList, ModSortWithSaveWritesOnlyNumberedCells) {
  cad.ReadMod("t");
  add(cellAt("row", 0, 0, 10, 10));
  add(cellAt("title", 0, 50, 10, 60));
  add(cellAt("row", 0, 10, 10, 20));
  add(cellAt("row(已删)", 0, 30, 10, 40));
  add(cellAt("row(已删)", 0, 40, 10, 45));
  cad.SaveMod("t");
  ASSERT_EQ(cad.ReadMod("t").size(), 3u);  // the deleted ones are not written

  cad.ModSort("t", true);
  EXPECT_EQ(names(Access::cells(cad)), (std::vector<QString>{"row1", "row2", "title9009"}));
  const std::vector<CellType> back = cad.ReadMod("t");
  EXPECT_EQ(names(back), (std::vector<QString>{"row1", "row2"}));
}

TEST_F(CellList, ModsSortSortsTheListInMemoryOncePerTemplate) {
  ASSERT_TRUE(writeBytes(tmp.path() + "/db.xml",
                         "<r><m n='a'><c>x</c><p/></m><m n='b'><c>x</c><p/></m></r>"));
  cad.ReadMod("none");
  add(cellAt("r", 0, 0, 1, 1));
  add(cellAt("r", 0, 5, 1, 6));
  cad.ModsSort();
  EXPECT_EQ(cad.ModCount(), 2);
  EXPECT_EQ(names(Access::cells(cad)), (std::vector<QString>{"r1", "r2"}));
  EXPECT_FALSE(QFileInfo::exists(datPath("a")));  // nothing is loaded or saved
}

}  // namespace
}  // namespace tarvik
