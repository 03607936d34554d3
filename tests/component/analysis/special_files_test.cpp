// A named pipe, or a link to a device, where a drawing or a frame-definition file is expected:
// every member gives its usual failure at once instead of blocking or reading without end.

#include <gtest/gtest.h>
#include <sheetcut/error.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <memory>

#include "analysis_fixture.h"
#include "pipe_watchdog.h"
#include "qstring_printer.h"
#include "tarvik/cad_events.h"

namespace {

using sheetcut::testing::PipeWatchdog;
using sheetcut::testing::secondsTaken;

struct EventLog : tarvik::CADEvents {
  QStringList log;
  void AnDwgFileBigen(const QString&) override { log << "file"; }
  void AnDwgFileEnd(const QString&, const QString&) override { log << "file end"; }
  void AnDwgDirBigen(const QString&) override { log << "dir"; }
  void AnDwgDirEnd(const QString&, const QString&) override { log << "dir end"; }
};

class SpecialFilesTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override {
    cad.addEventHandler(&events);
    cad.setWorkPath(dir.path());
    cad.setChildFileSavePath(path("out"));
    // One folder holding a pipe, one holding a link to /dev/zero, each named like a drawing.
    ASSERT_TRUE(QDir().mkpath(path("pipe")) && QDir().mkpath(path("zero")));
    ASSERT_EQ(::mkfifo(spath("pipe/a.dxf").c_str(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", path("zero/a.dxf")));
    watchdog = std::make_unique<PipeWatchdog>(spath("pipe/a.dxf"));
  }
  void TearDown() override { cad.removeEventHandler(&events); }

  // Runs `call` on each special file (or its folder); it must end within a second.
  template <class Call>
  void onEach(Call call) {
    for (const char* folder : {"pipe", "zero"}) {
      SCOPED_TRACE(folder);
      events.log.clear();
      EXPECT_LT(secondsTaken([&] { call(path(folder), path(QString(folder) + "/a.dxf")); }), 1.0);
    }
  }

  EventLog events;
  std::unique_ptr<PipeWatchdog> watchdog;
};

// The split fails naming the drawing; the analyses end silently without their end event.
TEST_F(SpecialFilesTest, DrawingMembersFailAtOnce) {
  onEach([&](const QString& folder, const QString& drawing) {
    (void)folder;
    try {
      cad.SplitDwg(drawing, true);
      ADD_FAILURE() << "the split succeeded";
    } catch (const sheetcut::Error& e) {
      EXPECT_NE(e.description().find(drawing.toStdString()), std::string::npos) << e.description();
      EXPECT_NE(e.description().find("not a regular file"), std::string::npos) << e.description();
    }
    events.log.clear();
    cad.WriteDwg(drawing);
    cad.NewFXDWG(drawing);
    EXPECT_FALSE(cad.FXDWG(drawing, std::nullopt, std::nullopt, QString()));
    EXPECT_EQ(events.log, QStringList({"file", "file", "file"}));
  });
  EXPECT_FALSE(QFileInfo::exists(path("out")) && !QDir(path("out")).isEmpty());
}

TEST_F(SpecialFilesTest, FolderBatchesFailAtOnce) {
  onEach([&](const QString& folder, const QString& drawing) {
    try {
      cad.SplitdwgDir(folder);
      ADD_FAILURE() << "the split batch succeeded";
    } catch (const sheetcut::Error& e) {
      EXPECT_NE(e.description().find(drawing.toStdString()), std::string::npos) << e.description();
    }
    events.log.clear();
    cad.FXdwgDir(folder);
    EXPECT_EQ(events.log, QStringList({"dir", "file", "dir end"}));
  });
}

// GetFrameType never fails: the list is empty and the path is kept for sizing.
TEST_F(SpecialFilesTest, FrameDefinitionsListNothing) {
  onEach([&](const QString& folder, const QString& file) {
    (void)folder;
    QStringList list{"old"};
    cad.GetFrameType(file, list);
    EXPECT_EQ(list, QStringList());
  });
}

}  // namespace
