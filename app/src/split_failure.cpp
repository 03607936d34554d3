#include "sheetcut_app/split_failure.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <utility>

namespace sheetcut::app {

namespace {

// Enough of the start of a file to tell what it is.
constexpr qint64 kHeadBytes = 4096;

QString quoted(const QString& path) {
  return QStringLiteral("\"") + path + QStringLiteral("\"");
}

// The next line of `head` from `pos`, without its line break; false at the end.
bool nextLine(const QByteArray& head, qsizetype& pos, QByteArray& line) {
  if (pos >= head.size()) return false;
  qsizetype end = head.indexOf('\n', pos);
  if (end < 0) end = head.size();
  line = head.mid(pos, end - pos);
  if (line.endsWith('\r')) line.chop(1);
  pos = end + 1;
  return true;
}

// An ASCII DXF begins with group code 0 and SECTION (or EOF for a drawing of nothing); comments
// (group code 999) may come first.
bool startsLikeAsciiDxf(const QByteArray& head) {
  qsizetype pos = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  QByteArray code, value;
  while (nextLine(head, pos, code)) {
    bool isNumber = false;
    const int number = code.trimmed().toInt(&isNumber);
    if (!isNumber || !nextLine(head, pos, value)) return false;
    if (number == 999) continue;
    const QByteArray word = value.trimmed();
    return number == 0 && (word == "SECTION" || word == "EOF");
  }
  return false;
}

// The line (or, in a binary drawing, the byte) where the component stopped reading, as the
// program says it; empty when the detail names none.
QString placeIn(const QString& detail) {
  static const QRegularExpression line(QStringLiteral(":\\s*line (\\d+):"));
  static const QRegularExpression byte(QStringLiteral(":\\s*byte offset (\\d+):"));
  if (const auto m = line.match(detail); m.hasMatch()) {
    return QStringLiteral("第%1行").arg(m.captured(1));
  }
  if (const auto m = byte.match(detail); m.hasMatch()) {
    return QStringLiteral("第%1字节").arg(m.captured(1));
  }
  return QString();
}

// The component's detail says that reading the drawing failed.
bool isReadFailure(const QString& detail) {
  return !placeIn(detail).isEmpty() || detail.contains(QLatin1String("the file ends"));
}

// The component's account of frames it did not write or plot: "N of the frames of "<drawing>"
// were not written or not plotted: frame 1 "<name>": <cause>; frame 2: ...". Said in the
// program's words: how many frames were not written (or plotted), and why, as far as the causes
// are known ones; empty when the detail is no such account.
QString framesFailure(const QString& detail) {
  static const QRegularExpression account(
      QStringLiteral("^(\\d+) of the frames of \".*\" were not written or not plotted: "),
      QRegularExpression::DotMatchesEverythingOption);
  const auto m = account.match(detail);
  if (!m.hasMatch()) return QString();
  const QString frames = detail.mid(m.capturedEnd());
  // A frame's name may hold quotes: it ends at the first quote followed by ": ".
  static const QRegularExpression frame(
      QStringLiteral("(?:^|; )frame \\d+(?: \".*?\")?: (not plotted: )?"));
  bool written = false, plotted = false;
  for (auto it = frame.globalMatch(frames); it.hasNext();) {
    (it.next().hasCaptured(1) ? plotted : written) = true;
  }
  // The causes as the host and the component word them, in the order of this table.
  static const std::pair<const char*, const char*> kCauses[] = {
      {"Permission denied", "没有写入权限"},
      {"Read-only file system", "磁盘是只读的"},
      {"No space left on device", "磁盘已满"},
      {"Disk quota exceeded", "超出磁盘配额"},
      {": the file exists", "同名文件已存在"},
      {"\" cannot be created", "无法创建输出文件夹"},
      {"title block was not recognised", "图签没有识别"},
  };
  QStringList causes;
  for (const auto& [words, said] : kCauses) {
    if (frames.contains(QLatin1String(words))) causes << QString::fromUtf8(said);
  }
  QString text = m.captured(1) + QStringLiteral("个图框");
  text += plotted && !written ? QStringLiteral("没有打印")
          : plotted           ? QStringLiteral("没有写入或没有打印")
                              : QStringLiteral("没有写入");
  if (!causes.isEmpty()) text += QStringLiteral("(") + causes.join(u'、') + QStringLiteral(")");
  return text;
}

// The component's account of a source drawing it could not open or read, said in the
// program's words: what failed (opening or reading) and, for the causes the host words as in
// this table, why; empty when the detail is no such account. The component puts
// `Cannot open the drawing "<drawing>": ` before the host's own words, which are
// "cannot open the drawing <drawing>: <cause>", "cannot read the drawing <drawing>: <cause>"
// or "<drawing>: cannot read the file: <cause>"; a damaged or foreign drawing is none of these.
QString sourceFailure(const QString& drawing, const QString& detail) {
  if (detail.startsWith(QLatin1String("The drawing path \"")) &&
      detail.endsWith(QLatin1String("\" holds a NUL character"))) {
    return QStringLiteral("图纸路径中有NUL字符");
  }
  const QString component =
      QStringLiteral("Cannot open the drawing \"") + drawing + QStringLiteral("\": ");
  if (!detail.startsWith(component)) return QString();
  const QString host = detail.mid(component.size());
  const std::pair<QString, const char*> kSteps[] = {
      {QStringLiteral("cannot open the drawing ") + drawing + QStringLiteral(": "), "无法打开图纸"},
      {QStringLiteral("cannot read the drawing ") + drawing + QStringLiteral(": "), "无法读取图纸"},
      {drawing + QStringLiteral(": cannot read the file: "), "无法读取图纸"},
  };
  // The causes as the host words them (the system's error texts and its own).
  static const std::pair<const char*, const char*> kCauses[] = {
      {"Permission denied", "没有读取权限"},
      {"Operation not permitted", "系统不允许读取"},
      {"No such file or directory", "文件不存在"},
      {"not a regular file", "不是普通文件"},
      // Opening a socket or a device without a driver.
      {"No such device or address", "不是普通文件"},
      {"No such device", "不是普通文件"},
      {"Not a directory", "路径中有一级不是文件夹"},
      {"Too many levels of symbolic links", "符号链接太多或成环"},
      {"File name too long", "文件名太长"},
      {"Input/output error", "磁盘读取出错"},
      {"Resource temporarily unavailable", "文件正被占用"},
      {"Too many open files", "打开的文件太多"},
      {"Too many open files in system", "打开的文件太多"},
      {"Cannot allocate memory", "内存不足"},
      {"Stale file handle", "网络文件已失效"},
      {"Transport endpoint is not connected", "文件所在的文件系统已断开"},
  };
  for (const auto& [words, step] : kSteps) {
    if (!host.startsWith(words)) continue;
    const QString cause = host.mid(words.size());
    QString text = QString::fromUtf8(step);
    for (const auto& [hostCause, said] : kCauses) {
      if (cause == QLatin1String(hostCause)) {
        text += QStringLiteral("(") + QString::fromUtf8(said) + QStringLiteral(")");
        break;
      }
    }
    return text;
  }
  return QString();
}

}  // namespace

DrawingKind drawingKindOf(const QString& path) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
    return DrawingKind::Unreadable;
  }
  const QByteArray head = file.read(kHeadBytes);
  QByteArray bare = head;
  if (bare.startsWith("\xEF\xBB\xBF")) bare.remove(0, 3);
  if (bare.trimmed().isEmpty() && file.size() <= head.size()) return DrawingKind::Empty;
  // A DWG file starts with its version: "AC1015", "AC1032" and the like.
  if (head.size() >= 6 && head.startsWith("AC10") && head[4] >= '0' && head[4] <= '9') {
    return DrawingKind::Dwg;
  }
  if (head.startsWith("AutoCAD Binary DXF")) return DrawingKind::Dxf;
  return startsLikeAsciiDxf(head) ? DrawingKind::Dxf : DrawingKind::NotDxf;
}

