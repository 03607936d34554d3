// Title-block filling and catalogue pages, on templates whose drawings python3-ezdxf draws.

#include <sheetcut/error.h>
#include <tarvik/cell_file.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>

#include "frame_defs_fixture.h"
#include "writing_fixture.h"

namespace tarvik {
namespace {

bool writeText(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes a drawing with ezdxf: `body` is Python code working on `msp` and `doc`.
void ezdxfDrawing(const QString& path, const QString& body) {
  const QString script = QStringLiteral(
                             "import sys, ezdxf\ndoc = ezdxf.new('R2018')\n"
                             "msp = doc.modelspace()\n") +
                         body + QStringLiteral("\ndoc.saveas(sys.argv[1])\n");
  const auto out = runEzdxf(script, {path});
  ASSERT_TRUE(QFile::exists(path)) << ::testing::PrintToString(out);
}

struct TemplateCell {
  QString name;
  double x0, y0, x1, y1;
  int T;
};

class Filling : public WritingTest {
 protected:
  void SetUp() override {
    WritingTest::SetUp();
    modPath = tmp.path() + "/mods";
    ASSERT_TRUE(QDir().mkpath(modPath));
  }
  // A template in the list with its base point and cells; its drawing outlines the cells in
  // coordinates relative to the base point (block coordinates).
  void addTemplate(const QString& name, double bx, double by,
                   const std::vector<TemplateCell>& cells) {
    list += QStringLiteral("<m n='%1'><c>图签模板</c><p>%2,%3</p></m>").arg(name).arg(bx).arg(by);
    ASSERT_TRUE(writeText(modPath + "/db.xml", ("<r>" + list + "</r>").toUtf8()));
    cad.setModPath(modPath);
    cad.ReadMod(name);
    QString body;
    for (const TemplateCell& c : cells) {
      cad.newCell(c.name, c.T, QStringLiteral("old"), Variant::point(c.x0, c.y0, 0),
                  Variant::point(c.x1, c.y1, 0));
      body += QStringLiteral("msp.add_lwpolyline([(%1,%2),(%3,%2),(%3,%4),(%1,%4)], close=True)\n")
                  .arg(c.x0 - bx)
                  .arg(c.y0 - by)
                  .arg(c.x1 - bx)
                  .arg(c.y1 - by);
    }
    cad.SaveMod(name);
    ezdxfDrawing(modPath + "/moddwg/" + name + ".dxf", body);
  }

  QString modPath;
  QString list;
};

// Block-local position of a world point under a reference at `ins`, turned by `angle`, scaled
// by `k`.
cadhost::Point3 toBlock(const cadhost::Point3& p, const cadhost::Point3& ins, double angle,
                        double k) {
  const double dx = p.x - ins.x, dy = p.y - ins.y;
  return {(dx * std::cos(angle) + dy * std::sin(angle)) / k,
          (-dx * std::sin(angle) + dy * std::cos(angle)) / k, 0};
}

TEST_F(Filling, TitleBlockCellsGetTheirValuesInTheBlocksOwnCoordinates) {
  const std::vector<TemplateCell> cells = {{"Drawing No", 10, 5, 60, 13, 1},
                                           {"名称", 10, 13, 60, 21, 1},
                                           {"设计", 60, 5, 90, 13, 1},
                                           {"审核", 60, 13, 90, 21, 1},
                                           {"工程", 10, 21, 90, 29, 1}};
  addTemplate("TB", 10, 5, cells);
  // The frame block drawn by ezdxf, base point at the template's base point, inserted three
  // times: plain, turned a quarter and scaled, turned 30 degrees and scaled.
  const QString frame = tmp.path() + "/frame.dxf";
  QString body = "b = doc.blocks.new(name='TB')\n";
  for (const TemplateCell& c : cells)
    body += QStringLiteral("b.add_lwpolyline([(%1,%2),(%3,%2),(%3,%4),(%1,%4)], close=True)\n")
                .arg(c.x0 - 10)
                .arg(c.y0 - 5)
                .arg(c.x1 - 10)
                .arg(c.y1 - 5);
  body +=
      "msp.add_blockref('TB', (100, 50), dxfattribs={'xscale': 2, 'yscale': 2})\n"
      "msp.add_blockref('TB', (100, 50), dxfattribs={'xscale': 2, 'yscale': 2, 'rotation': 90})\n"
      "msp.add_blockref('TB', (500, 300), dxfattribs={'xscale': 1.5, 'yscale': 1.5, "
      "'rotation': 30})\n";
  ezdxfDrawing(frame, body);
  doc = app->documents().open(frame.toStdString());
  cad.AcadDoc = doc;

  const CatalogMsgs msgs{{"drawing no", "A-01"},  // keys without regard to ASCII case
                         {"名称", "总平面图"},
                         {"设计", "   "},  // blank: not written
                         {"工程", "某某工程"}};
  const auto refs = entities("INSERT");
  ASSERT_EQ(refs.size(), 3u);
  const double angles[3] = {0, std::numbers::pi / 2, std::numbers::pi / 6};
  const double scales[3] = {2, 2, 1.5};
  const cadhost::Point3 origins[2] = {{80, 40, 0}, {110, 30, 0}};
  for (std::size_t r = 0; r < refs.size(); ++r) {
    SCOPED_TRACE(r);
    cadhost::Entity ref = refs[r];
    const std::size_t before = entities("TEXT").size();
    cad.WriBlock(ref, msgs);
    EXPECT_EQ(doc.activeUcs().name(), "QZUCS");
    if (r < 2) {
      EXPECT_NEAR(doc.activeUcs().origin().x, origins[r].x, 1e-9);
      EXPECT_NEAR(doc.activeUcs().origin().y, origins[r].y, 1e-9);
    }
    const auto texts = entities("TEXT");
    ASSERT_EQ(texts.size(), before + 3);
    std::map<std::string, std::string> placed;
    for (std::size_t t = before; t < texts.size(); ++t) {
      const cadhost::Entity& text = texts[t];
      EXPECT_NEAR(std::remainder(text.rotation() - angles[r], 2 * std::numbers::pi), 0, 1e-9);
      EXPECT_NEAR(text.height(), 3 * scales[r], 1e-9);
      const cadhost::Point3 anchor =
          text.alignment() == 0 ? text.insertionPoint() : text.textAlignmentPoint();
      const cadhost::Point3 local = toBlock(anchor, ref.insertionPoint(), angles[r], scales[r]);
      for (const TemplateCell& c : cells) {
        if (local.x >= c.x0 - 10 - 1e-6 && local.x <= c.x1 - 10 + 1e-6 &&
            local.y >= c.y0 - 5 - 1e-6 && local.y <= c.y1 - 5 + 1e-6)
          placed[text.textString()] = c.name.toStdString();
      }
    }
    EXPECT_EQ(placed, (std::map<std::string, std::string>{
                          {"A-01", "Drawing No"}, {"总平面图", "名称"}, {"某某工程", "工程"}}));
  }
  EXPECT_EQ(doc.activeTextStyle().name(), "CHINESE");
  EXPECT_EQ(cad.Cell(0).s, "A-01");
  EXPECT_EQ(cad.Cell(3).s, "old");  // no value: the cell file's text stays, nothing written
  EXPECT_EQ(entities("TEXT").back().alignment(), 2);  // "工程" is right-aligned

  EXPECT_TRUE(ezdxfAudit(save("filled.dxf")).empty());
}

// A real GOST sheet (Debian's librecad-data) made into the title-block template "GOST_TB":
// its title block's cells, in the sheet's own coordinates.
const char* const kGostSheet = "/usr/share/librecad/library/sheets/A4_1_text.dxf";
const std::vector<TemplateCell> kGostCells = {{"图号", 85, 30, 205, 45, 1},
                                              {"图名", 85, 5, 155, 30, 1},
                                              {"单位", 155, 5, 205, 20, 1},
                                              {"设计", 37, 25, 60, 30, 1},
                                              {"工程", 185, 20, 205, 25, 1}};

// Python: the sheet's model space moved into the block `argv[2]`, inserted upright at the origin
// and turned 30 degrees at scale 2 far from it; saved as argv[3].
const char* const kSheetAsBlock = R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
msp = doc.modelspace()
blk = doc.blocks.new(name=sys.argv[2])
for e in list(msp):
    msp.move_to_layout(e, blk)
msp.add_blockref(sys.argv[2], (0, 0))
msp.add_blockref(sys.argv[2], (1000, 400), dxfattribs={'xscale': 2, 'yscale': 2, 'rotation': 30})
doc.saveas(sys.argv[3])
)";

// Python: where every TEXT of argv[1] lies, drawn as any reader draws it: at its own width
// factor (1.0 when it has none), with the width model of the host (full-width characters 1.0 x
// height, others 0.35 to 0.65). Prints "IN <cell>" when the text lies wholly inside a cell of
// argv[2] (name, x0, y0, x1, y1 in block coordinates) under one of the block references, else
// "OUT"; then whether it carries 41, its width factor and its text.
const char* const kTextsInCells = R"(
import sys, math, re, ezdxf
from ezdxf.math import Vec3
cells = [c.split(',') for c in sys.argv[2].split(';')]
def units(c):
    o = ord(c)
    if o < 0x20: return 0
    if (0x1100 <= o <= 0x115F or 0x2E80 <= o <= 0xA4CF or 0xAC00 <= o <= 0xD7A3 or
        0xF900 <= o <= 0xFAFF or 0xFE30 <= o <= 0xFE4F or 0xFF00 <= o <= 0xFF60 or
        0xFFE0 <= o <= 0xFFE6 or o >= 0x20000): return 1.0
    if c in ' \xa0': return 0.5
    if c in "ijlI1!|.,:;'`()[]{}": return 0.35
    return 0.65
doc = ezdxf.readfile(sys.argv[1])
msp = doc.modelspace()
inverses = [r.matrix44() for r in msp.query('INSERT')]
for m in inverses:
    m.inverse()
for t in msp.query('TEXT'):
    # Characters outside the drawing's code page are written as \U+XXXX.
    text = re.sub(r'\\U\+([0-9A-Fa-f]{4})', lambda m: chr(int(m.group(1), 16)), t.dxf.text)
    h, wf = t.dxf.height, t.dxf.width
    w = sum(units(c) for c in text) * h * wf
    ins = Vec3(t.dxf.insert)
    al = Vec3(t.dxf.get('align_point', ins))
    ha, va = t.dxf.halign, t.dxf.valign
    angle = math.radians(t.dxf.rotation)
    anchor, x0, x1, y0 = ins, 0.0, w, 0.0
    if ha in (3, 5):
        angle = math.atan2(al.y - ins.y, al.x - ins.x)
        x1 = (al - ins).magnitude
    elif ha or va:
        anchor = al
        x0 = -w / 2 if ha in (1, 4) else -w if ha == 2 else 0.0
        x1 = x0 + w
        y0 = -h / 2 if ha == 4 or va == 2 else -h if va == 3 else 0.0
    c, s = math.cos(angle), math.sin(angle)
    corners = [anchor + Vec3(x * c - y * s, x * s + y * c) for x in (x0, x1) for y in (y0, y0 + h)]
    where = None
    for m in inverses:
        local = [m.transform(p) for p in corners]
        for name, cx0, cy0, cx1, cy1 in cells:
            if all(float(cx0) - 1e-6 <= p.x <= float(cx1) + 1e-6 and
                   float(cy0) - 1e-6 <= p.y <= float(cy1) + 1e-6 for p in local):
                where = name
    print(('IN ' + where if where else 'OUT'), t.dxf.hasattr('width'), '%g' % wf, text)
)";

TEST_F(Filling, TextsWrittenIntoARealSheetsTitleBlockFitTheirCellsInEveryReader) {
  if (!QFile::exists(kGostSheet)) GTEST_SKIP() << kGostSheet << " missing (librecad-data)";
  addTemplate("GOST_TB", 0, 0, kGostCells);
  const QString drawing = tmp.path() + "/sheet.dxf";
  const auto made = runEzdxf(kSheetAsBlock, {kGostSheet, "GOST_TB", drawing});
  ASSERT_TRUE(QFile::exists(drawing)) << ::testing::PrintToString(made);
  doc = app->documents().open(drawing.toStdString());
  cad.AcadDoc = doc;

  // Measured at the style's 0.7 each value fits on one line (the title's 45 characters are
  // squeezed into a fitted one); at 1.0 the name, the office and the designer would not.
  const CatalogMsgs msgs{{"图号", QString("结构平面布置图").repeated(6) + "第一张"},
                         {"图名", "某某住宅小区一期三号楼结构平面布置图"},
                         {"单位", "某某市建筑设计研究院有限公司一所"},
                         {"设计", "张三丰李四王五赵六"},
                         {"工程", "某工程"}};
  for (cadhost::Entity ref : entities("INSERT")) cad.WriBlock(ref, msgs);
  ASSERT_EQ(entities("TEXT").size(), 10u);

  QStringList cells;
  for (const TemplateCell& c : kGostCells)
    cells << QStringLiteral("%1,%2,%3,%4,%5").arg(c.name).arg(c.x0).arg(c.y0).arg(c.x1).arg(c.y1);
  const auto lines = runEzdxf(kTextsInCells, {save("filled.dxf"), cells.join(';')});
  ASSERT_EQ(lines.size(), 10u) << ::testing::PrintToString(lines);
  std::map<std::string, int> placed;
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    EXPECT_EQ(line.rfind("IN ", 0), 0u);
    EXPECT_NE(line.find(" True 0.7 "), std::string::npos);  // 41 written: the style's factor
    ++placed[line.substr(0, line.find(' ', 3))];
  }
  EXPECT_EQ(placed,
            (std::map<std::string, int>{
                {"IN 图号", 2}, {"IN 图名", 2}, {"IN 单位", 2}, {"IN 设计", 2}, {"IN 工程", 2}}));
}

