#include "split_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>

#include "dxf/dxf_io.h"
#include "entity_builder.h"

namespace splittest {

namespace {

using sheetgen::EntityBuilder;
using sheetgen::Point;

constexpr double kTextHeight = 3.5;
constexpr const char* kStyle = "HZ";

cadhost::model::Drawing newDrawing(const char* version, const char* codepage) {
  cadhost::model::Drawing d = cadhost::dxf::newDrawing();
  cadhost::dxf::setVersion(d, version);
  cadhost::dxf::setCodepage(d, codepage);
  return d;
}

void setUp(EntityBuilder& b) {
  b.addLayer("FRAME", 7);
  b.addLayer("TITLE", 3);
  b.addLayer("TEXT", 2);
  b.addTextStyle(kStyle, "gbenor.shx", "gbcbig.shx", 0.7);
}

void defineTitleBlock(EntityBuilder& b) {
  b.beginBlock("TB", false);
  b.line("TITLE", {-180, 0}, {0, 0});
  b.line("TITLE", {0, 0}, {0, 56});
  b.line("TITLE", {0, 56}, {-180, 56});
  b.line("TITLE", {-180, 56}, {-180, 0});
  b.endBlock();
}

// Border, inner lines, title block, circle and "设计" of a 420 x 297 frame at (x, y).
void frame(EntityBuilder& b, double x, double y) {
  b.polyline("FRAME", {{x, y}, {x + 420, y}, {x + 420, y + 297}, {x, y + 297}}, true);
  const Point a{x + 25, y + 5}, c{x + 415, y + 292};
  b.line("FRAME", a, {c.x, a.y});
  b.line("FRAME", {c.x, a.y}, c);
  b.line("FRAME", c, {a.x, c.y});
  b.line("FRAME", {a.x, c.y}, a);
  b.insert("TITLE", "TB", {c.x, a.y}, {}, kStyle, kTextHeight);
  b.circle("FRAME", {x + 100, y + 150}, 30);
  b.text("TEXT", kStyle, {c.x - 170, a.y + 3}, kTextHeight, "设计");
}

}  // namespace

void writePlan(const std::string& path) {
  cadhost::model::Drawing d = newDrawing("AC1018", "ANSI_936");
  EntityBuilder b(d);
  setUp(b);
  defineTitleBlock(b);
  // Frame 1: the number 90 units from the lower-right corner.
  frame(b, 0, 300);
  b.text("TEXT", kStyle, {420 - 72, 300 + 54}, kTextHeight, "A123-B567-08");
  // Frame 2: the number near the lower-right corner, a decoy far from every corner.
  frame(b, 500, 300);
  b.text("TEXT", kStyle, {920 - 60, 300 + 12}, kTextHeight, "A123-B567-09");
  b.text("TEXT", kStyle, {680, 448}, kTextHeight, "A123-B567-99");
  // Frame 5: a plain multi-line text.
  frame(b, 1000, 300);
  b.mtext("TEXT", kStyle, {1420 - 60, 300 + 16}, kTextHeight, 50, "A12/3-B4-05");
  // Frame 3: the number of frame 1 again.
  frame(b, 0, 0);
  b.text("TEXT", kStyle, {420 - 60, 12}, kTextHeight, "A123-B567-08");
  // Frame 4: no drawing number.
  frame(b, 500, 0);
  b.text("TEXT", kStyle, {920 - 60, 12}, kTextHeight, "123-456-7");
  cadhost::dxf::writeDxfFile(d, path);
}

void writeB(const std::string& path) {
  cadhost::model::Drawing d = newDrawing("AC1024", "ANSI_936");
  EntityBuilder b(d);
  setUp(b);
  defineTitleBlock(b);
  frame(b, 0, 0);
  b.text("TEXT", kStyle, {420 - 60, 12}, kTextHeight, "B001-C002-1");
  cadhost::dxf::writeDxfFile(d, path);
}

void writeEmpty(const std::string& path) {
  cadhost::dxf::writeDxfFile(newDrawing("AC1024", "ANSI_936"), path);
}

void writeNamedFrames(const std::string& path,
                      const std::vector<std::pair<char, std::string>>& texts) {
  cadhost::model::Drawing d = newDrawing("AC1024", "ANSI_936");
  EntityBuilder b(d);
  setUp(b);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const double x = 500.0 * static_cast<double>(i);
    b.polyline("FRAME", {{x, 0}, {x + 420, 0}, {x + 420, 297}, {x, 297}}, true);
    const Point p{x + 360, 12};
    const auto& [kind, value] = texts[i];
    if (kind == 'M') {
      b.mtext("TEXT", kStyle, p, kTextHeight, 50, value);
    } else if (kind == 'A') {
      b.attdef("TEXT", kStyle, p, kTextHeight, value, "No.", "");
    } else {
      b.text("TEXT", kStyle, p, kTextHeight, value);
    }
  }
  cadhost::dxf::writeDxfFile(d, path);
}

void writeReferences(const std::string& path) {
  cadhost::model::Drawing d = newDrawing("AC1024", "ANSI_936");
  EntityBuilder b(d);
  setUp(b);
  for (const char* name : {"PLAIN", "TPL"}) {
    b.beginBlock(name, false);
    b.line("TITLE", {0, 0}, {10, 0});
    b.line("TITLE", {10, 0}, {10, 10});
    b.line("TITLE", {10, 10}, {0, 10});
    b.line("TITLE", {0, 10}, {0, 0});
    b.endBlock();
  }
  b.beginBlock("ATT", true);
  b.line("TITLE", {0, 0}, {10, 0});
  b.attdef("TITLE", kStyle, {0, 5}, kTextHeight, "NO", "No.", "");
  b.endBlock();
  b.insert("TITLE", "PLAIN", {0, 0}, {}, kStyle, kTextHeight);
  b.insert("TITLE", "PLAIN", {100, 0}, {}, kStyle, kTextHeight);
  b.insert("TITLE", "ATT", {200, 0}, {{"NO", "7"}}, kStyle, kTextHeight);
  b.insert("TITLE", "TPL", {300, 0}, {}, kStyle, kTextHeight);
  b.insert("TITLE", "MISSING", {400, 0}, {}, kStyle, kTextHeight);
  cadhost::dxf::writeDxfFile(d, path);
}

std::map<std::string, int> countByType(cadhost::Application& app, const std::string& path) {
  cadhost::Document doc = app.documents().open(path, true);
  std::map<std::string, int> counts;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) ++counts[e.dxfType()];
  doc.close(false);
  return counts;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QStringList fileNames(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

std::string ezdxfAudit(const QStringList& paths) {
  const QString script = QStringLiteral(R"(
import sys, ezdxf
bad = []
for path in sys.argv[1:]:
    try:
        doc = ezdxf.readfile(path)
        auditor = doc.audit()
        if auditor.has_errors:
            bad.append(path + ': ' + '; '.join(str(e.message) for e in auditor.errors))
    except Exception as e:
        bad.append(path + ': ' + repr(e))
print('\n'.join(bad))
sys.exit(1 if bad else 0)
)");
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), QStringList{"-c", script} + paths);
  if (!python.waitForFinished(120000)) return "python3 did not finish";
  const std::string out =
      python.readAllStandardOutput().toStdString() + python.readAllStandardError().toStdString();
  return python.exitCode() == 0 ? std::string() : "ezdxf audit: " + out;
}

void StoppingUi::processEvents() {
  ScriptedUi::processEvents();
  if (onPump) onPump();
  if (cad != nullptr && ++pumps_ == stopAfterPumps) cad->setIsEventStop(true);
}

}  // namespace splittest
