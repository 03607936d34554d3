#pragma once

// Subclass markers (group 100) for entities that come from drawings written before they
// existed (R12), so that they can live in a newer drawing that other programs read strictly.

#include <string>
#include <string_view>

#include "model/drawing.h"

namespace cadhost::detail {

// Adds "AcDbEntity" and the type's own markers where the DXF layout of the type places them,
// to the entity and its sub-entities. An entity that has markers already is left as it is;
// types without a known layout get the common marker only.
void addSubclassMarkers(model::Object& entity);

// The last marker the entity would have: its class name ("AcDbLine"); "" when the layout of
// its type is not known.
std::string markerlessClassName(const model::Object& entity);

// The same for an entry of the table `table` ("LAYER", "STYLE", ...).
void addTableRecordMarkers(model::Object& entry, std::string_view table);

}  // namespace cadhost::detail
