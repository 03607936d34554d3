#pragma once

#include <QString>

namespace tarvik {

// A new GUID as 32 upper-case hexadecimal digits without braces or dashes; "" when none can be
// made.
QString newGuidText();

}  // namespace tarvik
