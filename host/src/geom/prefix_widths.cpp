#include "geom/prefix_widths.h"

#include <string>

#include "geom/text_metrics.h"
#include "model/utf8.h"

namespace cadhost::geom {

std::vector<double> prefixTextWidths(std::string_view value, const std::vector<std::size_t>& ends,
                                     double height, double widthFactor) {
  // The plain text of the whole value, and where each of its steps starts in the value and in
  // the plain text.
  std::string plain;
  std::vector<std::size_t> stepValue{0}, stepPlain{0};
  for (std::size_t i = 0; i < value.size();) {
    i = plainSingleLineStep(value, i, plain);
    stepValue.push_back(i);
    stepPlain.push_back(plain.size());
  }
  // The code point boundaries of the plain text, with the width units summed up to each, in the
  // order textWidth sums them.
  std::vector<std::size_t> boundary{0};
  std::vector<double> unitsTo{0};
  double units = 0;
  for (std::size_t i = 0, length = 1; i < plain.size(); i += length) {
    units += characterWidth(model::decodeUtf8At(plain, i, length));
    boundary.push_back(i + length);
    unitsTo.push_back(units);
  }

  std::vector<double> widths;
  widths.reserve(ends.size());
  std::size_t step = 0, cp = 0;
  for (const std::size_t end : ends) {
    // A step that ends by the cut reads the same in the cut value (a %% code cut short reads
    // otherwise), so the plain text of the steps before the last one that starts by the cut is
    // shared.
    while (step + 1 < stepValue.size() && stepValue[step + 1] <= end) ++step;
    const std::size_t shared = stepPlain[step];
    // A code point that ends three bytes before the shared text ends decodes the same whatever
    // follows (a sequence looks at most three bytes past its first).
    while (cp + 1 < boundary.size() && boundary[cp + 1] + 3 <= shared) ++cp;
    std::string tail = plain.substr(boundary[cp], shared - boundary[cp]);
    const std::string_view cut = value.substr(0, end);
    for (std::size_t i = stepValue[step]; i < end;) i = plainSingleLineStep(cut, i, tail);
    double u = unitsTo[cp];
    for (std::size_t i = 0, length = 1; i < tail.size(); i += length)
      u += characterWidth(model::decodeUtf8At(tail, i, length));
    widths.push_back(u * height * widthFactor);
  }
  return widths;
}

}  // namespace cadhost::geom
