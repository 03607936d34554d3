#pragma once

// Bringing another drawing into a document (a block from a drawing file, a bound xref): its
// table entries that the document lacks and its blocks are merged in, every imported handle is
// replaced by a new one (references follow through every handle-typed group code), and its
// model-space entities are returned ready to be placed in a block.

#include <cstdint>
#include <string>
#include <vector>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::detail {

class DocumentCore;

struct ImportedModel {
  std::vector<model::Object> entities;  // owners still to be set
  Point3 base;                          // the drawing's $INSBASE
};

ImportedModel importDrawing(DocumentCore& doc, const model::Drawing& source);

// True for codes whose values are handles.
bool isHandleCode(int code);

// Removes the 102 groups ({ACAD_REACTORS ...}, {ACAD_XDICTIONARY ...}) that tie an entity to
// objects, for a copy that does not take those objects along.
void stripObjectLinks(model::Tags& tags);

}  // namespace cadhost::detail
