#pragma once

// Events of the CAD object: the start and end of the work on one drawing and on one folder.
// A caller derives from CADEvents, overrides what it needs and registers the object with
// CAD::addEventHandler. Handlers run synchronously, before the operation goes on.

#include <QString>
#include <vector>

namespace tarvik {

class CADEvents {
 public:
  virtual ~CADEvents() = default;
  virtual void AnDwgFileBigen(const QString& DwgPath) { (void)DwgPath; }
  virtual void AnDwgFileEnd(const QString& DwgPath, const QString& RptPath) {
    (void)DwgPath;
    (void)RptPath;
  }
  virtual void AnDwgDirBigen(const QString& DwgDir) { (void)DwgDir; }
  virtual void AnDwgDirEnd(const QString& DwgDir, const QString& RptPath) {
    (void)DwgDir;
    (void)RptPath;
  }
};

// The registered handlers of one CAD object and the raising of its events. A handler may
// register or remove handlers (itself included) while an event is being raised: a handler
// added then is called from the next event on, one removed then is not called any more.
class CADEventList {
 public:
  void add(CADEvents* handler);     // a handler registered twice is called once
  void remove(CADEvents* handler);  // unknown handlers are ignored
  bool empty() const { return handlers_.empty(); }

  void raiseAnDwgFileBigen(const QString& DwgPath);
  void raiseAnDwgFileEnd(const QString& DwgPath, const QString& RptPath);
  void raiseAnDwgDirBigen(const QString& DwgDir);
  void raiseAnDwgDirEnd(const QString& DwgDir, const QString& RptPath);

 private:
  template <class Call>
  void raise(Call call);

  std::vector<CADEvents*> handlers_;
};

}  // namespace tarvik
