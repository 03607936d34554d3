// Real title blocks (the GOST sheets of Debian's librecad-data) read by the window scan and the
// label finder, checked against what python3-ezdxf reads from the same files: every cell that
// the sheet's ruling lines bound comes back, upright, moved far from the origin and turned under
// a named coordinate system, with every text that runs along the sheet inside it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>

#include "drawing_fixture.h"
#include "qstring_printer.h"
#include "recognition_test_access.h"

namespace tarvik {
namespace {

using Access = RecognitionTestAccess;
using recogtest::Box;
using recogtest::Host;

constexpr const char* kSheetFolder = "/usr/share/librecad/library/sheets";
// The sheets that carry texts; the others draw their lettering with lines.
constexpr const char* kSheets[] = {"A4",        "A1_1_draw", "A1_2_draw", "A2_1_draw",
                                   "A2_2_draw", "A3_1_draw", "A3_2_draw", "A4_1_draw",
                                   "A4_1_text", "A4_2_draw", "A4_2_text"};
// The least cell side the scan finds at its base tolerance of 1.
constexpr double kLeastSide = 5;

struct Table {
  Box box;  // left, bottom, right, top
  std::vector<Box> cells;
  std::vector<QStringList> texts;  // per cell, ezdxf's plain texts
};

struct Copy {
  QString kind, file;
  double dx = 0, dy = 0, degrees = 0;
};

struct Sheet {
  QString name;
  std::vector<Copy> copies;  // the sheet itself first
  std::vector<Table> tables;
  std::map<std::string, QString> mtexts;  // handle -> ezdxf's plain text without line breaks
};

QString withoutBlanks(QString s) {
  s.remove(QRegularExpression(QStringLiteral("\\s")));
  return s;
}

class SheetScanTest : public recogtest::SuiteDrawings<SheetScanTest> {
 protected:
  static void SetUpTestSuite() {
    if (!QFileInfo::exists(QString::fromUtf8(kSheetFolder))) return;
    QStringList args{QStringLiteral(SHEET_CELLS_SCRIPT), dir().path(), QString::number(kLeastSide)};
    for (const char* s : kSheets) {
      args << QDir(QString::fromUtf8(kSheetFolder)).filePath(QString::fromUtf8(s) + ".dxf");
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), args);
    if (!python.waitForFinished(300000) || python.exitCode() != 0) {
      failure_ = std::string("sheet_cells.py failed: ")
                     .append(python.readAllStandardError().toStdString());
      return;
    }
    std::istringstream in(python.readAllStandardOutput().toStdString());
    std::string line;
    while (std::getline(in, line)) read(line);
  }
  static void TearDownTestSuite() {
    sheets_.clear();
    recogtest::SuiteDrawings<SheetScanTest>::TearDownTestSuite();
  }

  void SetUp() override {
    if (!QFileInfo::exists(QString::fromUtf8(kSheetFolder))) {
      GTEST_SKIP() << "the sheets of librecad-data are not installed (" << kSheetFolder << ")";
    }
    ASSERT_EQ(failure_, "");
    ASSERT_EQ(sheets_.size(), std::size(kSheets));
  }

  static std::vector<Sheet> sheets_;

 private:
  static void read(const std::string& line) {
    std::istringstream f(line);
    std::string kind;
    f >> kind;
    if (kind == "sheet") {
      std::string name;
      f >> name;
      Sheet s;
      s.name = QString::fromStdString(name);
      s.copies.push_back(
          {QStringLiteral("upright"),
           QDir(QString::fromUtf8(kSheetFolder)).filePath(s.name + QStringLiteral(".dxf"))});
      sheets_.push_back(std::move(s));
    } else if (kind == "copy") {
      std::string what, file;
      Copy c;
      f >> what >> file >> c.dx >> c.dy >> c.degrees;
      c.kind = QString::fromStdString(what);
      c.file = QString::fromStdString(file);
      sheets_.back().copies.push_back(c);
    } else if (kind == "table") {
      int t;
      Table table;
      f >> t >> table.box.l >> table.box.b >> table.box.r >> table.box.t;
      sheets_.back().tables.push_back(table);
    } else if (kind == "cell") {
      int t, c;
      Box b;
      f >> t >> c >> b.l >> b.t >> b.r >> b.b;
      sheets_.back().tables.back().cells.push_back(b);
      sheets_.back().tables.back().texts.emplace_back();
    } else if (kind == "mtext") {
      std::string handle, hex;
      f >> handle >> hex;
      sheets_.back().mtexts[handle] =
          QString::fromUtf8(QByteArray::fromHex(QByteArray::fromStdString(hex.substr(1))));
    } else if (kind == "text") {
      int t, c;
      f >> t >> c;
      std::string rest;
      std::getline(f, rest);
      sheets_.back().tables.back().texts.back() << QString::fromStdString(rest).trimmed();
    }
  }

