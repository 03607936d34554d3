#pragma once

// The drawings the host writes from a document: the whole document (save) and the drawing of a
// selection (Wblock).

#include <cstdint>
#include <string>
#include <vector>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::detail {

class DocumentCore;

// The document as it stands, less erased entities, deleted blocks and the objects they owned.
model::Drawing drawingForSave(DocumentCore& doc);

// The drawing of the given model-space entities: the document's header (with the extents of
// those entities, base point 0,0,0, model space current) and classes, the entities in database
// order with their handles and sub-entities, and only what they use (DrawingUsage): the block
// definitions, table entries and objects they need, the entries every drawing holds, the
// spaces (layouts emptied) and the named-object dictionary tree. Pointers to what is left out
// are pruned from the objects and table heads, and from every item's reactors.
model::Drawing drawingOfEntities(DocumentCore& doc, std::vector<std::int32_t> entities);

// Writes drawingOfEntities(doc, entities) to `path` (temporary file, then renamed into place).
void writeBlockFile(DocumentCore& doc, const std::string& path,
                    const std::vector<std::int32_t>& entities, WriteMode mode);

}  // namespace cadhost::detail
