#pragma once

// New entities. Every new entity takes a handle from $HANDSEED, its container's owner, the
// current layer (CLAYER) and, when they are not BYLAYER, the current colour (CECOLOR) and line
// type (CELTYPE); texts take the current text style. Points are WCS.

#include <string>
#include <string_view>
#include <vector>

#include "cadhost/fwd.h"
#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::detail {

class DocumentCore;

// The common head of a new entity: type, handle, owner, subclass markers, layer, colour, line
// type, then the type's own marker (when the drawing's version has markers).
model::Object newEntityHead(DocumentCore& doc, std::int32_t container, const char* type,
                            const char* subclass);

EntityRef addText(DocumentCore& doc, std::int32_t container, std::string_view text, const Point3& p,
                  double height);
EntityRef addMText(DocumentCore& doc, std::int32_t container, const Point3& p, double width,
                   std::string_view text);
EntityRef addPolyline(DocumentCore& doc, std::int32_t container, const std::vector<double>& xy);

// Replaces the contents of an MTEXT: 250-byte 3-chunks followed by the final 1.
void setMTextContents(model::Tags& tags, std::string_view text);

}  // namespace cadhost::detail
