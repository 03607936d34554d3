#include "cadhost/entity.h"

#include <cmath>
#include <numbers>

#include "dxf/text_codec.h"
#include "geom/extents.h"
#include "geom/text_box.h"
#include "geom/transform.h"
#include "model/block_ops.h"
#include "model/document_core.h"
#include "model/entity_factory.h"
#include "model/geometry_cache.h"
#include "model/reference_index.h"
#include "model/tag_edit.h"
#include "model/tags.h"

namespace cadhost {

using detail::DocumentCore;
using detail::EntityRef;
using model::Object;
using model::Tag;

namespace {

// The entity behind a proxy, checked: the document is open and the entity not erased.
struct Target {
  std::shared_ptr<DocumentCore> doc;
  EntityRef ref;
  const Object& obj() const { return doc->entity(ref); }
  std::string_view type() const { return model::typeOf(obj()); }
  // The value of the first tag with `code`, or `fallback`.
  std::string text(int code, const char* fallback = "") const {
    const Tag* t = model::findTag(obj().tags, code);
    return t ? t->value.str() : std::string(fallback);
  }
  // The entity for changing: journalled first.
  Object& modify() const {
    doc->entity(ref);
    doc->beforeModify(ref);
    return doc->entity(ref);
  }
};

Target target(const std::weak_ptr<DocumentCore>& doc, const EntityRef& ref) {
  Target t{DocumentCore::lock(doc), ref};
  t.doc->entity(ref);
  return t;
}

[[noreturn]] void unsupported(std::string_view type, const char* member) {
  throw HostError(HostError::Unsupported, std::string(type) + " has no member " + member);
}

bool isOneOf(std::string_view type, std::initializer_list<std::string_view> types) {
  for (auto t : types)
    if (type == t) return true;
  return false;
}

void require(const Target& t, std::initializer_list<std::string_view> types, const char* member) {
  if (!isOneOf(t.type(), types)) unsupported(t.type(), member);
}

const std::initializer_list<std::string_view> kTexts = {"TEXT", "MTEXT", "ATTDEF", "ATTRIB"};
const std::initializer_list<std::string_view> kSingleLineTexts = {"TEXT", "ATTDEF", "ATTRIB"};

// The entity behind a proxy, checked to be one of `types` for `member`.
Target typed(const std::weak_ptr<DocumentCore>& doc, const EntityRef& ref,
             std::initializer_list<std::string_view> types, const char* member) {
  Target t = target(doc, ref);
  require(t, types, member);
  return t;
}

void checkFinite(double v) {
  if (!std::isfinite(v)) throw HostError(HostError::Refused, "the value is not a finite number");
}

void checkFinite(const Point3& p) {
  checkFinite(p.x);
  checkFinite(p.y);
  checkFinite(p.z);
}

// The positions of the 10-tags of LWPOLYLINE vertices.
std::vector<std::size_t> vertexPositions(const model::Tags& tags) {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < tags.size(); ++i)
    if (tags[i].code == 10) v.push_back(i);
  return v;
}

// TEXT alignment 0..14 <-> (72, 73).
constexpr int kAlign72[15] = {0, 1, 2, 3, 4, 5, 0, 1, 2, 0, 1, 2, 0, 1, 2};
constexpr int kAlign73[15] = {0, 0, 0, 0, 0, 0, 3, 3, 3, 2, 2, 2, 1, 1, 1};

}  // namespace

// ---- common members

std::string Entity::objectName() const {
  return detail::className(target(doc_, ref_).obj());
}

std::string Entity::dxfType() const {
  return std::string(target(doc_, ref_).type());
}

std::string Entity::handle() const {
  return std::string(model::handleOf(target(doc_, ref_).obj()));
}

std::string Entity::layer() const {
  return target(doc_, ref_).text(8, "0");
}

void Entity::getBoundingBox(Point3& min, Point3& max) const {
  Target t = target(doc_, ref_);
  std::optional<geom::Box> box;
  auto& cache = t.doc->geometry();
  if (ref_.container == EntityRef::kModelSpace && ref_.sub < 0 && !t.doc->paperSpace(ref_.index))
    box = cache.box(ref_.index);
  else
    box = geom::extentsOf(t.obj(), cache.context());
  if (!box)
    throw HostError(HostError::Unsupported, std::string(t.type()) + " has no finite extent");
  min = box->min;
  max = box->max;
}

