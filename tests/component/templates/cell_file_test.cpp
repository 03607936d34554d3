// The binary record form and the template cell file: bytes built by hand read back as laid
// out, our writer produces the same bytes, and damaged data fails cleanly.

#include <gtest/gtest.h>

#include <sheetcut/ansi_codepage.h>
#include <sheetcut/error.h>
#include <tarvik/block_layout_file.h>
#include <tarvik/cad.h>
#include <tarvik/cell_file.h>
#include <tarvik/record_codec.h>

#include <QTemporaryDir>
#include <cstring>
#include <random>

#include "qstring_printer.h"
#include "templates_test_access.h"

namespace tarvik {
namespace {

// Little-endian byte builders for hand-made files.
void u16(QByteArray& b, std::uint16_t v) {
  b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
}
void i32(QByteArray& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i)
    b.append(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
}
void f64(QByteArray& b, double v) {
  char raw[8];
  std::memcpy(raw, &v, 8);
  b.append(raw, 8);
}
void pointOf3(QByteArray& b, double x, double y, double z) {
  u16(b, 0x2005);
  u16(b, 1);
  i32(b, 3);
  i32(b, 0);
  f64(b, x);
  f64(b, y);
  f64(b, z);
}

// One cell as the original system writes it: GBK name "图号", two three-double points, T 1,
// text "A1".
QByteArray handMadeRecord() {
  QByteArray b;
  u16(b, 4);
  b.append("\xCD\xBC\xBA\xC5", 4);
  pointOf3(b, 10, 20, 0);
  pointOf3(b, 110.5, 28, 0);
  u16(b, 1);
  u16(b, 2);
  b.append("A1");
  return b;
}

TEST(CellFile, HandMadeRecordReadsAsLaidOutAndWritesBackTheSameBytes) {
  const QByteArray bytes = handMadeRecord();
  ASSERT_EQ(bytes.size(), 78 + 4 + 2);  // 78 plus the name's and the text's bytes

  const std::vector<CellType> cells = decodeCellFile(bytes + bytes, "t.dat");
  ASSERT_EQ(cells.size(), 2u);
  const CellType& c = cells[0];
  EXPECT_EQ(c.name, "图号");
  EXPECT_EQ(c.P1.type(), Variant::kArray | Variant::kDouble);
  EXPECT_EQ(c.P1, Variant::point(10, 20, 0));
  EXPECT_DOUBLE_EQ(c.P2.coordinate(0), 110.5);
  EXPECT_EQ(c.T, 1);
  EXPECT_EQ(c.s, "A1");

  EXPECT_EQ(encodeCellFile(cells, 2, "t.dat"), bytes + bytes);
}

TEST(CellFile, VariantFormsRoundTripFieldForField) {
  std::vector<CellType> cells(6);
  cells[0] = {"标题栏", Variant::point(-1.25, 3e10, 7), Variant::point(0, 0, 0), 3, "中文 text"};
  cells[1] = {"", Variant(), Variant(), 0, ""};  // empty points: two bytes each
  cells[2] = {"scalars", Variant::fromDouble(2.5), Variant::fromString("文字"), -7, "x"};
  cells[3] = {"ints", Variant::fromInteger(-3), Variant::fromLong(123456), 2, ""};
  cells[4] = {"mixed",
              Variant::variants({Variant::fromDouble(1), Variant::fromString("二"), Variant()}),
              Variant::scalar(Variant::kSingle, 0.5), 1, ""};
  cells[5] = {"more",
              Variant::array(Variant::kString, {{2, 1}},
                             {Variant::fromString("a"), Variant::fromString("")}),
              Variant::fromBool(true), 32767, ""};

  const QByteArray bytes = encodeCellFile(cells, 6, "t.dat");
  EXPECT_EQ(decodeCellFile(bytes, "t.dat"), cells);

  // The empty cell alone: four empty texts and Variants, and T.
  EXPECT_EQ(encodeCellFile({cells[1]}, 1, "t.dat"), QByteArray(10, '\0'));
}

TEST(CellFile, SaveLeavesOutLabelAndDeletedCells) {
  std::vector<CellType> cells = {
      {"a", {}, {}, 1, ""}, {"b", {}, {}, kLabelCellOrder, ""}, {"c(已删)", {}, {}, 2, ""},
      {"d", {}, {}, 3, ""}, {"beyond count", {}, {}, 4, ""},
  };
  const std::vector<CellType> back = decodeCellFile(encodeCellFile(cells, 4, "t.dat"), "t.dat");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].name, "a");
  EXPECT_EQ(back[1].name, "d");
}