TEST_F(Filling, BlockWithoutTemplateFailsBeforeWriting) {
  addTemplate("TB", 0, 0, {{"a", 0, 0, 10, 8, 1}});
  cadhost::Block other = doc.blocks().add({0, 0, 0}, "OTHER");
  other.addLightWeightPolyline({0, 0, 1, 0, 1, 1});
  cadhost::Entity ref = doc.modelSpace().insertBlock({0, 0, 0}, "OTHER", 1, 1, 1, 0);
  EXPECT_THROW(cad.WriBlock(ref, CatalogMsgs{{"a", "x"}}), sheetcut::Error);
  EXPECT_TRUE(entities("TEXT").empty());
  EXPECT_THROW((CatalogMsgs{{"Key", "1"}, {"kEY", "2"}}), sheetcut::Error);
  EXPECT_FALSE(CatalogMsgs({{"ä", "1"}}).Item("Ä"));  // only ASCII letters fold
}

TEST_F(Filling, ABlockFindsItsCellFileInAnyCaseAndOneThatCannotBeReadIsAnError) {
  addTemplate("GOST_TB", 0, 0, {{"图号", 0, 0, 60, 8, 1}, {"图名", 0, 8, 60, 16, 1}});
  const QString file = modPath + "/mod/GOST_TB.dat";
  ASSERT_TRUE(QFile::exists(file));
  cadhost::Block block = doc.blocks().add({0, 0, 0}, "gost_tb");
  block.addLightWeightPolyline({0, 0, 60, 0, 60, 16, 0, 16});
  cadhost::Entity ref = doc.modelSpace().insertBlock({0, 0, 0}, "gost_tb", 1, 1, 1, 0);
  const CatalogMsgs msgs{{"图号", "A-01"}, {"图名", "总图"}};
  cad.WriBlock(ref, msgs);
  EXPECT_EQ(entities("TEXT").size(), 2u);

  // A damaged or missing cell file: an error naming the file and why, before anything is
  // written.
  QFile damaged(file);
  ASSERT_TRUE(damaged.resize(damaged.size() - 3));
  for (const char* reason : {"is damaged: record 2", "of the template \"GOST_TB\" is missing"}) {
    SCOPED_TRACE(reason);
    try {
      cad.WriBlock(ref, msgs);
      ADD_FAILURE() << "no error";
    } catch (const CellFileError& e) {
      EXPECT_NE(std::string(e.what()).find(file.toStdString() + "\" " + reason), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(entities("TEXT").size(), 2u);
    QFile::remove(file);
  }
}

TEST_F(Filling, FramesDrawnWithValuesFillTheirTitleBlocks) {
  addTemplate("OLB_TB", 0, 0, {{"图号", 10, 20, 100, 30, 1}, {"名称", 10, 30, 100, 40, 1}});
  const QString defs = tmp.path() + "/frames.xml";
  ASSERT_TRUE(frametest::writeEncoded(defs, frametest::kFrameDefs));
  QStringList kinds;
  cad.GetFrameType(defs, kinds);
  std::vector<double> p0{100, 100}, p1{880, 674};
  FrameType f = cad.ComputeFrameSize("K1", p0, p1, 2, 0, false);
  cad.DrawFrame(f, {{"图号", "A-1"}, {"名称", "总图"}}, true);
  std::vector<std::string> written;
  for (const auto& t : entities("TEXT")) written.push_back(t.textString());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"A-1", "总图"}));
  EXPECT_TRUE(ezdxfAudit(save("frame.dxf")).empty());
}

