// CAD::WindowsPlot: one window of the active drawing plotted as a sheet of its own under a new
// GUID (the work name). The analysis reports a frame it recognises in the window; otherwise the
// user gives the drawing number, name and scale, which are reported here. What the plot changes
// in the drawing is undone at the end; the files written stay.

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <sheetcut/error.h>

#include <cmath>
#include <exception>

#include "tarvik/analysis_report.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/cell_file.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"
#include "tarvik/frm_dwg.h"
#include "tarvik/recognition/number_text.h"

namespace tarvik {

namespace {

const QString kTitle = QStringLiteral("Tarvik");
const QString kPathKindKey = QStringLiteral("路径类型");
const QString kKeyNumber = QStringLiteral("图号");
const QString kKeyName = QStringLiteral("图名");
const QString kKeyPlotFile = QStringLiteral("PLT");
constexpr const char* kUndoCommand = "(command \"U\" )\r";

// Closes the undo group opened on the document and takes it back, also when the plot leaves
// early. Only a group this plot opened is undone: without one, "U" would take back the user's
// own last change.
class UndoGroup {
 public:
  explicit UndoGroup(cadhost::Document doc) : doc_(std::move(doc)) {
    open_ = attempt([&] { doc_.startUndoMark(); });
  }
  ~UndoGroup() {
    if (!open_) return;
    attempt([&] { doc_.endUndoMark(); });
    attempt([&] { doc_.sendCommand(kUndoCommand); });
  }
  UndoGroup(const UndoGroup&) = delete;
  UndoGroup& operator=(const UndoGroup&) = delete;

 private:
  cadhost::Document doc_;
  bool open_ = false;
};

}  // namespace

QString CAD::WindowsPlot(const Point3d& MinPoint, const Point3d& MaxPoint) {
  for (const double v :
       {MinPoint[0], MinPoint[1], MinPoint[2], MaxPoint[0], MaxPoint[1], MaxPoint[2]}) {
    if (!std::isfinite(v)) {
      ui_->showMessage(kTitle, QStringLiteral("窗口的角点不是有限的数, 未打印窗口"));
      return {};
    }
  }
  // The window drawing and its report section are named in the folder for split drawings: an
  // empty one would put them in the process's working folder.
  const QString folder = ChildFileSavePath();
  if (folder.isEmpty()) {
    ui_->showMessage(kTitle, QStringLiteral("没有设置拆分图形的保存目录, 未打印窗口"));
    return {};
  }
  if (folder.contains(QChar(u'\0'))) {
    ui_->showMessage(kTitle, QStringLiteral("拆分图形的保存目录 \"%1\" 含有NUL字符, 未打印窗口")
                                 .arg(QString(folder).replace(QChar(u'\0'), u'?')));
    return {};
  }
  cadhost::Document doc;
  if (!acadApp || !attemptGet(doc, [&] { return acadApp->activeDocument(); })) {
    ui_->showMessage(kTitle, QStringLiteral("没有打开的图形, 未打印窗口"));
    return {};
  }
  AcadDoc = doc;
  const UndoGroup undo(doc);

  attempt([&] { doc.selectionSets().item("SSSS").remove(); });
  cadhost::SelectionSet set;
  const bool haveSet = attemptGet(set, [&] { return doc.selectionSets().add("SSSS"); });

  const QString work = NewGuidStr();
  QString fullName, fileName;
  attemptGet(fullName, [&] { return QString::fromStdString(doc.fullName()); });
  // The file name of the drawing; a drawing never saved has the host's name for it.
  attemptGet(fileName, [&] { return QString::fromStdString(doc.name()); });
  const QString windowPath = folder + work + kDrawingExtension;

  bool found = false;
  try {
    found = FXDWG(windowPath, MinPoint, MaxPoint, work);
  } catch (const CellFileError& e) {
    // A template matched but its cells could not be read: the user learns which file and why,
    // then is asked for the number as for a frame nothing recognised.
    ui_->showMessage(kTitle,
                     QStringLiteral("模板单元文件无法读取: ") + QString::fromUtf8(e.what()));
  } catch (const std::exception&) {
    // An analysis that fails recognised nothing: the user is asked instead.
  }

  const QString* pathKind = PlotCfg.find(kPathKindKey);
  const bool workNamed = pathKind != nullptr && *pathKind == u"WORK";
  // The plot of the window, then the window's entities written out as a drawing of the work
  // name. The plot shows its own messages.
  const auto plotAndWrite = [&] {
    Point3d a = MinPoint, b = MaxPoint;
    try {
      DwgPlotCmd(workNamed ? work : fileName, a, b);
    } catch (const std::exception&) {
    }
    const cadhost::Point3 p1{MinPoint[0], MinPoint[1], MinPoint[2]};
    const cadhost::Point3 p2{MaxPoint[0], MaxPoint[1], MaxPoint[2]};
    attempt([&] { acadApp->zoomWindow(p1, p2); });
    if (haveSet) attempt([&] { set.select(cadhost::SelectMode::Crossing, &p1, &p2); });
    if (!workNamed) return;
    try {
      // The work name is new: a file of that name is someone else's and stays.
      doc.wblock(windowPath.toStdString(), set, cadhost::WriteMode::NoReplace);
    } catch (const cadhost::HostError& e) {
      ui_->showMessage(
          kTitle,
          QStringLiteral("窗口图形未能写出: %1 (%2)").arg(windowPath, QString::fromUtf8(e.what())));
    }
  };

  QString result;
  if (found) {
    plotAndWrite();
    result = fullName;
  } else if (showFrmDwg()) {
    const QString report = joinPath(WorkPath(), kReportFileName);
    const QString section = windowPath.toLower();
    Report_.put(report, section, kKeyNumber, DlgDwgNo);
    Report_.put(report, section, kKeyName, DlgDwgName);
    Report_.put(report, section, kKeyScale, numberText(DlgScale));
    Report_.put(report, section, kKeyGuid, work);
    Report_.put(report, section, kKeyPlotFile, work + QStringLiteral(".plt"));
    // The window is plotted at the typed scale, which stays the plot scale afterwards.
    if (!PlotCfg.isEmpty()) SetPlotItem(kPlotScaleKey, numberText(DlgScale));
    Report_.put(report, section, kKeySheetClass,
                windowSheetSize(MaxPoint[0] - MinPoint[0], MaxPoint[1] - MinPoint[1], DlgScale));
    Report_.flush();
    plotAndWrite();
    result = work;
  }
  return result;
}

}  // namespace tarvik
