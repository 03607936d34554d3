#include "sheetcut_app/split_run.h"

#include <sheetcut/error.h>

#include <QTime>

#include "sheetcut_app/dwg_id_format.h"
#include "sheetcut_app/error_text.h"
#include "sheetcut_app/split_failure.h"

namespace sheetcut::app {

namespace {

const QString kNoHost = QStringLiteral("无法启动AutoCAD");

// Leaves the flag set while the run is on, whatever way it ends.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& flag_;
};

// The closing status text: the drawings split, and apart from them those without a frame.
QString doneText(int split, int withoutFrame) {
  if (withoutFrame == 0) {
    return QString::number(split) + QStringLiteral("张图纸拆分完毕,双击可查看拆分后的文件列表!");
  }
  QString text = QString::number(split) + QStringLiteral("张图纸拆分完毕,") +
                 QString::number(withoutFrame) + QStringLiteral("张图纸中没有找到图框");
  text.append(split > 0 ? QStringLiteral(",双击可查看拆分后的文件列表!") : QStringLiteral("!"));
  return text;
}

}  // namespace

SplitRun::SplitRun(FileList& list, ProgramServices& api, SplitComponent& cad, ConfigFile& config)
    : list_(list), api_(api), cad_(cad), config_(config) {}

void SplitRun::StartSplit(const RunChoices& choices) {
  if (running_ || list_.isEmpty()) return;
  RunningFlag running(running_);
  stopRequested_ = false;
  // Rows are neither added nor removed during the run: the window refuses those commands.
  const int rows = list_.drawingCount();
  try {
    QString outFolder;
    if (choices.mode == SaveMode::ChosenFolder) {
      outFolder = choices.folder;
      if (!chooseOutFolder(outFolder)) return;
      // The folder the run uses is the one the next start offers, typed or picked.
      config_.write(ini::kUserSet, ini::kOutFolder, outFolder);
      outFolder = folderWithSlash(outFolder);
      config_.write(ini::kUserSet, ini::kSaveMode, QStringLiteral("1"));
    } else {
      config_.write(ini::kUserSet, ini::kSaveMode, QStringLiteral("0"));
    }
    if (!cad_.AcadAppIsRun(false, false)) {
      fail(rows, kNoHost);
      return;
    }
    config_.write(ini::kFormats, ini::kDefaultFormat, choices.formatText);
    waitCursor(true);
    cad_.showHost(true);
    cad_.setDwgIDMask(GetDwgIDMask(choices.formatText));
    const int withoutFrame = splitRows(outFolder, choices.mode);
    if (stopRequested_) {
      waitCursor(false);
      return;
    }
    status(doneText(rows - withoutFrame, withoutFrame));
    waitCursor(false);
    cad_.CloseAutoCAD();
  } catch (...) {
    fail(rows, errorText(std::current_exception()).description);
  }
}

bool SplitRun::chooseOutFolder(QString& folder) {
  QString problem;
  if (folder.isEmpty()) {
    problem = QStringLiteral("请先设置转换文件的存放路径");
  } else if (!api_.FolderExist(folder)) {
    problem = folder + QStringLiteral("不存在,请重新设置!");
  } else {
    return true;
  }
  api_.Alert(problem, QString());
  folder = api_.SelectFolder(owner, QStringLiteral("转换文件的存放路径"), QString(), true);
  if (folder.isEmpty()) return false;
  if (onFolderChosen) onFolderChosen(folder);
  return true;
}

int SplitRun::splitRows(const QString& outFolder, SaveMode mode) {
  // A row this run does not reach shows nothing, and a row it fails on no end time of before.
  list_.clearRunMarks();
  int withoutFrame = 0;
  for (int row = 0; row < list_.drawingCount(); ++row) {
    if (stopRequested_) break;
    const QString path = list_.path(row);
    status(QStringLiteral("正在转换:") + path);
    list_.setPicture(row, QStringLiteral("doing"));
    list_.setStartTime(row, now());
    const QString folder = mode == SaveMode::OwnFolder ? list_.folderTag(row) : outFolder;
    const QString childFolder = folder + list_.nameTag(row);
    cad_.setChildFileSavePath(childFolder);
    // A double-click opens this folder, whatever the save mode and folder box say later.
    list_.setOutputFolder(row, childFolder);
    int written = 0;
    try {
      written = cad_.SplitDwg(path, true);
    } catch (...) {
      list_.setPicture(row, QStringLiteral("err"));
      // The status bar says first, in the program's words, what is wrong with the drawing or
      // its folder, and then the component's detail.
      const ErrorText error = errorText(std::current_exception());
      throw sheetcut::Error(error.number,
                            splitFailureReason(path, childFolder, error.description).toStdString());
    }
    // No frame, no split drawing and no folder: not a failure of the drawing, yet nothing to
    // show for it.
    if (written == 0) ++withoutFrame;
    list_.setPicture(row, written > 0 ? QStringLiteral("ok") : QStringLiteral("none"));
    list_.setEndTime(row, now());
  }
  return withoutFrame;
}

void SplitRun::fail(int rows, const QString& description) {
  waitCursor(false);
  if (cad_.hasHost()) cad_.showHost(false);
  status(QString::number(rows) + QStringLiteral("拆分发生异常, 原因: \r\n") + description);
}

void SplitRun::status(const QString& text) {
  if (onStatus) onStatus(text);
}

void SplitRun::waitCursor(bool on) {
  if (waitCursor_ == on) return;
  waitCursor_ = on;
  if (onWaitCursor) onWaitCursor(on);
}

QString SplitRun::now() const {
  return clock ? clock() : QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace sheetcut::app