std::vector<double> Entity::prefixWidths(const std::vector<std::size_t>& ends) const {
  Target t = typed(doc_, ref_, {"TEXT"}, "PrefixWidths");
  const Tag* value = model::findTag(t.obj().tags, 1);
  const std::size_t length = value ? value->value.size() : 0;
  for (std::size_t i = 0; i < ends.size(); ++i) {
    if (ends[i] > length || (i > 0 && ends[i] < ends[i - 1]))
      throw HostError(HostError::Refused,
                      "the text lengths to measure must rise and stay within "
                      "the text's " +
                          std::to_string(length) + " bytes");
  }
  std::vector<double> widths;
  widths.reserve(ends.size());
  for (const auto& extent : geom::textPrefixExtentsX(t.obj(), ends)) {
    if (!extent) throw HostError(HostError::Unsupported, "TEXT has no finite extent");
    widths.push_back(*extent);
  }
  return widths;
}

void Entity::erase() {
  Target t = target(doc_, ref_);
  if (ref_.sub >= 0)
    throw HostError(HostError::Refused, "an attribute is erased with its block reference");
  t.doc->eraseEntity(ref_.container, ref_.index);
}

void Entity::update() const {
  target(doc_, ref_);
}

void Entity::transformBy(const Matrix4& m) {
  Target t = target(doc_, ref_);
  for (double v : m) checkFinite(v);
  Object copy = t.obj();
  geom::transformEntity(copy, m);  // throws before anything changes
  t.modify() = std::move(copy);
}

void Entity::rotate(const Point3& base, double angle) {
  Target t = target(doc_, ref_);
  checkFinite(base);
  checkFinite(angle);
  geom::rotateEntity(t.modify(), base, angle);
}

// ---- texts

std::string Entity::textString() const {
  Target t = typed(doc_, ref_, kTexts, "TextString");
  if (t.type() == "MTEXT") return dxf::mtextContents(t.obj().tags);
  return t.text(1);
}

void Entity::setTextString(std::string_view s) {
  Target t = typed(doc_, ref_, kTexts, "TextString");
  if (t.type() == "MTEXT") {
    detail::setMTextContents(t.modify().tags, s);
  } else {
    detail::setOrInsert(t.modify().tags, 1, std::string(s), {40});
  }
}

Point3 Entity::insertionPoint() const {
  Target t = typed(doc_, ref_, {"TEXT", "MTEXT", "ATTDEF", "ATTRIB", "INSERT"}, "InsertionPoint");
  return detail::pointTag(t.obj().tags, 10);
}

void Entity::setInsertionPoint(const Point3& p) {
  Target t = typed(doc_, ref_, {"TEXT", "MTEXT", "ATTDEF", "ATTRIB", "INSERT"}, "InsertionPoint");
  checkFinite(p);
  detail::setPointTag(t.modify().tags, 10, p, {100, 8});
}

double Entity::height() const {
  Target t = typed(doc_, ref_, kTexts, "Height");
  return model::tagDouble(t.obj().tags, 40);
}

void Entity::setHeight(double h) {
  Target t = typed(doc_, ref_, kTexts, "Height");
  checkFinite(h);
  if (h <= 0) throw HostError(HostError::Refused, "a text height must be positive");
  detail::setOrInsert(t.modify().tags, 40, detail::formatNumber(h), {30, 20});
}

double Entity::rotation() const {
  Target t = typed(doc_, ref_, {"TEXT", "MTEXT", "ATTDEF", "ATTRIB", "INSERT"}, "Rotation");
  const auto& tags = t.obj().tags;
  if (t.type() == "MTEXT" && !detail::hasTag(tags, 50) && detail::hasTag(tags, 11)) {
    Point3 d = detail::pointTag(tags, 11);
    double a = std::atan2(d.y, d.x);
    return a < 0 ? a + 2 * std::numbers::pi : a;
  }
  return detail::radians(model::tagDouble(tags, 50));
}

void Entity::setRotation(double r) {
  Target t = typed(doc_, ref_, {"TEXT", "MTEXT", "ATTDEF", "ATTRIB", "INSERT"}, "Rotation");
  checkFinite(r);
  auto& tags = t.modify().tags;
  if (t.type() == "MTEXT") {
    // The direction vector, when present, wins over 50: keep both in step.
    if (detail::hasTag(tags, 11))
      detail::setPointTag(tags, 11, Point3{std::cos(r), std::sin(r), 0}, {});
    detail::setOrInsert(tags, 50, detail::formatNumber(detail::degrees(r)), {7, 1});
  } else {
    detail::setOrInsert(tags, 50, detail::formatNumber(detail::degrees(r)), {1, 40, 43});
  }
}

