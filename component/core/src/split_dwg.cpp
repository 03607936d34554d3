// CAD::SplitDwg: one drawing in, one drawing file per frame out.

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <sheetcut/error.h>

#include <cmath>
#include <filesystem>
#include <system_error>

#include "host_calls.h"
#include "split_run.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/cell_file.h"
#include "tarvik/child_naming.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"
#include "tarvik/form_ctrl.h"
#include "tarvik/pointer_scope.h"
#include "tarvik/strip_sizing.h"

namespace tarvik {

namespace {

constexpr const char* kSource = "CAD.SplitDwg";
// The working path of the host's active document starts with this marker.
const QString kActiveDocMarker = QStringLiteral("ActiveDoc");
// Selects the line work of a strip: borders and whatever is drawn with them.
const cadhost::Filter kStripFilter{{0, std::string("LINE,POLYLINE,LWPOLYLINE,LWPOLYLINE,INSERT")}};
// Takes back the undo group the split ran in.
constexpr const char* kUndoCommand = "(command \"U\" )\r";
constexpr std::size_t kFailuresNamed = 20;
// Names a child gives up after other writers took them between the look and the write: far
// more than any number of splits side by side needs.
constexpr int kMaxNameClashes = 10000;

[[noreturn]] void fail(long number, const QString& text) {
  throw sheetcut::Error(number, text.toStdString(), kSource);
}

// The name without the drawing extension.
QString baseName(const QString& fileName) {
  return fileName.left(fileName.size() - kDrawingExtension.size());
}

bool validExtents(const cadhost::Point3& min, const cadhost::Point3& max) {
  return std::isfinite(min.x) && std::isfinite(min.y) && std::isfinite(max.x) &&
         std::isfinite(max.y) && min.x <= max.x && min.y <= max.y;
}

}  // namespace

// ---- CAD members ------------------------------------------------------------------------------

void CAD::SplitDwg(const QString& DwgPath, bool IsOnlySplit) {
  SplitRun split(*this, DwgPath, IsOnlySplit);
  split.run();
  split.raiseFailures();
}

QString CAD::splitNotingFrames(const QString& DwgPath) {
  SplitRun split(*this, DwgPath, false);
  split.run();
  return split.failureText();
}

void CAD::SplitDwg0(const QString& DwgPath, bool IsCheck) {
  (void)DwgPath;
  (void)IsCheck;
}

void CAD::SplitDwgBlk(const QString& DwgPath) {
  (void)DwgPath;
}

void CAD::SplitDwgLay(const QString& DwgPath) {
  (void)DwgPath;
}

// ---- SplitRun -------------------------------------------------------------------------------

SplitRun::SplitRun(CAD& cad, const QString& dwgPath, bool onlySplit)
    : cad_(cad), dwgPath_(dwgPath), onlySplit_(onlySplit) {}

SplitRun::~SplitRun() {
  restore(true);
}

void SplitRun::run() {
  cad_.Frames.assign(1, RectType{});
  cad_.FrameNum = 0;
  checkOutputFolder();
  open();
  renewSelectionSet();
  if (prepare()) {
    cad_.RptPath = joinPath(cad_.WorkPath(), QStringLiteral("AnRpt.txt"));
    if (splitStrips() == Outcome::Stopped) {
      // The drawing stays open as the caller left it to us, but it is put back as it was.
      restore(false);
      return;
    }
  }
  restore(true);
}

void SplitRun::checkOutputFolder() const {
  const QString folder = cad_.ChildFileSavePath();
  // Neither the file-system root nor the working directory is a place for the children.
  if (folder.isEmpty())
    fail(sheetcut::errnum::kPathNotFound, "No folder is set for the split drawings");
  if (folder.contains(QChar(u'\0'))) {
    fail(sheetcut::errnum::kPathNotFound,
         QStringLiteral("The folder for the split drawings \"%1\" holds a NUL character")
             .arg(QString(folder).replace(QChar(u'\0'), u'?')));
  }
}

void SplitRun::open() {
  if (!cad_.acadApp) {
    fail(sheetcut::errnum::kGeneric,
         QStringLiteral("The drawing host is not running: \"%1\" was not split")
             .arg(dwgPath_.isEmpty() ? kActiveDocMarker : dwgPath_));
  }
  if (dwgPath_.contains(QChar(u'\0'))) {
    // The system would open the file named by the part before the NUL.
    fail(sheetcut::errnum::kFileNotFound,
         QStringLiteral("The drawing path \"%1\" holds a NUL character")
             .arg(QString(dwgPath_).replace(QChar(u'\0'), u'?')));
  }
  if (dwgPath_.isEmpty()) {
    try {
      doc_ = cad_.acadApp->activeDocument();
      workPath_ = kActiveDocMarker + QString::fromStdString(doc_.fullName());
    } catch (const cadhost::HostError& e) {
      fail(sheetcut::errnum::kGeneric,
           QStringLiteral("No drawing is open in the host to split: %1").arg(e.what()));
    }
  } else {
    try {
      doc_ = cad_.acadApp->documents().open(dwgPath_.toStdString());
    } catch (const cadhost::HostError& e) {
      fail(sheetcut::errnum::kFileNotFound,
           QStringLiteral("Cannot open the drawing \"%1\": %2").arg(dwgPath_, e.what()));
    }
    opened_ = true;
    workPath_ = dwgPath_;
  }
  haveDocument_ = true;
  cad_.AcadDoc = doc_;
  if (opened_) cad_.SetBigFont();
  sourceName_ = workPath_.section(u'/', -1);
  outputFolder_ = cad_.ChildFileSavePath();
  cad_.ValidFileName(outputFolder_, true);
}

void SplitRun::renewSelectionSet() {
  attempt([&] { doc_.selectionSets().item("SSSS").remove(); });
  attemptGet(set_, [&] { return doc_.selectionSets().add("SSSS"); });
}

bool SplitRun::prepare() {
  hostCall(kSource, [&] {
    cad_.acadApp->setVisible(true);
    doc_.startUndoMark();
    undoOpen_ = true;
    LayerStateTable layers;
    cad_.UnlockAllLayers(layers);
    doc_.sendCommand("ucs W ");
    cad_.acadApp->zoomExtents();
    extMax_ = pointValue(doc_.getVariable("extmax"), "extmax");
    extMin_ = pointValue(doc_.getVariable("extmin"), "extmin");
  });
  // A drawing without entities has no extents, and so no frames.
  if (!validExtents(extMin_, extMax_)) return false;
  const int strips = stripCount(extMax_.y - extMin_.y, cad_.GetTextSize(), cad_.SplitSpeed());
  cad_.SplitSpeed_ = strips;
  return true;
}

SplitRun::Outcome SplitRun::splitStrips() {
  const int strips = cad_.SplitSpeed();
  const double height = (extMax_.y - extMin_.y) / strips;
  // The lower edge of strip k, 0 being the top of the drawing.
  const auto edge = [&](int k) {
    // The last strip ends exactly at the bottom, whatever the rounding of the heights.
    if (k == strips) return extMin_.y;
    const double y = extMax_.y - k * height;
    if (std::isfinite(y)) return y;
    // Extents further apart than a double holds (entities near both ends of its range).
    const double below = static_cast<double>(k) / strips;
    return extMax_.y * (1 - below) + extMin_.y * below;
  };
  for (int k = 1; k <= strips; ++k) {
    if (cad_.ConfirmStop()) return Outcome::Stopped;
    const cadhost::Point3 lowerLeft{extMin_.x, edge(k), 0};
    const cadhost::Point3 upperRight{extMax_.x, edge(k - 1), 0};
    attempt([&] { cad_.acadApp->zoomWindow(lowerLeft, upperRight); });
    attempt(
        [&] { set_.select(cadhost::SelectMode::Crossing, &lowerLeft, &upperRight, kStripFilter); });
    int selected = 0;
    attemptGet(selected, [&] { return set_.count(); });
    if (selected > 0) {
      if (!clusterStrip()) return Outcome::Stopped;
      renewSelectionSet();
      attempt([&] { cad_.acadApp->setVisible(true); });
      attempt([&] { set_.clear(); });
      const long frames = cad_.FrameNum;
      for (long j = 1; j <= frames; ++j) {
        if (cad_.ConfirmStop()) return Outcome::Stopped;
        const RectType frame = cad_.Frames[static_cast<std::size_t>(j)];
        if (!frame.F) continue;
        writeFrame(frame);
        if (cad_.ConfirmStop()) return Outcome::Stopped;
      }
    }
    if (cad_.ConfirmStop()) return Outcome::Stopped;
  }
  return Outcome::Finished;
}

bool SplitRun::clusterStrip() {
  cad_.FrameNum = 0;
  cad_.Frames.assign(1, RectType{});
  std::vector<cadhost::Entity> entities;
  attemptGet(entities, [&] { return set_.items(); });
  for (const cadhost::Entity& entity : entities) {
    if (cad_.ConfirmStop()) return false;
    cadhost::Point3 min, max;
    if (!attempt([&] { entity.getBoundingBox(min, max); })) continue;
    RectType box{min.x, min.y, max.x, max.y, true};
    cad_.AddRect(box, -1);
  }
  return true;
}

void SplitRun::writeFrame(const RectType& frame) {
  ++n_;
  const Point3d minPoint{frame.X0, frame.Y0, 0};
  const Point3d maxPoint{frame.X1, frame.Y1, 0};
  const cadhost::Point3 p1{frame.X0, frame.Y0, 0};
  const cadhost::Point3 p2{frame.X1, frame.Y1, 0};

  FormCtrl::MakeDir(outputFolder_);
  std::error_code ec;
  const bool folderReady = std::filesystem::is_directory(outputFolder_.toStdString(), ec);

  const QString* scale = cad_.PlotCfg.find(kPlotScaleKey);
  const bool analysed = !onlySplit_ || (scale != nullptr && *scale == u"auto");
  if (analysed) {
    analyseFrame(minPoint, maxPoint, folderReady);
  } else {
    // The drawing number, else the source's name with the running number; never a file that
    // is there already.
    const QString number = cad_.GetCornerText({}, minPoint, maxPoint);
    ChildNames names(number, sourceName_, n_, fileNameLimit(outputFolder_));
    QString name = folderReady ? nextFreeName(outputFolder_, names) : names.next();
    // The plot step: the frame's window by the plot settings, named like the child.
    if (!cad_.PlotCfg.isEmpty()) plotFrame(baseName(name), minPoint, maxPoint);
    selectFrame(p1, p2, false);
    if (!folderReady) {
      failures_.push_back(
          {n_, baseName(name),
           QStringLiteral("the folder \"%1\" cannot be created").arg(outputFolder_)});
    } else {
      writeChild(names, name);
    }
  }
  // The frame leaves the drawing so that later strips do not find it again.
  attempt([&] { set_.erase(); });
}

void SplitRun::writeChild(ChildNames& names, QString name) {
  // Free when looked at is not enough: another split writing into the folder may take the name
  // before this one does. The write takes the name only when nothing is there, and on a clash
  // the next name is tried.
  for (int clashes = 0;; ++clashes) {
    try {
      doc_.wblock((outputFolder_ + name).toStdString(), set_, cadhost::WriteMode::NoReplace);
      return;
    } catch (const cadhost::HostError& e) {
      if (e.code() != cadhost::HostError::Exists || clashes == kMaxNameClashes) {
        failures_.push_back({n_, baseName(name), QString::fromUtf8(e.what())});
        return;
      }
    }
    name = nextFreeName(outputFolder_, names);
  }
}

namespace {

// Holds the report keys of a frame's analysis, which name its child, until the child is
// written: they are written after it, or dropped when there is no child.
class ChildReportKeys {
 public:
  explicit ChildReportKeys(ReportBuffer& report) : report_(report) { report_.withhold(); }
  ~ChildReportKeys() {
    if (!written_) report_.drop();
  }
  ChildReportKeys(const ChildReportKeys&) = delete;
  ChildReportKeys& operator=(const ChildReportKeys&) = delete;
  // Writes them; "" when they were written, else why not.
  QString write() {
    written_ = true;
    return report_.release();
  }

