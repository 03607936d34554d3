#pragma once

// Transforming entities in place: the tags that hold geometry are patched (numbers written in
// the shortest form that reads back the same); every other tag stays as it was.

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::geom {

// Applies the affine transform `m` (row-major, WCS to WCS) to the entity and its sub-entities
// (VERTEX, ATTRIB). Handles LINE, POINT, 3DFACE, SOLID, TRACE, LWPOLYLINE, POLYLINE, CIRCLE,
// ARC, ELLIPSE, SPLINE, TEXT, ATTDEF, ATTRIB, MTEXT, INSERT (and MINSERT), IMAGE, WIPEOUT,
// LEADER, RAY, XLINE. Mirroring keeps the extrusion direction and reverses arcs and bulges;
// a mirrored TEXT / ATTRIB turns upside down along its mirrored baseline (exactly the mirror
// image), a block reference gets a negative Y scale, an MTEXT stays readable and mirrors where
// it hangs from its point. Throws HostError(Unsupported), leaving the entity unchanged, for
// other types (HATCH, DIMENSION, ...) and for transforms the type cannot follow (a circle,
// arc or bulge under unequal scaling, a block reference under shear); HostError(Refused) for a
// matrix that is not finite.
void transformEntity(model::Object& entity, const Matrix4& m);

// Rotates the entity about `base` in the WCS XY plane by `radians` (counter-clockwise).
// Rotating back by the opposite angle about the same base restores the exact stored tags of
// the entity as it was before, as long as nothing else changed it in between.
void rotateEntity(model::Object& entity, const Point3& base, double radians);

// The transform that a block reference applies to its block's entities: OCS of the reference,
// insertion point, rotation, scales and the block's base point. For a MINSERT, the cell at
// column `column` and row `row`.
Matrix4 insertMatrix(const model::Object& insert, const model::Block& block, int column = 0,
                     int row = 0);

}  // namespace cadhost::geom