std::string Entity::styleName() const {
  Target t = typed(doc_, ref_, kTexts, "StyleName");
  std::string name = t.text(7, "Standard");
  const detail::ReferenceIndex& refs = t.doc->references();
  const std::int32_t styles = refs.table("STYLE");
  if (styles < 0 || refs.entry(styles, name) >= 0) return name;
  // A text whose style the drawing does not define is read, as other CAD programs read it,
  // with the drawing's standard style. Its own tag is left as it is, so the drawing is
  // written back with the name it was read with.
  const std::int32_t standard = refs.entry(styles, "Standard");
  if (standard < 0) return name;
  const Object& entry = t.doc->dwg.tables[static_cast<std::size_t>(styles)]
                            .entries[static_cast<std::size_t>(standard)];
  return model::findTag(entry.tags, 2)->value;
}

void Entity::setStyleName(std::string_view name) {
  Target t = typed(doc_, ref_, kTexts, "StyleName");
  const Object& style = t.doc->checkedEntry("STYLE", name);
  const std::string canonical = model::findTag(style.tags, 2)->value;
  detail::setOrInsert(t.modify().tags, 7, canonical, {41, 51, 50, 1});
}

int Entity::alignment() const {
  Target t = typed(doc_, ref_, kSingleLineTexts, "Alignment");
  const auto& tags = t.obj().tags;
  const int h = static_cast<int>(model::tagInt(tags, 72));
  const int v = static_cast<int>(model::tagInt(tags, t.type() == "TEXT" ? 73 : 74));
  for (int a = 0; a < 15; ++a)
    if (kAlign72[a] == h && kAlign73[a] == v) return a;
  return 0;
}

void Entity::setAlignment(int a) {
  Target t = typed(doc_, ref_, kSingleLineTexts, "Alignment");
  if (a < 0 || a > 14)
    throw HostError(HostError::Refused, "no text alignment " + std::to_string(a));
  auto& tags = t.modify().tags;
  // The alignment point starts where the text stands.
  if (!detail::hasTag(tags, 11)) detail::setPointTag(tags, 11, detail::pointTag(tags, 10), {7, 72});
  detail::setOrInsert(tags, 72, std::to_string(kAlign72[a]), {71, 7, 41, 51, 50, 1});
  detail::setOrInsert(tags, t.type() == "TEXT" ? 73 : 74, std::to_string(kAlign73[a]), {100});
}

Point3 Entity::textAlignmentPoint() const {
  Target t = typed(doc_, ref_, kSingleLineTexts, "TextAlignmentPoint");
  const auto& tags = t.obj().tags;
  return detail::hasTag(tags, 11) ? detail::pointTag(tags, 11) : detail::pointTag(tags, 10);
}

void Entity::setTextAlignmentPoint(const Point3& p) {
  Target t = typed(doc_, ref_, kSingleLineTexts, "TextAlignmentPoint");
  checkFinite(p);
  detail::setPointTag(t.modify().tags, 11, p, {72, 7, 41, 50, 1});
}

int Entity::attachmentPoint() const {
  Target t = typed(doc_, ref_, {"MTEXT"}, "AttachmentPoint");
  return static_cast<int>(model::tagInt(t.obj().tags, 71, 1));
}

void Entity::setAttachmentPoint(int a) {
  Target t = typed(doc_, ref_, {"MTEXT"}, "AttachmentPoint");
  if (a < 1 || a > 9)
    throw HostError(HostError::Refused, "no attachment point " + std::to_string(a));
  detail::setOrInsert(t.modify().tags, 71, std::to_string(a), {41, 40});
}

std::string Entity::tagString() const {
  Target t = typed(doc_, ref_, {"ATTDEF", "ATTRIB"}, "TagString");
  return t.text(2);
}

std::string Entity::promptString() const {
  Target t = typed(doc_, ref_, {"ATTDEF"}, "PromptString");
  return t.text(3);
}

// ---- lines and polylines

Point3 Entity::startPoint() const {
  Target t = typed(doc_, ref_, {"LINE"}, "StartPoint");
  return detail::pointTag(t.obj().tags, 10);
}

Point3 Entity::endPoint() const {
  Target t = typed(doc_, ref_, {"LINE"}, "EndPoint");
  return detail::pointTag(t.obj().tags, 11);
}

std::vector<double> Entity::coordinates() const {
  Target t = typed(doc_, ref_, {"LWPOLYLINE", "POLYLINE"}, "Coordinates");
  std::vector<double> xy;
  if (t.type() == "LWPOLYLINE") {
    const auto& tags = t.obj().tags;
    for (std::size_t i : vertexPositions(tags)) {
      xy.push_back(model::parseDouble(tags[i].value).value_or(0));
      xy.push_back(i + 1 < tags.size() && tags[i + 1].code == 20
                       ? model::parseDouble(tags[i + 1].value).value_or(0)
                       : 0);
    }
  } else {
    for (const Object& v : t.obj().subs) {
      if (model::typeOf(v) != "VERTEX") continue;
      xy.push_back(model::tagDouble(v.tags, 10));
      xy.push_back(model::tagDouble(v.tags, 20));
    }
  }
  return xy;
}