class Catalogue : public Filling {
 protected:
  // Page templates 210 x 279 with the base point at their top-left corner, so the first page's
  // template origin is the world origin.
  void addPages(bool secondWithoutRemarks) {
    const std::vector<TemplateCell> page = {
        {"工程名称", 10, 5, 100, 13, 1},  {"第X页", 150, 5, 180, 13, 0},
        {"共X页", 180, 5, 210, 13, 1},    {"序号", 10, 250, 25, 258, -20},
        {"图号", 25, 250, 70, 258, -20},  {"图名", 70, 250, 150, 258, -20},
        {"备注", 150, 250, 200, 258, -20}};
    addTemplate("CAT1", 0, 279, page);
    // The further pages list their cells in another order, and may lack a column.
    std::vector<TemplateCell> second(page.rbegin(), page.rend());
    if (secondWithoutRemarks) second.erase(second.begin());
    addTemplate("CAT2", 0, 279, second);
  }
  static CatalogMsgs rows(int count, bool shortRow) {
    std::vector<std::pair<QString, QString>> items = {{"R000", "序号{*}图号{*}图名{*}备注"},
                                                      {"工程名称", "测试工程"}};
    for (int i = 1; i <= count; ++i) {
      QString row = QStringLiteral("%1{*}A-%1{*}图%1{*}R%1").arg(i);
      if (shortRow && i == 7) row = QStringLiteral("7{*}A-7");
      items.emplace_back(CatalogMsgs::rowKey(i), row);
    }
    return CatalogMsgs(items);
  }
  std::map<std::string, cadhost::Entity> textsByString() const {
    std::map<std::string, cadhost::Entity> out;
    for (const auto& t : entities("TEXT")) out[t.textString()] = t;
    return out;
  }
};

