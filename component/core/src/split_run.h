#pragma once

// One call of CAD::SplitDwg: the drawing it works on, the frames it finds strip by strip, the
// children it writes, and the restoring of the drawing on every way out.

#include <cadhost/document.h>

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "tarvik/cad.h"
#include "tarvik/child_naming.h"
#include "tarvik/records.h"

namespace tarvik {

class SplitRun {
 public:
  SplitRun(CAD& cad, const QString& dwgPath, bool onlySplit);
  ~SplitRun();
  SplitRun(const SplitRun&) = delete;
  SplitRun& operator=(const SplitRun&) = delete;

  // The whole split; see CAD::SplitDwg. Frames that could not be written do not raise here:
  // see failureText and raiseFailures.
  void run();
  // The frames that could not be written, as one description naming the drawing and each
  // frame; "" when every frame was written.
  QString failureText() const;
  // Raises failureText as an error when it is not "".
  void raiseFailures() const;

 private:
  struct Failure {
    int n;         // running number of the frame
    QString name;  // the child's name, "" when none was chosen yet
    QString cause;
  };
  enum class Outcome { Finished, Stopped };

  void checkOutputFolder() const;
  void open();
  // Undo mark, usable layers, world coordinates and extents; false for a drawing without
  // extents (nothing to split).
  bool prepare();
  Outcome splitStrips();
  // Clusters the strip's entities into CAD.Frames; false when a stop was confirmed.
  bool clusterStrip();
  void writeFrame(const RectType& frame);
  // Writes the selected frame under `name` (a free name a moment ago) or, when another writer
  // takes it first, under the next free name of `names`; a failure is recorded.
  void writeChild(ChildNames& names, QString name);
  // The analysis branch: the frame is written under a GUID when its title block is read.
  void analyseFrame(const Point3d& minPoint, const Point3d& maxPoint, bool folderReady);
  // Plots the frame's window under `name` by the plot settings; a frame not plotted as set is
  // recorded.
  void plotFrame(const QString& name, const Point3d& minPoint, const Point3d& maxPoint);
  // Selects the frame's entities, window or crossing.
  void selectFrame(const cadhost::Point3& p1, const cadhost::Point3& p2, bool crossing);
  void renewSelectionSet();
  // Ends and takes back the undo group; closes the drawing when this call opened it and
  // `close` is true. Runs once; never raises.
  void restore(bool close) noexcept;

  CAD& cad_;
  QString dwgPath_;
  bool onlySplit_;
  cadhost::Document doc_;
  bool opened_ = false;        // the call opened doc_ and closes it
  bool haveDocument_ = false;  // doc_ is set
  bool undoOpen_ = false;      // the undo group was started and not yet taken back
  bool restored_ = false;
  QString workPath_;
  QString sourceName_;  // the last part of the working path
  QString outputFolder_;
  cadhost::SelectionSet set_;  // the document's set "SSSS"
  cadhost::Point3 extMin_, extMax_;
  int n_ = 0;  // frames handled so far
  std::vector<Failure> failures_;
  int unrecognised_ = 0;     // frames whose title block no template recognised
  QString unwrittenReport_;  // why the report's last keys were not written, "" when they were
};

}  // namespace tarvik
