#pragma once

// Block definitions and references: creating and deleting definitions, inserting references
// (with their attributes), exploding them and binding external references.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cadhost/fwd.h"
#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::detail {

class DocumentCore;

// A name "<prefix><n>" (prefix "*U", "*D", ...) that no block uses, skipping `skip` more.
std::string uniqueAnonymousName(DocumentCore& doc, std::string_view prefix, int skip = 0);

// A new, empty definition (its BLOCK_RECORD entry too). Returns its index.
std::int32_t createBlock(DocumentCore& doc, const std::string& name, const Point3& origin,
                         int flags);
// Adds a definition whose tags are ready (an imported one) under the record handle `record`.
std::int32_t addImportedBlock(DocumentCore& doc, const std::string& name, const std::string& record,
                              model::Object begin, model::Object end,
                              std::vector<model::Object> entities);
// Deletes a definition; refused for layouts and for a block that references still use.
void deleteBlock(DocumentCore& doc, std::int32_t block);

// A reference to the block `nameOrFile` in `container`. When no block has that name and it is
// the path of a drawing file, the file's model space becomes a block named after the file.
EntityRef insertBlockReference(DocumentCore& doc, std::int32_t container, const Point3& p,
                               std::string_view nameOrFile, double xs, double ys, double zs,
                               double rotation);

// Copies of the referenced block's entities, transformed, appended to the reference's container
// in block-definition order.
std::vector<EntityRef> explodeReference(DocumentCore& doc, const EntityRef& insert);

// Loads the drawing of an external reference into its definition, which becomes local.
void bindXref(DocumentCore& doc, std::int32_t block);

}  // namespace cadhost::detail
