#pragma once

// What a drawing of a newer version brings into an R12 drawing: R12 has no subclass markers,
// owners, lineweights or plot styles, no lightweight polylines and no multi-line text. Table
// entries and entities are given R12's forms; entity types R12 cannot hold are refused.

#include <string>
#include <string_view>
#include <vector>

#include "model/drawing.h"

namespace cadhost::detail {

class DocumentCore;

// True when R12 can hold entities of this type, as they are or converted.
bool r12CanHold(std::string_view type);

// Strips from a table entry what R12 lacks; false when the entry has no place in an R12
// drawing (the line types ByBlock and ByLayer, dimension styles of the newer layout).
bool toR12TableEntry(model::Object& entry, std::string_view table);

// Strips from an entity (and its sub-entities) or a BLOCK / ENDBLK what R12 lacks.
void stripToR12(model::Object& o);

// The R12 form of an entity: a lightweight polyline becomes a polyline with vertices, a
// multi-line text one text per line; other types are stripped. New sub-entities and texts take
// new handles from `doc`. HostError(Unsupported) for a type R12 cannot hold.
std::vector<model::Object> toR12Entities(DocumentCore& doc, model::Object entity);

}  // namespace cadhost::detail
