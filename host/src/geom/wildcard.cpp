#include "geom/wildcard.h"

namespace cadhost::geom {

WildcardPattern::WildcardPattern(std::string_view) {}
bool WildcardPattern::matches(std::string_view) const {
  return false;
}
bool wildcardMatch(std::string_view pattern, std::string_view text) {
  return WildcardPattern(pattern).matches(text);
}
char32_t foldCase(char32_t c) {
  return c;
}
std::u32string decodeUtf8(std::string_view) {
  return {};
}

}  // namespace cadhost::geom
