#include "geom/text_metrics.h"

namespace cadhost::geom {

double characterWidth(char32_t) {
  return 0.65;
}
double textWidth(std::string_view, double, double) {
  return 0;
}
std::string plainSingleLineText(std::string_view v) {
  return std::string(v);
}
std::string plainMText(std::string_view v) {
  return std::string(v);
}
std::vector<std::string> wrapMTextLines(std::string_view plain, double, double, double) {
  return {std::string(plain)};
}
double mtextLineSpacing(double height, double factor) {
  return height * 5.0 / 3.0 * factor;
}

}  // namespace cadhost::geom
