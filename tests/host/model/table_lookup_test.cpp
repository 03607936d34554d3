// Table entries found by name and handle while coordinate systems and text styles come and go
// beside many layers, with undo taking groups of those changes back.

#include <map>
#include <string>

#include "host_fixture.h"
#include "model/document_core.h"
#include "model/reference_index.h"
#include "model/tags.h"

namespace {

using cadhost::detail::DocumentCore;
using cadhost::detail::ItemRef;
using hosttest::expectNear;
using hosttest::HostTest;
using hosttest::pt;

std::string name(const char* prefix, int i) {
  std::string s(prefix);
  s.append(std::to_string(i));
  return s;
}

// Every entry of `table` is found by its name and by its handle, and nothing else is.
void expectIndexMatchesTable(DocumentCore& core, const std::string& tableName) {
  const cadhost::detail::ReferenceIndex& refs = core.references();
  const std::int32_t t = refs.table(tableName);
  ASSERT_GE(t, 0) << tableName;
  const cadhost::model::Table& table = core.dwg.tables[static_cast<size_t>(t)];
  for (size_t e = 0; e < table.entries.size(); ++e) {
    const cadhost::model::Object& entry = table.entries[e];
    const cadhost::model::Tag* n = cadhost::model::findTag(entry.tags, 2);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(refs.entry(t, n->value.str()), static_cast<std::int32_t>(e)) << n->value.str();
    const ItemRef ref = refs.find(cadhost::model::handleOf(entry));
    EXPECT_EQ(ref.kind, ItemRef::kTableEntry) << n->value.str();
    EXPECT_EQ(ref.index, t) << n->value.str();
    EXPECT_EQ(ref.entry, static_cast<std::int32_t>(e)) << n->value.str();
  }
}

// A drawing of many layers that defines, changes and deletes a coordinate system and a text
// style for each of many frames, taking every other group back: every name is found as the
// changes left it, the layers stay found, and the counts agree.
TEST_F(HostTest, UcsAndStylesComeAndGoBesideManyLayers) {
  constexpr int kLayers = 20000;
  constexpr int kFrames = 2000;
  constexpr int kGroup = 50;
  for (int i = 0; i < kLayers; ++i) doc.layers().add(name("Lay", i));
  const int layers = doc.layers().count();
  const int styles = doc.textStyles().count();
  const int ucsCount = doc.userCoordinateSystems().count();
  cadhost::UserCoordinateSystems ucss = doc.userCoordinateSystems();

  std::map<int, double> ucsOrigin;  // live frame coordinate systems: frame -> origin x
  std::map<int, double> styleWidth;
  for (int g = 0; g < kFrames / kGroup; ++g) {
    const bool takeBack = g % 2 == 1;
    std::map<int, double> ucsBefore = ucsOrigin, widthBefore = styleWidth;
    doc.startUndoMark();
    for (int i = g * kGroup; i < (g + 1) * kGroup; ++i) {
      ucss.add(pt(i, 0), pt(i + 1, 0), pt(i, 1), name("Frame", i));
      ucsOrigin[i] = i;
      doc.textStyles().add(name("Sty", i)).setWidth(1.0 + i % 7);
      styleWidth[i] = 1.0 + i % 7;
      if (i % 3 == 0 && i >= 3) {  // an earlier frame moves: a change of an existing entry
        const int earlier = i - 3;
        if (ucsOrigin.contains(earlier)) {
          ucss.add(pt(-earlier, 5), pt(-earlier + 1, 5), pt(-earlier, 6), name("frame", earlier));
          ucsOrigin[earlier] = -earlier;
        }
      }
      if (i % 5 == 0 && i >= 10 && ucsOrigin.contains(i - 10)) {
        ucss.item(name("FRAME", i - 10)).erase();
        ucsOrigin.erase(i - 10);
      }
      const int layer = (i * 7919) % kLayers;
      ASSERT_EQ(doc.layers().item(name("LAY", layer)).name(), name("Lay", layer));
      ASSERT_EQ(ucss.item(name("frame", i)).name(), name("Frame", i));
    }
    doc.endUndoMark();
    if (takeBack) {
      doc.sendCommand("(command \"U\" )\r");
      ucsOrigin = std::move(ucsBefore);
      styleWidth = std::move(widthBefore);
    }
  }

  EXPECT_EQ(ucss.count(), ucsCount + static_cast<int>(ucsOrigin.size()));
  EXPECT_EQ(doc.textStyles().count(), styles + static_cast<int>(styleWidth.size()));
  EXPECT_EQ(doc.layers().count(), layers);
  for (int i = 0; i < kFrames; ++i) {
    if (auto it = ucsOrigin.find(i); it != ucsOrigin.end()) {
      EXPECT_NEAR(ucss.item(name("FRAME", i)).origin().x, it->second, 1e-9) << i;
    } else {
      EXPECT_HOST_ERROR(ucss.item(name("Frame", i)), NotFound);
    }
    if (auto it = styleWidth.find(i); it != styleWidth.end()) {
      EXPECT_NEAR(doc.textStyles().item(name("sty", i)).width(), it->second, 1e-9) << i;
    } else {
      EXPECT_HOST_ERROR(doc.textStyles().item(name("Sty", i)), NotFound);
    }
  }
  for (int i = 0; i < kLayers; i += 997)
    EXPECT_EQ(doc.layers().item(name("lay", i)).name(), name("Lay", i));
  auto core = DocumentCore::coreOf(doc.layers().item("0"));
  expectIndexMatchesTable(*core, "UCS");
  expectIndexMatchesTable(*core, "STYLE");
}

// Undo of additions, changes and a deletion that moves the entries after it: names and
// handles lead to the entries as they are after each undo, a taken-back entry's handle to
// nothing, and a name taken back can be added again.
TEST_F(HostTest, UndoneTableChangesLeaveLookupsRight) {
  cadhost::UserCoordinateSystems ucss = doc.userCoordinateSystems();
  ucss.add(pt(1, 0), pt(2, 0), pt(1, 1), "A");
  ucss.add(pt(2, 0), pt(3, 0), pt(2, 1), "B");
  ucss.add(pt(3, 0), pt(4, 0), pt(3, 1), "C");
  auto core = DocumentCore::coreOf(doc.layers().item("0"));
  expectIndexMatchesTable(*core, "UCS");

  // Additions taken back: neither name nor handle is found any more.
  doc.startUndoMark();
  ucss.add(pt(4, 0), pt(5, 0), pt(4, 1), "D");
  ucss.add(pt(5, 0), pt(6, 0), pt(5, 1), "E");
  cadhost::TextStyle style = doc.textStyles().add("WIDE");
  style.setWidth(2);
  const std::string handleE = std::string(cadhost::model::handleOf(*core->tableEntry("UCS", "E")));
  const std::string handleWide =
      std::string(cadhost::model::handleOf(*core->tableEntry("STYLE", "WIDE")));
  doc.endUndoMark();
  doc.sendCommand("(command \"U\" )\r");
  EXPECT_HOST_ERROR(ucss.item("D"), NotFound);
  EXPECT_HOST_ERROR(ucss.item("e"), NotFound);
  EXPECT_HOST_ERROR(doc.textStyles().item("WIDE"), NotFound);
  EXPECT_EQ(core->references().find(handleE).kind, ItemRef::kNone);
  EXPECT_EQ(core->references().find(handleWide).kind, ItemRef::kNone);
  EXPECT_EQ(ucss.count(), 3);
  expectIndexMatchesTable(*core, "UCS");
  expectIndexMatchesTable(*core, "STYLE");

  // The same name added again is a new entry with its own origin.
  expectNear(ucss.add(pt(9, 9), pt(10, 9), pt(9, 10), "D").origin(), pt(9, 9));
  EXPECT_EQ(ucss.item("d").name(), "D");

  // A change and a deletion that moves the entries after it, taken back together.
  doc.startUndoMark();
  ucss.add(pt(20, 0), pt(21, 0), pt(20, 1), "C");
  ucss.item("A").erase();
  expectNear(ucss.item("C").origin(), pt(20, 0));
  EXPECT_HOST_ERROR(ucss.item("A"), NotFound);
  expectIndexMatchesTable(*core, "UCS");
  doc.endUndoMark();
  doc.sendCommand("(command \"U\" )\r");
  expectNear(ucss.item("A").origin(), pt(1, 0));
  expectNear(ucss.item("C").origin(), pt(3, 0));
  expectNear(ucss.item("D").origin(), pt(9, 9));
  EXPECT_EQ(ucss.count(), 4);
  expectIndexMatchesTable(*core, "UCS");

  // A style's width change is taken back with its group.
  cadhost::TextStyle kept = doc.textStyles().add("KEPT");
  doc.startUndoMark();
  kept.setWidth(0.5);
  doc.endUndoMark();
  doc.sendCommand("(command \"U\" )\r");
  EXPECT_NEAR(doc.textStyles().item("kept").width(), 1.0, 1e-9);
  expectIndexMatchesTable(*core, "STYLE");
}

}  // namespace