QString whyFolderCannotBeCreated(const QString& folder) {
  if (folder.isEmpty()) return QString();
  QString path = QDir::cleanPath(folder);
  if (QFileInfo(path).isDir()) return QString();
  // Up from the folder to the first part of its path that exists.
  while (!QFileInfo::exists(path)) {
    const QString parent = QFileInfo(path).path();
    if (parent == path) return QString();
    path = parent;
  }
  if (!QFileInfo(path).isDir()) {
    return quoted(path) + QStringLiteral("是文件, 不是文件夹");
  }
  if (::access(QFile::encodeName(path).constData(), W_OK | X_OK) != 0) {
    if (errno == EROFS) return quoted(path) + QStringLiteral("所在的磁盘是只读的");
    if (errno == EACCES || errno == EPERM) {
      return QStringLiteral("没有在") + quoted(path) + QStringLiteral("中新建文件夹的权限");
    }
  }
  return QString();
}

QString splitFailureReason(const QString& drawing, const QString& outputFolder,
                           const QString& detail) {
  // Said from the detail, not from the file as it is now: a drawing that could not be opened
  // may be readable again, or gone, by the time this is said.
  if (const QString why = sourceFailure(drawing, detail); !why.isEmpty()) {
    return why + QStringLiteral(": ") + detail;
  }
  QString reason;
  switch (drawingKindOf(drawing)) {
    case DrawingKind::Dwg:
      reason = QStringLiteral("这是DWG格式的图纸, 本程序只能读取DXF图纸");
      break;
    case DrawingKind::Empty:
      reason = QStringLiteral("图纸文件是空的");
      break;
    case DrawingKind::NotDxf:
      reason = QStringLiteral("不是DXF图纸");
      break;
    case DrawingKind::Dxf:
      if (isReadFailure(detail)) {
        const QString place = placeIn(detail);
        reason = QStringLiteral("DXF图纸已损坏") +
                 (place.isEmpty() ? QString() : QStringLiteral("(") + place + QStringLiteral(")"));
      } else if (const QString why = whyFolderCannotBeCreated(outputFolder); !why.isEmpty()) {
        reason = QStringLiteral("无法创建输出文件夹") + quoted(outputFolder) + QStringLiteral("(") +
                 why + QStringLiteral(")");
      } else {
        reason = framesFailure(detail);
      }
      break;
    case DrawingKind::Unreadable:
      break;
  }
  return reason.isEmpty() ? detail : reason + QStringLiteral(": ") + detail;
}

}  // namespace sheetcut::app
