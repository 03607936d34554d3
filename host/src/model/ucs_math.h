#pragma once

// The current coordinate system of a document as a matrix, for the members that convert
// between it and the world.

#include <string>

#include "cadhost/types.h"

namespace cadhost::detail {

class DocumentCore;

// UCS -> WCS of the current UCS (identity for the world system).
Matrix4 currentUcsMatrix(const DocumentCore& doc);
// UCS -> WCS of a named UCS table entry.
Matrix4 ucsMatrixOf(const DocumentCore& doc, const std::string& name);

}  // namespace cadhost::detail
