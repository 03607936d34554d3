#include "drawing_fixture.h"

#include <QProcess>

namespace recogtest {

namespace {

const char* kPrelude = R"(
import math, sys, ezdxf
doc = ezdxf.new('R2010')
msp = doc.modelspace()
def place(ox, oy, deg):
    a = math.radians(deg)
    def f(x, y):
        return (ox + x * math.cos(a) - y * math.sin(a), oy + x * math.sin(a) + y * math.cos(a))
    return f
)";

}  // namespace

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

std::string titleBlockPython(double ox, double oy, double degrees) {
  char head[160];
  std::snprintf(head, sizeof head, "P = place(%.17g, %.17g, %.17g)\nR = %.17g\n", ox, oy, degrees,
                degrees);
  return std::string(head) + R"(
def line(x0, y0, x1, y1):
    msp.add_line(P(x0, y0), P(x1, y1))
msp.add_lwpolyline([P(0, 0), P(180, 0), P(180, 40), P(0, 40)], close=True)
line(0, 30, 180, 30)
line(0, 20, 89.6, 20)
line(90.4, 20, 180, 20)
line(0, 10, 100, 10)
line(95, 10, 180, 10)
line(30, 0, 30, 38.5)
msp.add_lwpolyline([P(80, 0), P(80, 40)])
line(130, 0, 130, 20)
def text(s, x, y, h=3.5):
    msp.add_text(s, dxfattribs={'insert': P(x, y), 'height': h, 'rotation': R})
def mtext(s, x, y, h=3.5):
    msp.add_mtext(s, dxfattribs={'insert': P(x, y), 'char_height': h, 'rotation': R,
                                 'attachment_point': 7})
text('图号', 3, 33)
text('A100-B500-00', 33, 33)
mtext('{\\fSimSun|b0|i0;\\H3.5;工程}名称', 83, 33)
text('Scale 1:100', 20, 23)
mtext('钢结构\\PSteel', 83, 22, 2.5)
text('设计   张三', 3, 13)
)";
}

std::vector<Box> titleBlockCells() {
  return {{0, 40, 30, 30},   {30, 40, 80, 30},   {80, 40, 180, 30}, {0, 30, 30, 20},
          {30, 30, 80, 20},  {80, 30, 180, 20},  {0, 20, 30, 10},   {30, 20, 80, 10},
          {80, 20, 130, 10}, {130, 20, 180, 10}, {0, 10, 30, 0},    {30, 10, 80, 0},
          {80, 10, 130, 0},  {130, 10, 180, 0}};
}

Host::Host() : app(cadhost::Application::create()) {
  cad.setUi(std::make_shared<tarvik::ScriptedUi>());
  cad.acadApp = app;
}

Host::~Host() {
  cad.acadApp.reset();
  cad.AcadDoc.reset();
  app->quit();
}

cadhost::Document Host::open(const std::string& file) {
  cadhost::Document doc = app->documents().open(file);
  cad.AcadDoc = doc;
  return doc;
}

}  // namespace recogtest
