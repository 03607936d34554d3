#pragma once

// Widths of the leading parts of a single-line text value, all measured in one pass.

#include <cstddef>
#include <string_view>
#include <vector>

namespace cadhost::geom {

// For each byte length e of `ends` (ascending, none above the value's length): exactly
// textWidth(plainSingleLineText(value.substr(0, e)), height, widthFactor), %% codes cut short
// and partial UTF-8 sequences included. Linear in the value's length and the number of ends.
std::vector<double> prefixTextWidths(std::string_view value, const std::vector<std::size_t>& ends,
                                     double height, double widthFactor);

}  // namespace cadhost::geom
