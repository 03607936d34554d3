#include "entity_builders.h"

#include "model/tags.h"

namespace cadhost::geom::testing {

model::Object entity(const std::string& type,
                     std::initializer_list<std::pair<int, std::string>> tags) {
  model::Object o;
  o.tags.push_back({0, type});
  for (const auto& [code, value] : tags) o.tags.push_back({static_cast<std::int16_t>(code), value});
  return o;
}

std::string tagText(const model::Object& o, int code, int nth) {
  const model::Tag* t = model::findTag(o.tags, code, nth);
  return t ? t->value : std::string();
}

}  // namespace cadhost::geom::testing
