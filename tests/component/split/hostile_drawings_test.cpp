// Small drawings built to stall the host (see hostile_drawings.py: block fan-out, a deep
// scaled chain across the strips, a 12 MB type name, a nameless layer "0") split into the same
// children as the plain drawing they extend; their sources stay as they were.

#include <gtest/gtest.h>

#include <tarvik/cad.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "qstring_printer.h"
#include "split_fixture.h"

namespace tarvik {
namespace {

using namespace splittest;
using Counts = std::map<std::string, int>;

class HostileDrawingsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new QTemporaryDir;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(HOSTILE_DRAWINGS_SCRIPT), folder_->path()});
    ASSERT_TRUE(python.waitForFinished(120000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  void SetUp() override {
    cad.setUi(std::make_shared<ScriptedUi>());
    app = cadhost::Application::create();
    cad.acadApp = app;
    cad.dwgIDMask = kMask;
    ASSERT_TRUE(QDir().mkpath(folder_->path() + "/work"));
    cad.setWorkPath(folder_->path() + "/work");
  }
  void TearDown() override { app->quit(); }

  // Splits the drawing into a folder named after it; the children's entity counts by name.
  std::map<QString, Counts> split(const QString& name) {
    const QString drawing = folder_->path() + "/" + name + ".dxf";
    const QString out = folder_->path() + "/out-" + name;
    const QByteArray before = fileBytes(drawing);
    cad.setChildFileSavePath(out);
    cad.SplitDwg(drawing, true);
    EXPECT_EQ(fileBytes(drawing), before) << name.toStdString();
    std::map<QString, Counts> children;
    for (const QString& child : fileNames(out))
      children[child] = countByType(*app, (out + "/" + child).toStdString());
    return children;
  }
  QString child(const QString& drawing, const QString& name) const {
    return folder_->path() + "/out-" + drawing + "/" + name;
  }

  static QTemporaryDir* folder_;
  CAD cad;
  std::shared_ptr<cadhost::Application> app;
};

QTemporaryDir* HostileDrawingsTest::folder_ = nullptr;

TEST_F(HostileDrawingsTest, SplitIntoTheChildrenOfThePlainDrawing) {
  const std::map<QString, Counts> plain = split("plain");
  const Counts frame{{"LINE", 1}, {"LWPOLYLINE", 1}, {"TEXT", 1}};
  ASSERT_EQ(plain,
            (std::map<QString, Counts>{{"A100-B200-01.dxf", frame}, {"A100-B200-02.dxf", frame}}));
  // The nameless layer is layer "0"; the entity with the long type lies between the frames.
  EXPECT_EQ(split("layer-zero"), plain);
  EXPECT_EQ(split("long-type"), plain);
  // The references lie in the first frame and go with it.
  std::map<QString, Counts> withReferences = plain;
  withReferences["A100-B200-01.dxf"]["INSERT"] = 20;
  EXPECT_EQ(split("fan-out"), withReferences);
  withReferences["A100-B200-01.dxf"]["INSERT"] = 1;
  EXPECT_EQ(split("deep"), withReferences);
  EXPECT_EQ(ezdxfAudit({child("layer-zero", "A100-B200-01.dxf"),
                        child("fan-out", "A100-B200-01.dxf"), child("deep", "A100-B200-01.dxf")}),
            "");
}

}  // namespace
}  // namespace tarvik
