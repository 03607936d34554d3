#include "geom/filter.h"

namespace cadhost::geom {

struct CompiledFilter::Node {};
CompiledFilter::CompiledFilter(const Filter&) {}
CompiledFilter::~CompiledFilter() = default;
CompiledFilter::CompiledFilter(CompiledFilter&&) noexcept = default;
CompiledFilter& CompiledFilter::operator=(CompiledFilter&&) noexcept = default;
bool CompiledFilter::matches(const model::Object&) const {
  return true;
}
bool CompiledFilter::empty() const {
  return true;
}
bool filterMatches(const Filter& filter, const model::Object& entity) {
  return CompiledFilter(filter).matches(entity);
}

}  // namespace cadhost::geom
