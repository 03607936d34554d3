#include "sheetcut_app/desktop_opener.h"

#include <QProcess>

namespace sheetcut::app {

namespace {

// xdg-open's exit code when it found no program that opens the file.
constexpr int kNoProgramFound = 3;

}  // namespace

DesktopOpener::DesktopOpener(QString opener) : opener_(std::move(opener)) {}

DesktopOpener::~DesktopOpener() {
  for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
    process->disconnect();
    // A viewer the opener waits on stays open: only the opener itself is ended.
    process->kill();
    process->waitForFinished(1000);
  }
}

void DesktopOpener::open(const QString& path, std::function<void()> onNoProgram) {
  auto* process = new QProcess(this);
  process->setProgram(opener_);
  process->setArguments({path});
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  process->setStandardInputFile(QProcess::nullDevice());
  connect(process, &QProcess::errorOccurred, this,
          [process, onNoProgram](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart) return;
            process->deleteLater();
            if (onNoProgram) onNoProgram();
          });
  connect(process, &QProcess::finished, this,
          [process, onNoProgram](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            if (status == QProcess::NormalExit && exitCode == kNoProgramFound && onNoProgram) {
              onNoProgram();
            }
          });
  process->start();
}

}  // namespace sheetcut::app
