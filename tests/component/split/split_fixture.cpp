#include "split_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>

#include "acceptance_drawings.h"
#include "dxf/dxf_io.h"
#include "sheetgen/entity_builder.h"

namespace splittest {

namespace {

using sheetgen::EntityBuilder;
using sheetgen::Point;

using acceptance::addLayersAndStyle;
using acceptance::kStyle;
using acceptance::kTextHeight;
using acceptance::newDrawing;

}  // namespace

void writeEmpty(const std::string& path) {
  cadhost::dxf::writeDxfFile(newDrawing("AC1024", "ANSI_936"), path);
}

void writeNamedFrames(const std::string& path,
                      const std::vector<std::pair<char, std::string>>& texts) {
  cadhost::model::Drawing d = newDrawing("AC1024", "ANSI_936");
  EntityBuilder b(d);
  addLayersAndStyle(b);
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
  addLayersAndStyle(b);
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

std::string runPython(const QString& script, const QStringList& args) {
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), QStringList{"-c", script} + args);
  if (!python.waitForFinished(120000)) return "python3 did not finish";
  const std::string out =
      python.readAllStandardOutput().toStdString() + python.readAllStandardError().toStdString();
  return python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0 ? std::string()
                                                                               : "python3: " + out;
}

QString ezdxfFrames() {
  return QStringLiteral(R"(
def frames(msp, numbers, columns=1000, height=3.5):
    for i, number in enumerate(numbers):
        x, y = 500 * (i % columns), -400 * (i // columns)
        msp.add_lwpolyline([(x, y), (x + 420, y), (x + 420, y + 297), (x, y + 297)], close=True)
        msp.add_line((x + 10, y + 10), (x + 200, y + 150))
        msp.add_line((x + 240, y + 60), (x + 410, y + 60))
        msp.add_circle((x + 100, y + 200), 30)
        msp.add_text(number, height=height).set_placement((x + 300, y + 12))
)");
}

void StoppingUi::processEvents() {
  ScriptedUi::processEvents();
  if (onPump) onPump();
  if (cad != nullptr && ++pumps_ == stopAfterPumps) cad->setIsEventStop(true);
}

}  // namespace splittest
