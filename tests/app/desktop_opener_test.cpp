// Opening files and folders with the desktop's opener: an opener that is missing or finds no
// program is told; one that opens the file is not.

#include "sheetcut_app/desktop_opener.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include "app_test_support.h"

using sheetcut::app::DesktopOpener;

namespace {

// An opener script that records its argument and ends with `exitCode`.
QString writeOpener(const apptest::Folder& folder, int exitCode) {
  const QString path = folder / QStringLiteral("opener-%1").arg(exitCode);
  QFile script(path);
  script.open(QIODevice::WriteOnly);
  script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\nexit %1\n")
                   .arg(exitCode)
                   .toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

// Runs the event loop until the opener's process has gone.
void settle(DesktopOpener& opener) {
  const QDeadlineTimer deadline(10000);
  while (!opener.findChildren<QObject*>().isEmpty() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QCoreApplication::processEvents();
}

}  // namespace

TEST(DesktopOpener, SaysWhenNoProgramOpensThePath) {
  apptest::Folder folder;
  const QString target = folder.touch("Out/a b;$(x).pdf");
  for (const auto& [exitCode, told] : {std::pair{0, false}, {3, true}}) {
    const QString script = writeOpener(folder, exitCode);
    DesktopOpener opener(script);
    int calls = 0;
    opener.open(target, [&] { ++calls; });
    settle(opener);
    EXPECT_EQ(calls, told ? 1 : 0) << exitCode;
    QFile arg(script + ".arg");
    ASSERT_TRUE(arg.open(QIODevice::ReadOnly)) << exitCode;
    EXPECT_EQ(QString::fromUtf8(arg.readAll()), target);  // one argument, no shell between
  }

  DesktopOpener missing(folder / "no-such-opener");
  int calls = 0;
  missing.open(target, [&] { ++calls; });
  settle(missing);
  EXPECT_EQ(calls, 1);
}
