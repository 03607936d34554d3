// Registration of event handlers and the raising of CAD's events.

#include "tarvik/cad_events.h"

#include <algorithm>

namespace tarvik {

void CADEventList::add(CADEvents* handler) {
  if (handler && std::find(handlers_.begin(), handlers_.end(), handler) == handlers_.end()) {
    handlers_.push_back(handler);
  }
}

void CADEventList::remove(CADEvents* handler) {
  handlers_.erase(std::remove(handlers_.begin(), handlers_.end(), handler), handlers_.end());
}

template <class Call>
void CADEventList::raise(Call call) {
  // Handlers may change the list while they run: walk a copy and skip the ones removed since.
  const std::vector<CADEvents*> snapshot = handlers_;
  for (CADEvents* handler : snapshot) {
    if (std::find(handlers_.begin(), handlers_.end(), handler) != handlers_.end()) call(*handler);
  }
}

void CADEventList::raiseAnDwgFileBigen(const QString& DwgPath) {
  raise([&](CADEvents& h) { h.AnDwgFileBigen(DwgPath); });
}

void CADEventList::raiseAnDwgFileEnd(const QString& DwgPath, const QString& RptPath) {
  raise([&](CADEvents& h) { h.AnDwgFileEnd(DwgPath, RptPath); });
}

void CADEventList::raiseAnDwgDirBigen(const QString& DwgDir) {
  raise([&](CADEvents& h) { h.AnDwgDirBigen(DwgDir); });
}

void CADEventList::raiseAnDwgDirEnd(const QString& DwgDir, const QString& RptPath) {
  raise([&](CADEvents& h) { h.AnDwgDirEnd(DwgDir, RptPath); });
}

}  // namespace tarvik