TEST(CellFile, DamagedDataFailsNamingFileAndRecord) {
  const QByteArray good = handMadeRecord();
  struct Case {
    const char* what;
    QByteArray data;
    const char* expect;
  };
  QByteArray badType = good;
  badType[6] = 0x09;  // P1 type word: an object reference
  badType[7] = 0x00;
  QByteArray longText = good;
  longText[0] = '\x40';  // name length far past the end
  QByteArray hugeArray = good;
  hugeArray[10] = '\xFF';  // P1 element count 0x7FFFFF03
  hugeArray[11] = '\xFF';
  hugeArray[12] = '\xFF';
  hugeArray[13] = '\x7F';
  // A corner of 1,000,000 empty values (2 bytes each in the file, far more each in memory).
  QByteArray manyEmpty;
  u16(manyEmpty, 0);  // the name: empty
  u16(manyEmpty, 0x200C);
  u16(manyEmpty, 1);
  i32(manyEmpty, 1000000);
  i32(manyEmpty, 0);
  manyEmpty.append(QByteArray(2000000, '\0'));
  pointOf3(manyEmpty, 1, 2, 0);
  u16(manyEmpty, 1);
  u16(manyEmpty, 0);
  const Case cases[] = {
      {"cut short", good + good.left(30), "record 2"},
      {"a million values", good + manyEmpty, "P1"},
      {"bad type", badType, "unknown Variant type 0x0009"},
      {"text past the end", longText, "record 1"},
      {"array past the end", good + hugeArray, "record 2"},
      {"one stray byte", good + QByteArray(1, '\0'), "record 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      (void)decodeCellFile(c.data, "/tm/x.dat");
      ADD_FAILURE() << "no error";
    } catch (const sheetcut::Error& e) {
      EXPECT_NE(e.description().find("/tm/x.dat"), std::string::npos) << e.description();
      EXPECT_NE(e.description().find(c.expect), std::string::npos) << e.description();
    }
  }
}

TEST(CellFile, TemplateWrittenElsewhereIsSavedWithTheSameBytes) {
  QTemporaryDir tmp;
  CAD cad;
  cad.setModPath(tmp.path());
  QByteArray bytes = handMadeRecord();
  bytes.append(handMadeRecord());
  ASSERT_TRUE(writeBytes(tmp.path() + "/mod/原.dat", bytes));
  ASSERT_EQ(cad.ReadMod("原").size(), 2u);
  EXPECT_EQ(cad.Cell(1).name, "图号");
  cad.SaveMod("复制");
  EXPECT_EQ(fileBytes(tmp.path() + "/mod/复制.dat"), bytes);
}

TEST(CellFile, TextsFollowTheAnsiCodePageSetting) {
  const std::vector<CellType> cells{{"café", {}, {}, 1, "图"}};
  EXPECT_EQ(encodeCellFile(cells, 1, "t.dat").mid(2, 5), QByteArray("caf\xA8\xA6"));  // CP936
  sheetcut::setAnsiCodePage("CP1252");
  const QByteArray western = encodeCellFile(cells, 1, "t.dat");
  const std::vector<CellType> back = decodeCellFile(western, "t.dat");
  sheetcut::setAnsiCodePage("CP936");
  EXPECT_EQ(western.mid(0, 6), QByteArray("\x04\0caf\xE9", 6));
  EXPECT_EQ(back[0].name, "café");
  EXPECT_EQ(back[0].s, "?");  // the page has no such character
}

// Every prefix and every one-byte change of valid files either reads or fails with the
// component's error; none reads outside the data (checked by the sanitizer build).
TEST(CellFile, DamagedDataNeverReadsOutsideTheBuffer) {
  std::vector<CellType> cells{
      cellAt("图号", 0, 0, 1, 1, 1, "x"),
      {"v", Variant::variants({Variant::fromString("s"), Variant::doubles({1, 2}), Variant()}),
       Variant::array(Variant::kInteger, {{2, 0}, {2, 1}},
                      {Variant::fromInteger(1), Variant::fromInteger(2), Variant::fromInteger(3),
                       Variant::fromInteger(4)}),
       2, "y"}};
  const QByteArray cellData = encodeCellFile(cells, 2, "t.dat");
  ASSERT_EQ(decodeCellFile(cellData, "t.dat"), cells);
  const QByteArray layoutData = encodeBlockLayout({{1, 2, 3, 4, "角"}}, cells, "t.bln");

  std::mt19937 random(12345);
  for (const QByteArray& data : {cellData, layoutData}) {
    for (qsizetype cut = 0; cut < data.size(); ++cut) {
      const QByteArray prefix = data.left(cut);
      try {
        (void)decodeCellFile(prefix, "t.dat");
        (void)decodeBlockLayout(prefix, "t.bln");
      } catch (const sheetcut::Error&) {
      }
      QByteArray changed = data;
      changed[cut] = static_cast<char>(random() & 0xFF);
      try {
        (void)decodeCellFile(changed, "t.dat");
        (void)decodeBlockLayout(changed, "t.bln");
      } catch (const sheetcut::Error&) {
      }
    }
  }
}

