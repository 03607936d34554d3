// Title-block filling and catalogue pages, on templates whose drawings python3-ezdxf draws.

#include <sheetcut/error.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

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

TEST_F(Catalogue, MendedEndings) {
  // Templates without a column cell: one page with its page-level fields, then the end.
  addTemplate("NOCOL", 0, 279, {{"第X页", 150, 5, 180, 13, 0}, {"共X页", 180, 5, 210, 13, 1}});
  cad.WriCatalog("NOCOL", "NOCOL", rows(3, false));
  EXPECT_EQ(entities("INSERT").size(), 1u);
  EXPECT_EQ(entities("MTEXT").size(), 2u);

  // Without header or first row nothing is inserted.
  cad.WriCatalog("NOCOL", "NOCOL", CatalogMsgs{{"R001", "1"}});
  cad.WriCatalog("NOCOL", "NOCOL", CatalogMsgs{{"R000", "序号"}});
  EXPECT_EQ(entities("INSERT").size(), 1u);

  // 999 rows are the most a catalogue can address; the run ends after R999.
  addTemplate("BIG", 0, 279, {{"序号", 10, 250, 25, 258, -500}});
  std::vector<std::pair<QString, QString>> items = {{"R000", "序号"}};
  for (int i = 1; i <= 999; ++i) items.emplace_back(CatalogMsgs::rowKey(i), QString::number(i));
  cad.WriCatalog("BIG", "BIG", CatalogMsgs(items));
  EXPECT_EQ(entities("INSERT").size(), 1u + 2u);
  EXPECT_EQ(entities("TEXT").size(), 999u);

  cad.acadApp.reset();
  EXPECT_THROW(cad.WriCatalog("BIG", "BIG", CatalogMsgs(items)), sheetcut::Error);
}

}  // namespace
}  // namespace tarvik