 private:
  ReportBuffer& report_;
  bool written_ = false;
};

}  // namespace

void SplitRun::analyseFrame(const Point3d& minPoint, const Point3d& maxPoint, bool folderReady) {
  const cadhost::Point3 p1{minPoint[0], minPoint[1], 0};
  const cadhost::Point3 p2{maxPoint[0], maxPoint[1], 0};
  // The child is named by a fresh GUID; the analysis writes its report section under that name.
  const QString guid = cad_.NewGuidStr();
  const QString path = outputFolder_ + guid + kDrawingExtension;
  bool ok = false;
  // Why a frame's analysis failed other than by not recognising it: its template matched but
  // the cells could not be read, or report keys of an earlier file could not be written.
  QString failure;
  // The end of the frame's analysis is announced once its child and report section are
  // written (or known not to be), so that a caller reading the report then finds them.
  std::optional<std::pair<QString, QString>> analysisEnd;
  bool analysed = true;
  {
    // The section reaches the report only once the child is written.
    ChildReportKeys childKeys(cad_.Report_);
    QString reportFailure;
    try {
      PointerScope<QString> reportScope(cad_.ReportFailureSink_, &reportFailure);
      PointerScope<std::optional<std::pair<QString, QString>>> endScope(cad_.HeldFileEnd_,
                                                                        &analysisEnd);
      ok = cad_.FXDWG(path, minPoint, maxPoint, guid);
    } catch (const CellFileError& e) {
      failure = QString::fromStdString(e.description());
    }
    if (failure.isEmpty()) failure = reportFailure;
    attempt([&] { doc_.sendCommand("ucs W "); });
    if (!cad_.PlotCfg.isEmpty()) {
      const QString* pathKind = cad_.PlotCfg.find(QStringLiteral("路径类型"));
      const QString name =
          pathKind != nullptr && *pathKind == u"WORK" ? guid : fallbackChildName(sourceName_, n_);
      // The plot step, as for a frame named by its drawing number.
      plotFrame(name, minPoint, maxPoint);
    }
    if (!ok || !failure.isEmpty()) {
      // No child, and no report section, for a frame whose title block was not recognised or
      // could not be read; the caller learns of it.
      selectFrame(p1, p2, true);
      failures_.push_back(
          {n_,
           {},
           failure.isEmpty() ? QStringLiteral("its title block was not recognised") : failure});
      if (failure.isEmpty()) ++unrecognised_;
      analysed = false;
    } else {
      selectFrame(p1, p2, false);
      if (!folderReady) {
        failures_.push_back(
            {n_, guid, QStringLiteral("the folder \"%1\" cannot be created").arg(outputFolder_)});
      } else {
        try {
          doc_.wblock(path.toStdString(), set_, cadhost::WriteMode::NoReplace);
          // A child whose report section cannot be written is taken back: the report names
          // every child, and no other.
          const QString reportFailure = childKeys.write();
          if (!reportFailure.isEmpty()) {
            std::error_code ec;
            std::filesystem::remove(path.toStdString(), ec);
            failures_.push_back(
                {n_, ec ? guid : QString(),
                 ec ? QStringLiteral(
                          "%1; the child \"%2\" it does not name could not be removed: %3")
                          .arg(reportFailure, path, QString::fromStdString(ec.message()))
                    : reportFailure});
          }
        } catch (const cadhost::HostError& e) {
          failures_.push_back({n_, guid, QString::fromUtf8(e.what())});
        }
      }
    }
  }
  if (analysisEnd) cad_.events_.raiseAnDwgFileEnd(analysisEnd->first, analysisEnd->second);
  if (!analysed) return;
  QString section = workPath_;
  if (section.startsWith(kActiveDocMarker)) section.remove(0, kActiveDocMarker.size());
  cad_.WriteSplitCount(section.toLower(), n_);
}

void SplitRun::plotFrame(const QString& name, const Point3d& minPoint, const Point3d& maxPoint) {
  // The plot shows its own messages; a frame that is not plotted is still written, and the
  // caller learns of it at the end.
  QString cause;
  try {
    cause = cad_.plotWindow(name, minPoint, maxPoint);
  } catch (const sheetcut::Error& e) {
    cause = QString::fromUtf8(e.what());
  }
  if (!cause.isEmpty()) failures_.push_back({n_, name, QStringLiteral("not plotted: ") + cause});
}

void SplitRun::selectFrame(const cadhost::Point3& p1, const cadhost::Point3& p2, bool crossing) {
  attempt([&] { cad_.acadApp->zoomWindow(p1, p2); });
  attempt([&] {
    set_.select(crossing ? cadhost::SelectMode::Crossing : cadhost::SelectMode::Window, &p1, &p2);
  });
}

void SplitRun::restore(bool close) noexcept {
  if (restored_ || !haveDocument_) return;
  restored_ = true;
  try {
    unwrittenReport_ = cad_.FlushReport();
    if (undoOpen_) {
      attempt([&] { doc_.endUndoMark(); });
      attempt([&] { doc_.sendCommand(kUndoCommand); });
      undoOpen_ = false;
    }
    if (!close) return;
    if (opened_) attempt([&] { doc_.close(false); });
    cad_.AcadDoc.reset();
  } catch (...) {
    // Restoring runs on the way out of failures too; it must not replace them.
  }
}

void SplitRun::raiseFailures() const {
  const QString text = failureText();
  if (!text.isEmpty()) fail(sheetcut::errnum::kGeneric, text);
}

QString SplitRun::failureText() const {
  // Keys written at the end (the frame count) that the report did not take.
  if (failures_.empty()) return unwrittenReport_;
  QStringList frames;
  for (std::size_t i = 0; i < failures_.size() && i < kFailuresNamed; ++i) {
    const Failure& f = failures_[i];
    frames << (f.name.isEmpty()
                   ? QStringLiteral("frame %1: %2").arg(f.n).arg(f.cause)
                   : QStringLiteral("frame %1 \"%2\": %3").arg(f.n).arg(f.name, f.cause));
  }
  if (failures_.size() > kFailuresNamed) {
    frames << QStringLiteral("and %1 more").arg(failures_.size() - kFailuresNamed);
  }
  // Frames go unrecognised for want of templates: the cause is said once, before them.
  if (unrecognised_ > 0 && !cad_.ModListError().isEmpty()) {
    frames.prepend(cad_.ModListError());
  }
  // A frame may fail twice (its plot and its write), one after the other: counted once.
  std::size_t failed = 0;
  for (std::size_t i = 0; i < failures_.size(); ++i)
    if (i == 0 || failures_[i].n != failures_[i - 1].n) ++failed;
  return QStringLiteral("%1 of the frames of \"%2\" were not written or not plotted: %3")
      .arg(failed)
      .arg(workPath_, frames.join(QStringLiteral("; ")));
}

}  // namespace tarvik
