#pragma once

// Host calls whose failure is the caller's: a host error is raised again as the component's
// own error, with the member that failed as its source.

#include <cadhost/host_error.h>
#include <cadhost/types.h>
#include <sheetcut/error.h>

#include <string>
#include <utility>

#include "tarvik/cad.h"

namespace tarvik {

// The command line that makes the world coordinate system current.
inline constexpr const char* kWorldUcsCommand = "(command \"UCS\" \"W\")\r";

// A component point as the host's, and back.
inline cadhost::Point3 hostPoint(const Point3d& p) {
  return {p[0], p[1], p[2]};
}
inline Point3d plainPoint(const cadhost::Point3& p) {
  return {p.x, p.y, p.z};
}

// Runs f() and returns its result; a cadhost::HostError becomes a sheetcut::Error.
template <class F>
decltype(auto) hostCall(const char* source, F&& f) {
  try {
    return std::forward<F>(f)();
  } catch (const cadhost::HostError& e) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, e.what(), source);
  }
}

// The document CAD works on; sheetcut::Error when there is none.
inline cadhost::Document requireDocument(const CAD& cad, const char* source) {
  if (!cad.AcadDoc) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, "No drawing is open in the host", source);
  }
  return *cad.AcadDoc;
}

// A point or number of a system variable.
inline cadhost::Point3 pointValue(const cadhost::Value& v, const char* what) {
  if (const auto* p = std::get_if<cadhost::Point3>(&v)) return *p;
  throw cadhost::HostError(cadhost::HostError::Refused,
                           std::string("The system variable ") + what + " is not a point");
}

inline double numberValue(const cadhost::Value& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  throw cadhost::HostError(cadhost::HostError::Refused, "The system variable is not a number");
}

// Takes the document's selection set `name`, emptied, or adds it when missing.
inline cadhost::SelectionSet freshSelectionSet(cadhost::Document& doc, const char* name) {
  try {
    return doc.selectionSets().add(name);
  } catch (const cadhost::HostError&) {
    cadhost::SelectionSet set = doc.selectionSets().item(name);
    set.clear();
    return set;
  }
}

}  // namespace tarvik
