// Block layout files: reference texts and label cells, written and read back through CAD.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/block_layout_file.h>
#include <tarvik/cad.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "qstring_printer.h"
#include "templates_test_access.h"

namespace tarvik {
namespace {

using Access = TemplatesTestAccess;

class BlockLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    cad.setModPath(tmp.path());
    Access::cornerTexts(cad) = {TextType{},
                                {1.5, 20, 2.5, 100, "图号"},
                                {80, 95, 2.5, 100, "比例"},
                                {80, 95, 2.5, 3, "设计"},
                                {0, 10, 3.5, 3, "A"}};
  }
  QString blnPath(const QString& name) const { return tmp.path() + "/mod/" + name + ".bln"; }

  QTemporaryDir tmp;
  CAD cad;
};

void expectSameTexts(const std::vector<TextType>& a, const std::vector<TextType>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a[i].XL, b[i].XL);
    EXPECT_EQ(a[i].XR, b[i].XR);
    EXPECT_EQ(a[i].H, b[i].H);
    EXPECT_EQ(a[i].Y, b[i].Y);
    EXPECT_EQ(a[i].s, b[i].s);
  }
}

TEST_F(BlockLayoutTest, SaveKeepsLabelCellsWithTextInOrder) {
  auto& cells = Access::cells(cad);
  cells = {cellAt("图号", 0, 0, 10, 5, kLabelCellOrder, "图号"),
           cellAt("row", 0, 5, 10, 10, 1, "x"),
           cellAt("empty label", 0, 10, 10, 15, kLabelCellOrder, ""),
           cellAt("row", 0, 15, 10, 20, 2, "y"),
           cellAt("比例", 10, 0, 20, 5, kLabelCellOrder, "1:100"),
           cellAt("past the count", 0, 0, 1, 1, kLabelCellOrder, "z")};
  Access::cellNum(cad) = 5;
  const std::vector<TextType> texts = Access::cornerTexts(cad);
  Access::saveBlockLayout(cad, "标题栏");

  Access::cornerTexts(cad).clear();
  const std::vector<CellType> back = Access::readBlockLayout(cad, "标题栏");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], cells[0]);
  EXPECT_EQ(back[1], cells[4]);
  expectSameTexts(Access::cornerTexts(cad), texts);
  // Reading twice gives the same.
  EXPECT_EQ(Access::readBlockLayout(cad, "标题栏"), back);

  // A layout named in another case is the same file, read and saved again.
  Access::saveBlockLayout(cad, "tk_a3");
  EXPECT_EQ(Access::readBlockLayout(cad, "TK_A3"), back);
  Access::saveBlockLayoutEx(cad, "Tk_A3", {});
  EXPECT_TRUE(Access::readBlockLayout(cad, "tk_a3").empty());
  EXPECT_EQ(QDir(tmp.path() + "/mod").entryList({"tk_a3.bln"}, QDir::Files),
            QStringList{"tk_a3.bln"});
}

TEST_F(BlockLayoutTest, ReferenceTextsTakeTheirAnsiByteCount) {
  Access::saveBlockLayoutEx(cad, "only texts", {});
  // Five records of 34 bytes plus texts "图号", "比例", "设计" (4 bytes each in CP936), "A".
  EXPECT_EQ(fileBytes(blnPath("only texts")).size(), 5 * 34 + 3 * 4 + 1);
  const std::vector<TextType> texts = Access::cornerTexts(cad);
  EXPECT_TRUE(Access::readBlockLayout(cad, "only texts").empty());
  expectSameTexts(Access::cornerTexts(cad), texts);
}

TEST_F(BlockLayoutTest, EveryCellIsWrittenByTheExtendedSave) {
  const std::vector<CellType> cells = {cellAt("a", 0, 0, 1, 1, 1, ""),
                                       {"b", Variant(), Variant::fromString("p"), 9009, "s"}};
  Access::saveBlockLayoutEx(cad, "all", cells);
  EXPECT_EQ(Access::readBlockLayout(cad, "all"), cells);
}

TEST_F(BlockLayoutTest, MissingLayoutIsEmptyAndNotCreated) {
  Access::cornerTexts(cad).clear();
  EXPECT_TRUE(Access::readBlockLayout(cad, "missing").empty());
  EXPECT_FALSE(QFileInfo::exists(blnPath("missing")));
  expectSameTexts(Access::cornerTexts(cad), std::vector<TextType>(5));

  // The empty files older versions left behind read the same way.
  ASSERT_TRUE(writeBytes(blnPath("empty"), {}));
  EXPECT_TRUE(Access::readBlockLayout(cad, "empty").empty());
  EXPECT_EQ(Access::cornerTexts(cad).size(), 5u);
}

TEST_F(BlockLayoutTest, NotAllCornerTextsSetWritesEmptyOnes) {
  Access::cornerTexts(cad).resize(2);
  Access::saveBlockLayoutEx(cad, "short", {cellAt("a", 0, 0, 1, 1, 9009, "a")});
  EXPECT_EQ(Access::readBlockLayout(cad, "short").size(), 1u);
  EXPECT_EQ(Access::cornerTexts(cad)[1].s, "图号");
  EXPECT_TRUE(Access::cornerTexts(cad)[4].s.isEmpty());
}

TEST_F(BlockLayoutTest, DamagedLayoutFailsAndKeepsTheCornerTexts) {
  Access::saveBlockLayoutEx(cad, "good", {cellAt("a", 0, 0, 1, 1, 9009, "a")});
  const QByteArray good = fileBytes(blnPath("good"));
  const struct {
    const char* what;
    QByteArray data;
    const char* expect;
  } cases[] = {
      {"shorter than the texts", good.left(100), "reference text 3"},
      {"cell cut short", good.left(good.size() - 1), "cell 1"},
      {"stray bytes", good + "xyz", "cell 2"},
  };
  Access::cornerTexts(cad) = {TextType{1, 2, 3, 4, "kept"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(writeBytes(blnPath("bad"), c.data));
    try {
      Access::readBlockLayout(cad, "bad");
      ADD_FAILURE() << "no error";
    } catch (const sheetcut::Error& e) {
      EXPECT_NE(e.description().find("bad.bln"), std::string::npos) << e.description();
      EXPECT_NE(e.description().find(c.expect), std::string::npos) << e.description();
    }
    ASSERT_EQ(Access::cornerTexts(cad).size(), 1u);
    EXPECT_EQ(Access::cornerTexts(cad)[0].s, "kept");
  }
}

TEST_F(BlockLayoutTest, FailingSaveLeavesTheOldLayout) {
  Access::saveBlockLayoutEx(cad, "t", {cellAt("a", 0, 0, 1, 1, 9009, "a")});
  const QByteArray old = fileBytes(blnPath("t"));
  Access::cornerTexts(cad)[2].s = QString(40000, QChar(0x4E2D));  // 80000 bytes in CP936
  EXPECT_THROW(Access::saveBlockLayoutEx(cad, "t", {}), sheetcut::Error);
  EXPECT_EQ(fileBytes(blnPath("t")), old);
  EXPECT_EQ(QDir(tmp.path() + "/mod").entryList(QDir::Files | QDir::Hidden), QStringList{"t.bln"});
}

}  // namespace
}  // namespace tarvik