TEST_F(Catalogue, FortyFiveRowsMakeThreePages) {
  addPages(true);
  cad.State = 0;
  cad.WriCatalog("CAT1", "CAT2", rows(45, true));
  EXPECT_EQ(cad.State, 1);
  const auto pages = entities("INSERT");
  ASSERT_EQ(pages.size(), 3u);
  for (std::size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(pages[p].insertionPoint(), (cadhost::Point3{250.0 * static_cast<double>(p), 279, 0}));
    EXPECT_EQ(pages[p].name(), p == 0 ? "CAT1" : "CAT2");
  }
  std::vector<std::string> numbers, counts, names;
  for (const auto& m : entities("MTEXT")) {
    const std::string s = m.textString();
    if (s.size() == 1)
      (m.insertionPoint().x - 250 * std::floor(m.insertionPoint().x / 250) < 180 ? numbers : counts)
          .push_back(s);
    else
      names.push_back(s);
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(counts, (std::vector<std::string>{"3", "3", "3"}));
  EXPECT_EQ(names, std::vector<std::string>(3, "测试工程"));

  const auto texts = textsByString();
  for (int i = 1; i <= 45; ++i) {
    SCOPED_TRACE(i);
    const int page = (i - 1) / 20, position = (i - 1) % 20 + 1;
    const double baseline = 254 - 8.0 * (position - 1) - 1.5;
    const auto number = texts.find("A-" + std::to_string(i));
    ASSERT_NE(number, texts.end());
    EXPECT_NEAR(number->second.insertionPoint().x, 250.0 * page + 26, 1e-9);  // left: "L"
    EXPECT_NEAR(number->second.insertionPoint().y, baseline, 1e-9);
    const auto index = texts.find(std::to_string(i));
    ASSERT_NE(index, texts.end());
    EXPECT_EQ(index->second.alignment(), 1);  // column 0 is centred
    EXPECT_NEAR(index->second.textAlignmentPoint().x, 250.0 * page + 17.5, 1e-9);
    const bool remark = texts.count("R" + std::to_string(i)) != 0;
    EXPECT_EQ(remark, page == 0 && i != 7);  // the further pages have no remarks column
    if (i != 7) {
      EXPECT_TRUE(texts.count("图" + std::to_string(i)));
    }
  }
  EXPECT_EQ(texts.count("图7"), 0u);  // the short row's missing fields stay empty
  EXPECT_TRUE(ezdxfAudit(save("catalogue.dxf")).empty());
}

TEST_F(Catalogue, RowsThatWrapTakeMorePositions) {
  addPages(false);
  std::vector<std::pair<QString, QString>> items = {{"R000", "序号{*}图号{*}图名"}};
  items.emplace_back("R001", "1{*}A-1{*}" + QString(60, QChar(0x56FE)));  // 126 wide: two lines
  items.emplace_back("R002", "2{*}A-2{*}");
  cad.WriCatalog("CAT1", "CAT2", CatalogMsgs(items));
  const auto texts = textsByString();
  ASSERT_TRUE(texts.count("A-2"));
  EXPECT_NEAR(texts.at("A-2").insertionPoint().y, 254 - 16 - 1.5, 1e-9);
  EXPECT_EQ(entities("INSERT").size(), 1u);
}

TEST_F(Catalogue, ARowThatWouldRunPastThePageStartsTheNextOne) {
  // Pages of three rows, 8 units apart.
  addTemplate("ROWS3", 0, 279, {{"序号", 10, 250, 25, 258, -3}, {"图名", 70, 250, 150, 258, -3}});
  const QString twoLines(60, QChar(0x56FE));    // 126 wide in 78: two lines
  const QString fourLines(150, QChar(0x56FE));  // four lines: longer than a page
  cad.WriCatalog("ROWS3", "ROWS3",
                 CatalogMsgs{{"R000", "序号{*}图名"},
                             {"R001", "1{*}一"},
                             {"R002", "2{*}二"},
                             {"R003", "3{*}" + twoLines},  // would take rows 3 and 4 of page 1
                             {"R004", "4{*}" + fourLines},
                             {"R005", "5{*}五"}});
  EXPECT_EQ(entities("INSERT").size(), 3u);
  const auto texts = textsByString();
  const auto at = [&](const std::string& s) {
    const cadhost::Entity& t = texts.at(s);
    return t.alignment() == 0 ? t.insertionPoint() : t.textAlignmentPoint();
  };
  const auto expectRow = [&](const std::string& index, int page, int position) {
    SCOPED_TRACE(index);
    ASSERT_TRUE(texts.count(index));
    EXPECT_NEAR(at(index).x, 250.0 * page + 17.5, 1e-9);
    EXPECT_NEAR(at(index).y, 254 - 8.0 * (position - 1) - 1.5, 1e-9);
  };
  expectRow("1", 0, 1);
  expectRow("2", 0, 2);
  expectRow("3", 1, 1);
  expectRow("4", 1, 3);  // longer than a page: written where it starts, running past the table
  expectRow("5", 2, 1);
  std::size_t rowLines = 0;
  for (const auto& t : entities("TEXT"))
    if (t.textString().rfind("图", 0) == 0) ++rowLines;
  EXPECT_EQ(rowLines, 2u + 4u);
}

TEST_F(Catalogue, APageWhoseCellFileCannotBeReadEndsTheCatalogueWithAnError) {
  addPages(false);
  QFile cells(modPath + "/mod/CAT2.dat");
  ASSERT_TRUE(cells.resize(cells.size() - 1));
  try {
    cad.WriCatalog("CAT1", "CAT2", rows(25, false));
    ADD_FAILURE() << "no error";
  } catch (const CellFileError& e) {
    EXPECT_EQ(e.description().rfind("Row 21 of the catalogue was not written: ", 0), 0u)
        << e.description();
    EXPECT_NE(std::string(e.what()).find("CAT2.dat\" is damaged"), std::string::npos) << e.what();
  }
  // The first page stays whole, counted as the only one.
  EXPECT_EQ(entities("INSERT").size(), 1u);
  EXPECT_EQ(textsByString().count("A-20"), 1u);
  std::vector<std::string> mtexts;
  for (const auto& m : entities("MTEXT")) mtexts.push_back(m.textString());
  std::sort(mtexts.begin(), mtexts.end());
  EXPECT_EQ(mtexts, (std::vector<std::string>{"1", "1", "测试工程"}));

  EXPECT_THROW(cad.WriCatalog("NONE", "CAT1", rows(2, false)), CellFileError);
  EXPECT_EQ(entities("INSERT").size(), 1u);
}

// A page whose drawing is missing, or whose template's base point is not finite, is not placed:
// the catalogue ends with an error naming it and the first row not written, the pages before it
// whole and counted.
TEST_F(Catalogue, APageThatCannotBePlacedEndsTheCatalogueWithAnError) {
  addPages(false);
  ASSERT_TRUE(QFile::remove(modPath + "/moddwg/CAT2.dxf"));
  try {
    cad.WriCatalog("CAT1", "CAT2", rows(25, false));
    ADD_FAILURE() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description().rfind("Row 21 of the catalogue was not written: ", 0), 0u)
        << e.description();
    EXPECT_NE(e.description().find("/moddwg/CAT2.dxf\" of the template \"CAT2\" is missing"),
              std::string::npos)
        << e.description();
  }
  EXPECT_EQ(entities("INSERT").size(), 1u);
  EXPECT_EQ(textsByString().count("A-20"), 1u);
  EXPECT_EQ(textsByString().count("A-21"), 0u);
  std::vector<std::string> mtexts;
  for (const auto& m : entities("MTEXT")) mtexts.push_back(m.textString());
  std::sort(mtexts.begin(), mtexts.end());
  EXPECT_EQ(mtexts, (std::vector<std::string>{"1", "1", "测试工程"}));

  list.replace(QStringLiteral("<m n='CAT1'><c>图签模板</c><p>0,279</p>"),
               QStringLiteral("<m n='CAT1'><c>图签模板</c><p>nan,inf</p>"));
  ASSERT_TRUE(writeText(modPath + "/db.xml", ("<r>" + list + "</r>").toUtf8()));
  cad.setModPath(modPath);
  try {
    cad.WriCatalog("CAT1", "CAT1", rows(2, false));
    ADD_FAILURE() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description().rfind("Row 1 of the catalogue was not written: ", 0), 0u)
        << e.description();
    EXPECT_NE(e.description().find("\"nan,inf\" of the template \"CAT1\""), std::string::npos)
        << e.description();
  }
  EXPECT_EQ(entities("INSERT").size(), 1u);
  EXPECT_EQ(textsByString().count("A-1"), 1u);  // from the first catalogue only
}

