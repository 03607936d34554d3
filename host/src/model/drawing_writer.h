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
// those entities, base point 0,0,0, model space current), classes, tables and blocks (layout
// blocks emptied), the entities in database order with their handles and sub-entities, and the
// objects less those owned by entities that are not written (dictionary, group and sort-table
// entries that point at them are pruned).
model::Drawing drawingOfEntities(DocumentCore& doc, std::vector<std::int32_t> entities);

// Writes drawingOfEntities(doc, entities) to `path` (temporary file, then renamed into place).
void writeBlockFile(DocumentCore& doc, const std::string& path,
                    const std::vector<std::int32_t>& entities, WriteMode mode);

}  // namespace cadhost::detail
