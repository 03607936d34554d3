// Splits side by side: several processes split one drawing into one folder at the same moment,
// racing for the same names. Every child of every split must be there, and no file replaced.

#include <gtest/gtest.h>

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

#include "qstring_printer.h"
#include "split_fixture.h"

namespace {

using namespace splittest;

constexpr int kFrames = 120;
constexpr int kSplits = 3;
constexpr int kRuns = 4;

// Frames in rows of 10; every eighth frame repeats the number of the one before, so that the
// splits also race for the names with running numbers.
const QString kSheetSetScript = QStringLiteral(R"(
import sys, ezdxf
numbers = []
for i in range(1, int(sys.argv[2]) + 1):
    numbers.append(numbers[-1] if i % 8 == 0 else 'A%d-B-%d' % (i, i))
doc = ezdxf.new('R2018', setup=True)
frames(doc.modelspace(), numbers, columns=10)
doc.saveas(sys.argv[1])
)");

QString number(int frame) {
  const int own = frame % 8 == 0 ? frame - 1 : frame;
  return QStringLiteral("A%1-B-%1").arg(own);
}

TEST(SplitsSideBySide, EveryChildOfEverySplitIsKeptAndNoFileReplaced) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString drawing = tmp.path() + "/sheets.dxf";
  const QString out = tmp.path() + "/Out";
  ASSERT_TRUE(QDir().mkpath(out));
  ASSERT_EQ(runPython(ezdxfFrames() + kSheetSetScript, {drawing, QString::number(kFrames)}), "");
  // A file of the user's under a name the splits want: kept as it is.
  QFile user(out + "/A1-B-1.dxf");
  ASSERT_TRUE(user.open(QIODevice::WriteOnly));
  user.write("the user's own");
  user.close();

  for (int run = 1; run <= kRuns; ++run) {
    const QString go = tmp.path() + "/go" + QString::number(run);
    std::vector<std::unique_ptr<QProcess>> splits;
    for (int i = 0; i < kSplits; ++i) {
      splits.push_back(std::make_unique<QProcess>());
      splits.back()->start(SPLIT_PROCESS, {drawing, "@*-@*-#*", out, go});
      ASSERT_TRUE(splits.back()->waitForStarted());
    }
    QFile(go).open(QIODevice::WriteOnly);
    for (auto& split : splits) {
      ASSERT_TRUE(split->waitForFinished(300000));
      EXPECT_EQ(split->exitCode(), 0) << split->readAllStandardError().toStdString();
    }
    const QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::System);
    ASSERT_EQ(files.size(), 1 + run * kSplits * kFrames) << "run " << run;
  }

  // Every child holds one frame; each frame's number is there once for every split.
  auto app = cadhost::Application::create();
  std::map<QString, int> seen;
  for (const QString& name : QDir(out).entryList(QDir::Files)) {
    if (name == "A1-B-1.dxf") continue;
    ASSERT_TRUE(name.endsWith(".dxf")) << name.toStdString();
    cadhost::Document child = app->documents().open((out + "/" + name).toStdString(), true);
    QStringList texts;
    for (const cadhost::Entity& e : child.modelSpace().entities()) {
      if (e.dxfType() == "TEXT") texts << QString::fromStdString(e.textString());
    }
    child.close(false);
    ASSERT_EQ(texts.size(), 1) << name.toStdString();
    ++seen[texts.first()];
  }
  app->quit();
  std::map<QString, int> expected;
  for (int frame = 1; frame <= kFrames; ++frame) expected[number(frame)] += kRuns * kSplits;
  EXPECT_EQ(seen, expected);
  QFile kept(out + "/A1-B-1.dxf");
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "the user's own");
}

}  // namespace
