#pragma once

// Reading the frame-definition file: frameDef / class / subclass / frames / (entry) with the
// entry's size, addlong, spacing_h, linestyle and blocks. Elements are found by name,
// attributes by position, numbers are comma-separated decimal texts read in the C locale.

#include <QString>
#include <QStringList>
#include <vector>

#include "tarvik/frame_records.h"
#include "tarvik/xml_access.h"

namespace tarvik {

// One text per subclass of the file, "second attribute=class name：first attribute" (the colon
// is the full-width U+FF1A), classes and subclasses in document order. Empty when the file
// cannot be read or an element lacks an attribute the listing needs. Never raises.
QStringList listFrameTypes(const QString& xmlFilePath);

// The definitions of a frames element, one per child element (comments are not entries), with
// ID = position. Raises sheetcut::Error naming the entry and element when one is missing, a
// text holds too few values or a value is not a number.
std::vector<FrameType> readFrameDefinitions(const XmlNode& frames);

}  // namespace tarvik