bool Entity::closed() const {
  Target t = typed(doc_, ref_, {"LWPOLYLINE", "POLYLINE"}, "Closed");
  return (model::tagInt(t.obj().tags, 70) & 1) != 0;
}

void Entity::setClosed(bool c) {
  Target t = typed(doc_, ref_, {"LWPOLYLINE", "POLYLINE"}, "Closed");
  long long flags = model::tagInt(t.obj().tags, 70);
  flags = c ? (flags | 1) : (flags & ~1LL);
  detail::setOrInsert(t.modify().tags, 70, std::to_string(flags), {90, 66, 100});
}

void Entity::setWidth(int segment, double startWidth, double endWidth) {
  Target t = typed(doc_, ref_, {"LWPOLYLINE", "POLYLINE"}, "SetWidth");
  checkFinite(startWidth);
  checkFinite(endWidth);
  if (startWidth < 0 || endWidth < 0)
    throw HostError(HostError::Refused, "a polyline width must not be negative");
  const std::string s = detail::formatNumber(startWidth), e = detail::formatNumber(endWidth);
  if (t.type() == "POLYLINE") {
    std::vector<std::size_t> vertices;
    for (std::size_t i = 0; i < t.obj().subs.size(); ++i)
      if (model::typeOf(t.obj().subs[i]) == "VERTEX") vertices.push_back(i);
    if (segment < 0 || segment >= static_cast<int>(vertices.size()))
      throw HostError(HostError::Refused, "no polyline segment " + std::to_string(segment));
    auto& tags = t.modify().subs[vertices[segment]].tags;
    detail::setOrInsert(tags, 40, s, {30, 20});
    detail::setOrInsert(tags, 41, e, {40});
    return;
  }
  auto vertices = vertexPositions(t.obj().tags);
  if (segment < 0 || segment >= static_cast<int>(vertices.size()))
    throw HostError(HostError::Refused, "no polyline segment " + std::to_string(segment));
  auto& tags = t.modify().tags;
  // A constant width would contradict the per-vertex ones.
  std::erase_if(tags, [](const Tag& tag) { return tag.code == 43; });
  vertices = vertexPositions(tags);
  std::size_t end = segment + 1 < static_cast<int>(vertices.size()) ? vertices[segment + 1]
                                                                    : detail::xdataStart(tags);
  std::size_t pos = vertices[segment] + 1;
  bool has40 = false, has41 = false;
  for (std::size_t i = pos; i < end; ++i) {
    if (tags[i].code == 40) tags[i].value = s, has40 = true;
    if (tags[i].code == 41) tags[i].value = e, has41 = true;
    if (tags[i].code == 20 || tags[i].code == 91) pos = i + 1;
  }
  if (!has41) tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(pos), Tag{41, e});
  if (!has40) tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(pos), Tag{40, s});
}

// ---- block references

std::string Entity::name() const {
  Target t = typed(doc_, ref_, {"INSERT"}, "Name");
  return t.text(2);
}

double Entity::xScaleFactor() const {
  Target t = typed(doc_, ref_, {"INSERT"}, "XScaleFactor");
  return model::tagDouble(t.obj().tags, 41, 1.0);
}

double Entity::yScaleFactor() const {
  Target t = typed(doc_, ref_, {"INSERT"}, "YScaleFactor");
  return model::tagDouble(t.obj().tags, 42, 1.0);
}

bool Entity::hasAttributes() const {
  Target t = typed(doc_, ref_, {"INSERT"}, "HasAttributes");
  for (const Object& s : t.obj().subs)
    if (model::typeOf(s) == "ATTRIB") return true;
  return false;
}

std::vector<Entity> Entity::getAttributes() const {
  Target t = typed(doc_, ref_, {"INSERT"}, "GetAttributes");
  std::vector<Entity> out;
  const auto& subs = t.obj().subs;
  for (std::size_t i = 0; i < subs.size(); ++i)
    if (model::typeOf(subs[i]) == "ATTRIB")
      out.push_back(Entity(doc_, EntityRef{ref_.container, ref_.index, static_cast<int>(i)}));
  return out;
}

std::vector<Entity> Entity::explode() {
  Target t = target(doc_, ref_);
  std::vector<Entity> out;
  for (const EntityRef& r : detail::explodeReference(*t.doc, ref_)) out.push_back(Entity(doc_, r));
  return out;
}

bool Entity::operator==(const Entity& o) const {
  return ref_ == o.ref_ && !doc_.owner_before(o.doc_) && !o.doc_.owner_before(doc_);
}

}  // namespace cadhost
