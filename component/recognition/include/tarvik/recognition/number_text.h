#pragma once

// Numbers written into the recognition's XML records and cell lists: up to 15 significant
// digits, fixed notation for 1E-4 <= |x| < 1E15 and forms such as "1E-05" or "1E+15" beyond,
// no trailing zeros, always "." as the decimal point whatever the process locale, and "-0"
// written as "0".

#include <QString>

namespace tarvik {

QString numberText(double x);

}  // namespace tarvik
