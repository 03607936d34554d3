#pragma once

// The system variables of a document, by name without regard to case. Unknown names fail with
// HostError(NotFound); values a variable does not take fail with HostError(Refused).

#include <string_view>

#include "cadhost/types.h"

namespace cadhost::detail {

class DocumentCore;

Value getSystemVariable(DocumentCore& doc, std::string_view name);
void setSystemVariable(DocumentCore& doc, std::string_view name, const Value& value);

// The model-space extents of visible entities, with the sentinels (1e20 ... / -1e20 ...) of an
// empty drawing.
void modelExtents(DocumentCore& doc, Point3& min, Point3& max);

}  // namespace cadhost::detail
