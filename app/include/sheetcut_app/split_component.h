#pragma once

// The part of the drawing component that the split run drives: the host connection, the
// drawing-number mask, the output folder and the split of one drawing.

#include <QString>
#include <memory>

namespace tarvik {
class CAD;
}

namespace sheetcut::app {

class SplitComponent {
 public:
  virtual ~SplitComponent() = default;

  // Uses the live host or attaches to / starts one; false when none is available.
  virtual bool AcadAppIsRun(bool IsGetCurAutoCAD, bool IsCrtNewApp) = 0;
  virtual bool hasHost() const = 0;
  // Makes the host visible; with minimised its window is minimised as well.
  virtual void showHost(bool minimised) = 0;
  virtual void setDwgIDMask(const QString& mask) = 0;
  virtual void setChildFileSavePath(const QString& folder) = 0;
  // Splits one drawing into the output folder and answers how many split drawings it wrote
  // there: 0 when the drawing holds no frame. A failure is raised as an exception.
  virtual int SplitDwg(const QString& path, bool IsOnlySplit) = 0;
  // Closes the host's drawings without saving and quits it (unless it was attached to).
  virtual void CloseAutoCAD() = 0;
  // Lets go of the host application and document without closing them.
  virtual void releaseHost() = 0;
};

// The component's CAD object behind the interface; owns the object.
std::unique_ptr<SplitComponent> makeCadComponent();
// The same over an object the caller keeps.
std::unique_ptr<SplitComponent> wrapCad(tarvik::CAD& cad);

}  // namespace sheetcut::app
