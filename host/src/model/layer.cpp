#include "cadhost/layer.h"

#include <cstdlib>

#include "model/document_core.h"
#include "model/tag_edit.h"
#include "model/tags.h"

namespace cadhost {

using detail::DocumentCore;
using model::Object;
using model::Tag;

namespace {

struct LayerEntry {
  std::shared_ptr<DocumentCore> doc;
  Object* entry;
};

LayerEntry entryOf(const std::weak_ptr<DocumentCore>& doc, const std::string& name) {
  auto core = DocumentCore::lock(doc);
  return {core, &core->checkedEntry("LAYER", name)};
}

long long flags(const Object& e) {
  return model::tagInt(e.tags, 70);
}

void setFlag(const std::weak_ptr<DocumentCore>& doc, const std::string& name, long long bit,
             bool on) {
  auto core = DocumentCore::lock(doc);
  Object& e = core->beforeEntryChange("LAYER", name);
  long long f = on ? (flags(e) | bit) : (flags(e) & ~bit);
  detail::setOrInsert(e.tags, 70, std::to_string(f), {2});
}

bool validName(std::string_view name) {
  return !name.empty() && name.find_first_of("<>/\\\":;?*|,=`") == std::string_view::npos;
}

}  // namespace

std::string Layer::name() const {
  return model::findTag(entryOf(doc_, name_).entry->tags, 2)->value;
}

bool Layer::freeze() const {
  return (flags(*entryOf(doc_, name_).entry) & 1) != 0;
}
void Layer::setFreeze(bool frozen) {
  setFlag(doc_, name_, 1, frozen);
}
bool Layer::lock() const {
  return (flags(*entryOf(doc_, name_).entry) & 4) != 0;
}
void Layer::setLock(bool locked) {
  setFlag(doc_, name_, 4, locked);
}

bool Layer::layerOn() const {
  return model::tagInt(entryOf(doc_, name_).entry->tags, 62, 7) >= 0;
}

void Layer::setLayerOn(bool on) {
  auto core = DocumentCore::lock(doc_);
  Object& e = core->beforeEntryChange("LAYER", name_);
  long long color = std::llabs(model::tagInt(e.tags, 62, 7));
  if (color == 0) color = 7;
  detail::setOrInsert(e.tags, 62, std::to_string(on ? color : -color), {70});
}

int Layer::color() const {
  return static_cast<int>(std::llabs(model::tagInt(entryOf(doc_, name_).entry->tags, 62, 7)));
}

void Layer::setColor(int aci) {
  if (aci < 1 || aci > 255) throw HostError(HostError::Refused, "no colour " + std::to_string(aci));
  auto core = DocumentCore::lock(doc_);
  Object& e = core->beforeEntryChange("LAYER", name_);
  bool off = model::tagInt(e.tags, 62, 7) < 0;
  detail::setOrInsert(e.tags, 62, std::to_string(off ? -aci : aci), {70});
}

// ---- Layers

int Layers::count() const {
  return DocumentCore::lock(doc_)->tableCount("LAYER");
}

Layer Layers::item(int i) const {
  auto c = DocumentCore::lock(doc_);
  return c->layerProxy(c->tableEntryName("LAYER", i, "layer"));
}

Layer Layers::item(std::string_view name) const {
  auto c = DocumentCore::lock(doc_);
  const Object& e = c->checkedEntry("LAYER", name);
  return c->layerProxy(model::findTag(e.tags, 2)->value);
}

Layer Layers::add(std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  if (const Object* e = c->tableEntry("LAYER", name))
    return c->layerProxy(model::findTag(e->tags, 2)->value);
  if (!validName(name))
    throw HostError(HostError::Refused, "\"" + std::string(name) + "\" is not a layer name");
  model::Tags tags;
  if (c->hasSubclassMarkers()) tags.push_back(Tag{100, "AcDbLayerTableRecord"});
  tags.insert(tags.end(),
              {Tag{2, std::string(name)}, Tag{70, "0"}, Tag{62, "7"}, Tag{6, "Continuous"}});
  if (c->hasSubclassMarkers()) {
    tags.push_back(Tag{370, "-3"});
    // The plot style of the new layer is the one layer "0" uses.
    if (const Object* zero = c->tableEntry("LAYER", "0"))
      if (const Tag* ps = model::findTag(zero->tags, 390)) tags.push_back(*ps);
  }
  c->appendTableEntry("LAYER", std::move(tags));
  return c->layerProxy(std::string(name));
}

}  // namespace cadhost