// Cells of every kind that a template holds, different from each other.
std::vector<CellType> generatedCells(std::size_t n) {
  std::vector<CellType> cells(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto d = static_cast<double>(i);
    CellType& c = cells[i];
    switch (i % 4) {
      case 0:
        c = {"图号" + QString::number(i % 97), Variant::point(d, -d, 0),
             Variant::point(d + 1, 2, 0), static_cast<std::int16_t>(i % 30000),
             "s" + QString::number(i)};
        break;
      case 1:
        c = {"", {}, {}, 0, ""};
        break;
      case 2:
        c = {"name", Variant::fromString("角" + QString::number(i)), Variant::fromLong(int(i)), -1,
             "文字"};
        break;
      default:
        c = {"v", Variant::variants({Variant::fromDouble(d), Variant(), Variant::null()}),
             Variant::doubles({d, d / 2}, 1), kLabelCellOrder - 1, ""};
    }
  }
  return cells;
}

TEST(CellFile, TheMostRecordsReadBackEqualAndOneMoreIsRefused) {
  const std::vector<CellType> cells = generatedCells(kMaxCellFileRecords);
  const QByteArray bytes = encodeCellFile(cells, long(cells.size()), "t.dat");
  EXPECT_EQ(decodeCellFile(bytes, "t.dat"), cells);

  // One minimal record more: refused with the file named, whatever the records hold.
  try {
    (void)decodeCellFile(bytes + QByteArray(10, '\0'), "/tm/many.dat");
    ADD_FAILURE() << "no error";
  } catch (const CellFileError& e) {
    EXPECT_NE(e.description().find("/tm/many.dat"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("65536"), std::string::npos) << e.description();
  }

  // Saving counts only the cells written: a label cell more still fits, a plain cell does not.
  std::vector<CellType> more = cells;
  more.push_back({"label", {}, {}, kLabelCellOrder, ""});
  EXPECT_EQ(encodeCellFile(more, long(more.size()), "t.dat"), bytes);
  more.push_back({"one too many", {}, {}, 1, ""});
  EXPECT_THROW((void)encodeCellFile(more, long(more.size()), "t.dat"), sheetcut::Error);
  EXPECT_EQ(encodeCellFile(more, long(more.size()) - 1, "t.dat"), bytes);
}

// Each value stays below its own limit, but together the values of the file hold too many
// elements: the record that passes the file's limit is named.
TEST(CellFile, ValuesOfOneFileHoldABoundedNumberOfElements) {
  QByteArray record;
  u16(record, 0);
  u16(record, 0x200C);  // P1: 65,536 empty values
  u16(record, 1);
  i32(record, 65536);
  i32(record, 0);
  record.append(QByteArray(2 * 65536, '\0'));
  u16(record, 0);  // P2 empty, T 0, text empty
  u16(record, 0);
  u16(record, 0);
  QByteArray data;
  for (int i = 0; i < 18; ++i) data.append(record);
  EXPECT_EQ(decodeCellFile(data, "t.dat").size(), 18u);
  try {
    (void)decodeCellFile(data + record, "/tm/big.dat");
    ADD_FAILURE() << "no error";
  } catch (const CellFileError& e) {
    EXPECT_NE(e.description().find("/tm/big.dat"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("record 19"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("P1"), std::string::npos) << e.description();
  }
}

TEST(CellFile, TextTooLongForARecordIsRefused) {
  std::vector<CellType> cells{{QString(40000, QChar(0x4E2D)), {}, {}, 1, ""}};  // 80000 bytes
  EXPECT_THROW((void)encodeCellFile(cells, 1, "t.dat"), sheetcut::Error);
}

}  // namespace
}  // namespace tarvik
