// Splits of drawings made by python3-ezdxf whose drawing numbers are hostile or odd, and of
// drawings with one entity far away: every frame reaches a file of its own, inside the output
// folder, under a name that shows as it is and fits the file system.

#include <gtest/gtest.h>

#include <tarvik/cad.h>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <map>

#include "qstring_printer.h"
#include "split_fixture.h"

namespace tarvik {
namespace {

using namespace splittest;

class SplitNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    cad.setUi(std::make_shared<ScriptedUi>());
    app = cadhost::Application::create();
    cad.acadApp = app;
    ASSERT_TRUE(QDir().mkpath(path("work")));
    cad.setWorkPath(path("work"));
    ASSERT_TRUE(QDir().mkpath(path("Proj")));
  }
  void TearDown() override { app->quit(); }

  QString path(const QString& relative) const { return tmp.path() + "/" + relative; }
  void split(const QString& drawing, const QString& out) {
    ASSERT_TRUE(QDir().mkpath(out));
    cad.setChildFileSavePath(out);
    cad.SplitDwg(drawing, true);
  }
  // Every entry of a folder, hidden ones too, sorted.
  static QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  }
  // The texts of a drawing's model space.
  QStringList texts(const QString& drawing) {
    cadhost::Document doc = app->documents().open(drawing.toStdString(), true);
    QStringList out;
    for (const cadhost::Entity& e : doc.modelSpace().entities()) {
      if (e.dxfType() == "TEXT") out << QString::fromStdString(e.textString());
    }
    doc.close(false);
    return out;
  }

  QTemporaryDir tmp;
  CAD cad;
  std::shared_ptr<cadhost::Application> app;
};

// Draws one frame per number into a binary drawing, with texts small enough that the longest
// number fits in its frame; "<NL>" in a number becomes a newline byte, which only a binary
// drawing can carry in a text.
const QString kOddNumbersScript = QStringLiteral(R"(
import sys, json, ezdxf
doc = ezdxf.new('R2018', setup=True)
frames(doc.modelspace(), json.loads(sys.argv[2]), height=0.5)
doc.saveas(sys.argv[1], fmt='bin')
data = open(sys.argv[1], 'rb').read().replace(b'<NL>', b'\n')
open(sys.argv[1], 'wb').write(data)
)");

TEST_F(SplitNamesTest, HostileAndOddNumbersEachGiveAVisibleNameThatFits) {
  const QString latin(300, u'A');
  const QString chinese(100, QChar(u'图'));  // 300 bytes
  const QString fs = QStringLiteral("\uFF0F"), dot = QStringLiteral("\uFF0E");
  // Drawing number, and the name its frame's child gets (frame n is entry n of the list).
  std::vector<std::pair<QString, QString>> cases = {
      {latin, QString(251, u'A')},
      {latin, QString(249, u'A') + "-2"},  // the same number again
      {chinese, QString(83, QChar(u'图'))},
  };
  // Up to 251 bytes a number fits whole beside ".dxf"; 252 bytes are cut to the 251 of the
  // frame before, and so that one's name is taken.
  for (int length = 244; length <= 251; ++length) cases.push_back({QString(length, u'L'), {}});
  cases.push_back({QString(252, u'L'), {}});
  cases.back().second = QString(248, u'L') + "-" + QString::number(cases.size());
  const std::vector<std::pair<QString, QString>> odd = {
      {".", dot},
      {"..", dot + "."},
      {"../../x", dot + "." + fs + ".." + fs + "x"},
      {".dxf", dot + "dxf"},
      {"\x1b[31mRED\x1b[0m", "_[31mRED_[0m"},
      {"a\tb", "a_b"},
      {"a\x7f"
       "b",
       "a_b-"},
      {"a<NL>b", "a_b-"},
      {"\u202Eabc", "_abc"},
      {"a|b", "a|b"},
  };
  for (const auto& c : odd) {
    cases.push_back(c);
    if (c.second.endsWith(u'-')) cases.back().second += QString::number(cases.size());
  }
  QJsonArray numbers;
  QStringList expected;
  for (const auto& [number, name] : cases) {
    numbers << number;
    expected << (name.isEmpty() ? number : name) + ".dxf";
  }
  expected.sort();
  ASSERT_EQ(runPython(ezdxfFrames() + kOddNumbersScript,
                      {path("Proj/odd.dxf"),
                       QString::fromUtf8(QJsonDocument(numbers).toJson(QJsonDocument::Compact))}),
            "");

  cad.dwgIDMask = "*";
  split(path("Proj/odd.dxf"), path("Out"));
  EXPECT_EQ(entries(path("Out")), expected);
  // Nothing was written anywhere else.
  EXPECT_EQ(entries(tmp.path()), (QStringList{"Out", "Proj", "work"}));
  EXPECT_EQ(entries(path("Proj")), QStringList{"odd.dxf"});

  // Each child holds its own frame, with the number as the drawing has it.
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const QString name = cases[i].second.isEmpty() ? cases[i].first : cases[i].second;
    QString number = cases[i].first;
    number.replace("<NL>", "\n");
    // The host writes a line break inside a text as its escape, which reads back as written.
    QStringList written = texts(path("Out/") + name + ".dxf");
    written.replaceInStrings("\\U+000A", "\n");
    EXPECT_EQ(written, QStringList{number}) << i;
    EXPECT_LE((name + ".dxf").toUtf8().size(), 255) << i;
  }
}