TEST_F(Catalogue, ARowThatCannotBeWrittenEndsTheCatalogueWithAnError) {
  addTemplate("BAD", 0, 279, {{"序号", 10, 250, 25, 258, -3}, {"共X页", 180, 5, 210, 13, 1}});
  // The column's corners are lost: its rows cannot be placed.
  cad.ReadMod("BAD");
  cad.SetCell(0, "序号", -3, "", Variant(), Variant());
  cad.SaveMod("BAD");
  try {
    cad.WriCatalog("BAD", "BAD", CatalogMsgs{{"R000", "序号"}, {"R001", "1"}, {"R002", "2"}});
    ADD_FAILURE() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description().rfind("Row 1 of the catalogue was not written: ", 0), 0u)
        << e.description();
  }
  ASSERT_EQ(entities("MTEXT").size(), 1u);
  EXPECT_EQ(entities("MTEXT")[0].textString(), "1");

  // A column whose first rows are empty fails when a later row is measured for it: that row is
  // named, and the page counts are written.
  addTemplate("HALF", 0, 279,
              {{"序号", 10, 250, 25, 258, -3},
               {"图名", 70, 250, 150, 258, -3},
               {"共X页", 180, 5, 210, 13, 1}});
  cad.ReadMod("HALF");
  cad.SetCell(1, "图名", -3, "", Variant(), Variant());
  cad.SaveMod("HALF");
  try {
    cad.WriCatalog("HALF", "HALF",
                   CatalogMsgs{{"R000", "序号{*}图名"}, {"R001", "1{*}"}, {"R002", "2{*}二"}});
    ADD_FAILURE() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description().rfind("Row 2 of the catalogue was not written: Type mismatch", 0), 0u)
        << e.description();
  }
  std::vector<std::string> mtexts;
  for (const auto& m : entities("MTEXT")) mtexts.push_back(m.textString());
  EXPECT_EQ(mtexts, (std::vector<std::string>{"1", "1"}));

  // A row whose field fails after an earlier field of it was written is taken off the page
  // whole.
  const std::size_t textsBefore = entities("TEXT").size();
  try {
    cad.WriCatalog("HALF", "HALF", CatalogMsgs{{"R000", "序号{*}图名"}, {"R001", "1{*}一"}});
    ADD_FAILURE() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description().rfind("Row 1 of the catalogue was not written: ", 0), 0u)
        << e.description();
  }
  EXPECT_EQ(entities("TEXT").size(), textsBefore);
}