  static inline std::string failure_;
};

std::vector<Sheet> SheetScanTest::sheets_;

// The scanned cell whose corners lie within 1e-6 of the expected ones, or null.
const CellType* cellAt(const std::vector<CellType>& cells, const Box& want) {
  for (const CellType& c : cells) {
    const Point3d a = c.P1.toPoint(), b = c.P2.toPoint();
    if (std::fabs(a[0] - want.l) < 1e-6 && std::fabs(a[1] - want.t) < 1e-6 &&
        std::fabs(b[0] - want.r) < 1e-6 && std::fabs(b[1] - want.b) < 1e-6) {
      return &c;
    }
  }
  return nullptr;
}

// Scans every table of every sheet in one of its copies (window and cells in the sheet's own
// coordinates) and expects each of its cells with each of its texts.
void expectEveryTable(const std::vector<Sheet>& sheets, const QString& kind) {
  int cellsChecked = 0, textsChecked = 0;
  for (const Sheet& sheet : sheets) {
    const Copy* copy = nullptr;
    for (const Copy& c : sheet.copies) {
      if (c.kind == kind) copy = &c;
    }
    ASSERT_NE(copy, nullptr) << sheet.name.toStdString();
    Host h;
    h.open(copy->file.toStdString());
    double ox = copy->dx, oy = copy->dy;
    if (copy->degrees != 0) {
      // The copy's own coordinate system: the scan's window and cells are in it.
      Access::setFrameUcs(h.cad, {copy->dx, copy->dy, 0}, copy->degrees * std::numbers::pi / 180,
                          QStringLiteral("FRAME"));
      ox = oy = 0;
    }
    for (std::size_t t = 0; t < sheet.tables.size(); ++t) {
      const Table& table = sheet.tables[t];
      const std::vector<CellType> cells =
          Access::anWinTable(h.cad, Point3d{table.box.l - 1 + ox, table.box.b - 1 + oy, 0},
                             Point3d{table.box.r + 1 + ox, table.box.t + 1 + oy, 0});
      for (std::size_t c = 0; c < table.cells.size(); ++c) {
        const Box& b = table.cells[c];
        std::ostringstream whereText;
        whereText << sheet.name.toStdString() << " " << kind.toStdString() << " table " << t
                  << " cell " << b.l << "," << b.t << " " << b.r << "," << b.b;
        const std::string where = whereText.str();
        const CellType* got = cellAt(cells, {b.l + ox, b.t + oy, b.r + ox, b.b + oy});
        ++cellsChecked;
        if (got == nullptr) {
          ADD_FAILURE() << "missing " << where;
          continue;
        }
        for (const QString& text : table.texts[c]) {
          ++textsChecked;
          EXPECT_TRUE(withoutBlanks(got->name).contains(withoutBlanks(text)))
              << where << ": \"" << text.toStdString() << "\" not in \"" << got->name.toStdString()
              << "\"";
        }
      }
    }
  }
  // Every sheet has its title block with its labels.
  EXPECT_GE(cellsChecked, 11 * 30);
  EXPECT_GE(textsChecked, 11 * 4);
}

TEST_F(SheetScanTest, EveryCellAndTextOfTheTitleBlocksUpright) {
  expectEveryTable(sheets_, QStringLiteral("upright"));
}

TEST_F(SheetScanTest, EveryCellAndTextFarFromTheOrigin) {
  expectEveryTable(sheets_, QStringLiteral("moved"));
}

TEST_F(SheetScanTest, EveryCellAndTextOfATurnedSheetUnderANamedSystem) {
  expectEveryTable(sheets_, QStringLiteral("turned"));
}

// The plain text of every MTEXT, escapes cut in two by a chunk boundary included.
TEST_F(SheetScanTest, PlainTextOfEveryMTextAsEzdxfReadsIt) {
  Host h;
  std::size_t checked = 0;
  for (const Sheet& sheet : sheets_) {
    cadhost::Document doc = h.open(sheet.copies.front().file.toStdString());
    for (const cadhost::Entity& e : doc.modelSpace().entities()) {
      if (e.dxfType() != "MTEXT") continue;
      const auto want = sheet.mtexts.find(e.handle());
      ASSERT_NE(want, sheet.mtexts.end()) << sheet.name.toStdString() << " " << e.handle();
      EXPECT_EQ(h.cad.GetMTextStr(QString::fromStdString(e.textString())), want->second)
          << sheet.name.toStdString() << " " << e.handle();
      ++checked;
    }
    doc.close(false);
  }
  std::size_t all = 0;
  for (const Sheet& s : sheets_) all += s.mtexts.size();
  EXPECT_EQ(checked, all);
  EXPECT_GT(checked, 400u);
}

// A4.dxf's stamp under a window that the ruling lines of the sheet's table cross (their far
// ends lie outside it): its 34 cells, the 5-unit rows of the stamp included.
TEST_F(SheetScanTest, WindowOverTheStampOfATableSheet) {
  const Sheet& a4 = sheets_.front();
  ASSERT_EQ(a4.name, "A4");
  Host h;
  h.open(a4.copies.front().file.toStdString());
  const auto cells = Access::anWinTable(h.cad, Point3d{18, 3, 0}, Point3d{207, 62, 0});
  int inside = 0;
  for (const Box& b : a4.tables.front().cells) {
    if (b.l < 18 || b.r > 207 || b.b < 3 || b.t > 62) continue;
    ++inside;
    EXPECT_NE(cellAt(cells, b), nullptr) << b.l << "," << b.t << " " << b.r << "," << b.b;
  }
  EXPECT_EQ(inside, 34);
}

// The label finder finds "N докум." (a text whose style the sheet does not define) in its
// cell of the stamp, in the sheet and in its turned copy, with the cell's shape.
TEST_F(SheetScanTest, LabelFinderFindsTheDocumentNumberLabel) {
  int found = 0;
  for (const Sheet& sheet : sheets_) {
    const Table* stamp = nullptr;
    std::size_t cell = 0;
    for (const Table& t : sheet.tables) {
      for (std::size_t c = 0; c < t.cells.size(); ++c) {
        for (const QString& text : t.texts[c]) {
          if (withoutBlanks(text) == QStringLiteral("Nдокум.")) {
            stamp = &t;
            cell = c;
          }
        }
      }
    }
    if (stamp == nullptr) continue;  // A4.dxf has no such label
    const Box& b = stamp->cells[cell];
    CellType label;
    label.name = QStringLiteral("Nдокум.");
    label.P1 = Variant::point(0, b.t - b.b, 0);
    label.P2 = Variant::point(b.r - b.l, 0, 0);
    label.s = QStringLiteral("<Root><KEY><Text>д</Text><Height>2.6</Height></KEY></Root>");
    for (const Copy& copy : sheet.copies) {
      if (copy.kind == "moved") continue;
      Host h;
      h.open(copy.file.toStdString());
      const QString result = h.cad.GetTextCell(label);
      const std::string where =
          sheet.name.toStdString().append(" ").append(copy.kind.toStdString());
      ASSERT_FALSE(result.isEmpty()) << where;
      const long k = result.section(u',', 0, 0).toLong();
      EXPECT_GE(k, 10000) << where << ": the cell's shape";
      const auto& labs = Access::labCells(h.cad);
      ASSERT_LT(static_cast<std::size_t>(k % 10000), labs.size()) << where;
      const LabCellType& lab = labs[static_cast<std::size_t>(k % 10000)];
      EXPECT_EQ(lab.Text, QStringLiteral("Nдокум.")) << where;
      EXPECT_NEAR(lab.Width, b.r - b.l, 1e-6) << where;
      EXPECT_NEAR(lab.Height, b.t - b.b, 1e-6) << where;
      const double a = copy.degrees * std::numbers::pi / 180;
      const Point3d lt = lab.LTPoint.toPoint();
      EXPECT_NEAR(lt[0], copy.dx + b.l * std::cos(a) - b.t * std::sin(a), 1e-6) << where;
      EXPECT_NEAR(lt[1], copy.dy + b.l * std::sin(a) + b.t * std::cos(a), 1e-6) << where;
      ++found;
    }
  }
  EXPECT_EQ(found, 2 * 10);
}

}  // namespace
}  // namespace tarvik