// Three frames one above the other, each with its drawing number, and first in the drawing a
// stray line from (x1, y1) to (x2, y2) unless "none".
const QString kStrayLineScript = QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.new('R2018', setup=True)
msp = doc.modelspace()
if sys.argv[2] != 'none':
    x1, y1, x2, y2 = (float(v) for v in sys.argv[2].split(','))
    msp.add_line((x1, y1), (x2, y2))
frames(msp, ['A1-B1-1', 'A2-B2-2', 'A3-B3-3'], columns=1)
doc.saveas(sys.argv[1])
)");

TEST_F(SplitNamesTest, OneFarEntityChangesNeitherTheFramesNorTheirNames) {
  cad.dwgIDMask = "@*-@*-#*";
  // The children of the drawing with the given stray line, by name, as entity counts by type.
  int runs = 0;
  const auto children = [&](const QString& line) {
    const QString folder = path("Out/" + QString::number(++runs));
    EXPECT_EQ(runPython(ezdxfFrames() + kStrayLineScript, {path("Proj/sheets.dxf"), line}), "")
        << line.toStdString();
    split(path("Proj/sheets.dxf"), folder);
    std::map<QString, std::map<std::string, int>> out;
    for (const QString& name : entries(folder)) {
      out[name] = countByType(*app, (folder + "/" + name).toStdString());
    }
    return out;
  };
  const auto plain = children("none");
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_EQ(plain.begin()->first, "A1-B1-1.dxf");
  EXPECT_EQ(
      plain.at("A3-B3-3.dxf"),
      (std::map<std::string, int>{{"LWPOLYLINE", 1}, {"LINE", 2}, {"CIRCLE", 1}, {"TEXT", 1}}));

  // A stray line above the frames, and one beside them reaching up and down; then the same
  // reaching far off. The line's own child stays where it was, and the frames stay as without.
  const std::pair<QString, QString> strays[] = {
      {"0,350,5000,350", "0,350,1e12,350"},
      {"0,350,5000,350", "0,350,1e308,350"},
      {"-100,-1000,-100,1000", "-100,-1e308,-100,1e308"},
  };
  for (const auto& [nearLine, farLine] : strays) {
    auto near = children(nearLine);
    const auto far = children(farLine);
    EXPECT_EQ(far, near) << farLine.toStdString();
    ASSERT_EQ(near.size(), 4u) << nearLine.toStdString();
    EXPECT_EQ(near.at("SHEETS-1.dxf"), (std::map<std::string, int>{{"LINE", 1}}));
    near.erase("SHEETS-1.dxf");
    EXPECT_EQ(near, plain) << nearLine.toStdString();
  }
}

}  // namespace
}  // namespace tarvik