// Rows that no page can take are not dropped: the catalogue ends with an error naming the first
// of them, the pages before it whole and counted, no page inserted for it.
TEST_F(Catalogue, RowsThatNoPageCanTakeEndTheCatalogueWithAnError) {
  addPages(false);
  addTemplate("NOCOL", 0, 279, {{"第X页", 150, 5, 180, 13, 0}, {"共X页", 180, 5, 210, 13, 1}});
  const auto expectError = [&](const QString& first, const QString& further, int rowCount,
                               const std::string& start) {
    try {
      cad.WriCatalog(first, further, rows(rowCount, false));
      ADD_FAILURE() << "no error";
    } catch (const sheetcut::Error& e) {
      EXPECT_EQ(e.description().rfind(start, 0), 0u) << e.description();
      EXPECT_NE(e.description().find("\"NOCOL\" has no column cell"), std::string::npos)
          << e.description();
    }
  };
  // The further pages have no column: the rows after the first page.
  expectError("CAT1", "NOCOL", 45, "Row 21 of the catalogue was not written: ");
  EXPECT_EQ(entities("INSERT").size(), 1u);
  const auto texts = textsByString();
  EXPECT_EQ(texts.count("A-20"), 1u);
  EXPECT_EQ(texts.count("A-21"), 0u);
  std::vector<std::string> mtexts;
  for (const auto& m : entities("MTEXT")) mtexts.push_back(m.textString());
  std::sort(mtexts.begin(), mtexts.end());
  EXPECT_EQ(mtexts, (std::vector<std::string>{"1", "1", "测试工程"}));

  // No page has a column: not even the first page is inserted.
  expectError("NOCOL", "NOCOL", 3, "Row 1 of the catalogue was not written: ");
  EXPECT_EQ(entities("INSERT").size(), 1u);
}

