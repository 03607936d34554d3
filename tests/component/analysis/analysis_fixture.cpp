#include "analysis_fixture.h"

#include <sheetcut/error.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <cstdio>

namespace antest {

namespace {

const char* kPrelude = R"(
import math, sys, ezdxf
doc = ezdxf.new('R2010')
msp = doc.modelspace()

def title_block(add_line, add_text, W):
    for y in (10, 20, 30):
        add_line(W - 180, y, W, y)
    for x in (W - 150, W - 80):
        add_line(x, 0, x, 40)
    add_line(W - 180, 0, W - 180, 40)
    add_line(W - 180, 40, W, 40)
    add_text('图号', W - 177, 33)
    add_text('图名', W - 177, 23)
    add_text('比例', W - 177, 13)

def frame(sheet, W, H, ix, iy, s, deg, base_right, attrs, as_block, number, name, scale_text,
          n1, n2):
    a = math.radians(deg)
    bx = W if base_right else 0
    def f(x, y):
        x, y = s * (x - bx), s * y
        return (ix + x * math.cos(a) - y * math.sin(a), iy + x * math.sin(a) + y * math.cos(a))
    def text(t, x, y):
        if t:
            msp.add_text(t, dxfattribs={'insert': f(x, y), 'height': 3.5 * s, 'rotation': deg})
    bname = 'TK_' + sheet
    if as_block:
        if bname not in doc.blocks:
            blk = doc.blocks.new(name=bname, base_point=(bx, 0))
            blk.add_lwpolyline([(0, 0), (W, 0), (W, H), (0, H)], close=True)
            title_block(lambda x0, y0, x1, y1: blk.add_line((x0, y0), (x1, y1)),
                        lambda t, x, y: blk.add_text(t, dxfattribs={'insert': (x, y), 'height': 3.5}),
                        W)
            if attrs:
                blk.add_attdef('TUHAO', (W - 147, 33), dxfattribs={'prompt': '图 号', 'height': 3.5})
                blk.add_attdef('TUMING', (W - 147, 23), dxfattribs={'prompt': '图纸名称', 'height': 3.5})
                blk.add_attdef('SHEJI', (W - 147, 3), dxfattribs={'prompt': '设计', 'height': 3.5})
        ref = msp.add_blockref(bname, (ix, iy), dxfattribs={'xscale': s, 'yscale': s, 'rotation': deg})
        if attrs:
            ref.add_auto_attribs({'TUHAO': number, 'TUMING': name, 'SHEJI': ''})
    else:
        msp.add_lwpolyline([f(0, 0), f(W, 0), f(W, H), f(0, H)], close=True)
        title_block(lambda x0, y0, x1, y1: msp.add_line(f(x0, y0), f(x1, y1)), text, W)
    if not attrs:
        text(number, W - 147, 33)
        text(name, W - 147, 23)
    text(scale_text, W - 147, 13)
    text(n1, W - 77, 33)
    text(n2, W - 77, 23)
)";

std::string pyString(const QString& s) {
  QString out = QStringLiteral("'");
  for (const QChar c : s) {
    if (c == u'\'' || c == u'\\') out += u'\\';
    out += c;
  }
  return (out + u'\'').toStdString();
}

std::string pyNumber(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

}  // namespace

std::vector<Sheet> standardSheets() {
  return {
      {"A4", 210, 297}, {"A3", 420, 297}, {"A2", 594, 420}, {"A1", 841, 594}, {"A0", 1189, 841}};
}

std::string framesPython(const std::vector<Frame>& frames) {
  std::string code;
  for (const Frame& f : frames) {
    code += "frame(" + pyString(f.sheet.sheet) + ", " + pyNumber(f.sheet.W) + ", " +
            pyNumber(f.sheet.H) + ", " + pyNumber(f.x) + ", " + pyNumber(f.y) + ", " +
            pyNumber(f.scale) + ", " + pyNumber(f.degrees) + ", " +
            (f.baseAtRight ? "True" : "False") + ", " + (f.attributes ? "True" : "False") + ", " +
            (f.asBlock ? "True" : "False") + ", " + pyString(f.number) + ", " + pyString(f.name) +
            ", " + pyString(f.scaleText) + ", " + pyString(f.note1) + ", " + pyString(f.note2) +
            ")\n";
  }
  return code;
}

std::string writeWithEzdxf(const std::string& path, const std::string& body) {
  const std::string script = std::string(kPrelude) + body + "\ndoc.saveas(sys.argv[1])\n";
  QProcess python;
  python.start(
      QStringLiteral("/usr/bin/python3"),
      {QStringLiteral("-c"), QString::fromStdString(script), QString::fromStdString(path)});
  if (!python.waitForFinished(120000)) return "python3 did not finish";
  const std::string out =
      python.readAllStandardOutput().toStdString() + python.readAllStandardError().toStdString();
  return python.exitCode() == 0 ? std::string() : out;
}

std::string writeFrames(const std::string& path, const std::vector<Frame>& frames,
                        const std::string& extra) {
  return writeWithEzdxf(path, framesPython(frames) + extra);
}

void makeTemplates(tarvik::CAD& cad, const QString& modPath, const std::vector<Sheet>& sheets) {
  QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mods>\n");
  for (const Sheet& s : sheets) {
    xml += QStringLiteral("  <mod name=\"TK_%1\"><type>图签模板</type><ins>0,0</ins></mod>\n")
               .arg(s.sheet);
  }
  xml += QStringLiteral("</mods>\n");
  QFile file(modPath + QStringLiteral("/db.xml"));
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(xml.toUtf8());
  file.close();
  cad.setModPath(modPath);
  using tarvik::Variant;
  for (const Sheet& s : sheets) {
    const QString name = QStringLiteral("TK_") + s.sheet;
    cad.ReadMod(name);  // no cell file yet: an empty working list
    const double W = s.W;
    cad.newCell(QStringLiteral("图号"), 1, QString(), Variant::point(W - 150, 40, 0),
                Variant::point(W - 80, 30, 0));
    cad.newCell(QStringLiteral("图名"), 1, QString(), Variant::point(W - 150, 30, 0),
                Variant::point(W - 80, 20, 0));
    cad.newCell(QStringLiteral("比例"), 1, QString(), Variant::point(W - 150, 20, 0),
                Variant::point(W - 80, 10, 0));
    cad.newCell(QStringLiteral("备注"), 2, QString(), Variant::point(W - 80, 40, 0),
                Variant::point(W, 30, 0));
    cad.SaveMod(name);
  }
}

QStringList sectionKeys(const QString& iniPath, const QString& section) {
  QFile file(iniPath);
  QStringList keys;
  if (!file.open(QIODevice::ReadOnly)) return keys;
  const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
  bool in = false;
  for (QString line : lines) {
    line = line.trimmed();
    if (line.startsWith(u'[')) {
      in = line.mid(1, line.size() - 2).compare(section, Qt::CaseInsensitive) == 0;
      continue;
    }
    if (in && line.contains(u'=')) keys << line.section(u'=', 0, 0).trimmed();
  }
  return keys;
}

Host::Host() : app(cadhost::Application::create()) {
  cad.setUi(ui);
  cad.acadApp = app;
  cad.setWorkPath(dir.path());
}

QString Host::splitWithAnalysis(const QString& name) {
  QDir().mkpath(path("Out"));
  cad.setChildFileSavePath(path("Out"));
  try {
    cad.SplitDwg(path(name), false);
  } catch (const sheetcut::Error& e) {
    return QString::fromUtf8(e.what());
  }
  return QString();
}

Host::~Host() {
  cad.acadApp.reset();
  cad.AcadDoc.reset();
  app->quit();
}

}  // namespace antest
