#include "cadhost/selection_set.h"

#include <algorithm>

#include "geom/filter.h"
#include "geom/select_tests.h"
#include "model/document_core.h"
#include "model/geometry_cache.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost {

using detail::DocumentCore;
using detail::EntityRef;
using detail::SelectionSetData;

namespace {

struct SetTarget {
  std::shared_ptr<DocumentCore> doc;
  SelectionSetData* set;
};

// The set, with members erased since they were selected dropped.
SetTarget setOf(const std::weak_ptr<DocumentCore>& doc, std::uint64_t id) {
  auto core = DocumentCore::lock(doc);
  SelectionSetData& s = core->selectionSet(id);
  if (s.checkedAt != core->eraseCount) {
    auto gone = [&](std::int32_t i) { return core->erased(EntityRef::kModelSpace, i); };
    if (std::any_of(s.members.begin(), s.members.end(), gone)) {
      std::erase_if(s.members, gone);
      s.memberSet = {s.members.begin(), s.members.end()};
    }
    s.checkedAt = core->eraseCount;
  }
  return {core, &s};
}

std::string_view layerOf(const model::Object& e) {
  const model::Tag* t = model::findTag(e.tags, 8);
  return t ? std::string_view(t->value) : std::string_view("0");
}

void addMember(SelectionSetData& s, std::int32_t i) {
  if (s.memberSet.insert(i).second) s.members.push_back(i);
}

// Adds what the area selects, in database order: the spatial index gives the candidates.
void selectArea(DocumentCore& doc, SelectionSetData& s, const geom::SelectionArea& area,
                const geom::CompiledFilter& filter) {
  auto& cache = doc.geometry();
  for (std::uint32_t id : cache.query(area.bounds())) {
    auto i = static_cast<std::int32_t>(id);
    if (doc.erased(EntityRef::kModelSpace, i) || doc.paperSpace(i)) continue;
    const model::Object& e = doc.dwg.entities[i];
    if (doc.layerHidden(layerOf(e))) continue;
    if (!filter.matches(e)) continue;
    const auto& box = cache.box(i);
    if (!box || !area.selects(e, *box, cache.context())) continue;
    addMember(s, i);
  }
}

}  // namespace

std::string SelectionSet::name() const {
  return setOf(doc_, id_).set->name;
}

int SelectionSet::count() const {
  return static_cast<int>(setOf(doc_, id_).set->members.size());
}

Entity SelectionSet::item(int i) const {
  SetTarget t = setOf(doc_, id_);
  if (i < 0 || i >= static_cast<int>(t.set->members.size()))
    throw HostError(HostError::NotFound,
                    "no entity at index " + std::to_string(i) + " of set " + t.set->name);
  return t.doc->entityProxy(EntityRef{EntityRef::kModelSpace, t.set->members[i], -1});
}

std::vector<Entity> SelectionSet::items() const {
  SetTarget t = setOf(doc_, id_);
  std::vector<Entity> out;
  out.reserve(t.set->members.size());
  for (std::int32_t i : t.set->members)
    out.push_back(t.doc->entityProxy(EntityRef{EntityRef::kModelSpace, i, -1}));
  return out;
}

void SelectionSet::clear() {
  SetTarget t = setOf(doc_, id_);
  t.set->members.clear();
  t.set->memberSet.clear();
}

void SelectionSet::update() const {
  setOf(doc_, id_);
}

void SelectionSet::erase() {
  SetTarget t = setOf(doc_, id_);
  t.doc->eraseEntities(EntityRef::kModelSpace, t.set->members);
  t.set->members.clear();
  t.set->memberSet.clear();
}

void SelectionSet::remove() {
  SetTarget t = setOf(doc_, id_);
  std::erase_if(t.doc->selectionSets, [&](const SelectionSetData& s) { return s.id == id_; });
}

void SelectionSet::select(SelectMode mode, const Point3* p1, const Point3* p2,
                          const Filter& filter) {
  SetTarget t = setOf(doc_, id_);
  geom::CompiledFilter compiled(filter);
  if (mode == SelectMode::All) {
    const auto& objs = t.doc->dwg.entities;
    for (std::int32_t i : t.doc->liveIndices(EntityRef::kModelSpace))
      if (compiled.matches(objs[i])) addMember(*t.set, i);
    return;
  }
  if (mode != SelectMode::Window && mode != SelectMode::Crossing)
    throw HostError(HostError::Refused, "selection mode " + std::to_string(static_cast<int>(mode)) +
                                            " needs a polygon");
  if (!p1 || !p2) throw HostError(HostError::Refused, "a window selection needs two corners");
  selectArea(*t.doc, *t.set, geom::SelectionArea::rectangle(mode, *p1, *p2), compiled);
}

void SelectionSet::selectByPolygon(SelectMode mode, const std::vector<Point3>& points,
                                   const Filter& filter) {
  SetTarget t = setOf(doc_, id_);
  geom::CompiledFilter compiled(filter);
  selectArea(*t.doc, *t.set, geom::SelectionArea::polygon(mode, points), compiled);
}

// ---- SelectionSets

int SelectionSets::count() const {
  return static_cast<int>(DocumentCore::lock(doc_)->selectionSets.size());
}

SelectionSet SelectionSets::item(std::string_view name) const {
  auto c = DocumentCore::lock(doc_);
  for (const auto& s : c->selectionSets)
    if (detail::equalsNoCase(s.name, name)) return c->setProxy(s.id);
  throw HostError(HostError::NotFound,
                  "selection set \"" + std::string(name) + "\" does not exist");
}

SelectionSet SelectionSets::add(std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  if (name.empty()) throw HostError(HostError::Refused, "a selection set needs a name");
  for (const auto& s : c->selectionSets)
    if (detail::equalsNoCase(s.name, name))
      throw HostError(HostError::Exists,
                      "selection set \"" + std::string(name) + "\" exists already");
  SelectionSetData s;
  s.id = c->nextSetId++;
  s.name = std::string(name);
  c->selectionSets.push_back(std::move(s));
  return c->setProxy(c->selectionSets.back().id);
}

}  // namespace cadhost