TEST_F(Catalogue, MendedEndings) {
  addTemplate("NOCOL", 0, 279, {{"第X页", 150, 5, 180, 13, 0}, {"共X页", 180, 5, 210, 13, 1}});
  // Without header or first row nothing is inserted.
  cad.WriCatalog("NOCOL", "NOCOL", CatalogMsgs{{"R001", "1"}});
  cad.WriCatalog("NOCOL", "NOCOL", CatalogMsgs{{"R000", "序号"}});
  EXPECT_EQ(entities("INSERT").size(), 0u);

  // Rows go on past R999 (R1000, R1001, ...) as long as the caller gives them.
  addTemplate("BIG", 0, 279, {{"序号", 10, 250, 25, 258, -500}});
  std::vector<std::pair<QString, QString>> items = {{"R000", "序号"}};
  for (int i = 1; i <= 10000; ++i) items.emplace_back(CatalogMsgs::rowKey(i), QString::number(i));
  cad.WriCatalog("BIG", "BIG", CatalogMsgs(items));
  EXPECT_EQ(entities("INSERT").size(), 20u);
  std::set<std::string> written;
  for (const auto& t : entities("TEXT")) written.insert(t.textString());
  EXPECT_EQ(written.size(), 10000u);
  EXPECT_TRUE(written.count("10000"));

  cad.acadApp.reset();
  EXPECT_THROW(cad.WriCatalog("BIG", "BIG", CatalogMsgs(items)), sheetcut::Error);
}

}  // namespace
}  // namespace tarvik
