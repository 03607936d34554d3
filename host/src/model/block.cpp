#include "cadhost/block.h"

#include <cmath>

#include "model/block_ops.h"
#include "model/document_core.h"
#include "model/entity_factory.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost {

using detail::DocumentCore;
using detail::EntityRef;

namespace {

std::shared_ptr<DocumentCore> container(const std::weak_ptr<DocumentCore>& doc, std::int32_t b) {
  auto core = DocumentCore::lock(doc);
  core->checkContainer(b);
  return core;
}

}  // namespace

std::string Block::name() const {
  return container(doc_, index_)->blockName(index_);
}

Point3 Block::origin() const {
  auto c = container(doc_, index_);
  if (index_ == EntityRef::kModelSpace) return Point3{};
  return detail::pointTag(c->dwg.blocks[index_].begin.tags, 10);
}

bool Block::isXRef() const {
  auto c = container(doc_, index_);
  if (index_ == EntityRef::kModelSpace) return false;
  return (model::tagInt(c->dwg.blocks[index_].begin.tags, 70) & (4 | 8)) != 0;
}

bool Block::isLayout() const {
  auto c = container(doc_, index_);
  const std::string n = c->blockName(index_);
  return index_ == EntityRef::kModelSpace ||
         (n.size() >= 12 && detail::equalsNoCase(n.substr(0, 12), "*Paper_Space"));
}

Layout Block::layout() const {
  auto c = container(doc_, index_);
  if (index_ != EntityRef::kModelSpace)
    throw HostError(HostError::Unsupported,
                    "the block \"" + c->blockName(index_) + "\" has no plot layout");
  return c->layoutProxy();
}

void Block::bind(bool) {
  detail::bindXref(*container(doc_, index_), index_);
}

int Block::count() const {
  return static_cast<int>(container(doc_, index_)->liveIndices(index_).size());
}

Entity Block::item(int i) const {
  auto c = container(doc_, index_);
  const auto& live = c->liveIndices(index_);
  if (i < 0 || i >= static_cast<int>(live.size()))
    throw HostError(HostError::NotFound, "no entity at index " + std::to_string(i));
  return c->entityProxy(EntityRef{index_, live[i], -1});
}

std::vector<Entity> Block::entities() const {
  auto c = container(doc_, index_);
  std::vector<Entity> out;
  for (std::int32_t i : c->liveIndices(index_))
    out.push_back(c->entityProxy(EntityRef{index_, i, -1}));
  return out;
}

Entity Block::addText(std::string_view text, const Point3& p, double height) {
  auto c = container(doc_, index_);
  return c->entityProxy(detail::addText(*c, index_, text, p, height));
}

Entity Block::addMText(const Point3& p, double width, std::string_view text) {
  auto c = container(doc_, index_);
  return c->entityProxy(detail::addMText(*c, index_, p, width, text));
}

Entity Block::addLightWeightPolyline(const std::vector<double>& xy) {
  auto c = container(doc_, index_);
  return c->entityProxy(detail::addPolyline(*c, index_, xy));
}

Entity Block::insertBlock(const Point3& p, std::string_view nameOrFile, double xScale,
                          double yScale, double zScale, double rotation) {
  auto c = container(doc_, index_);
  return c->entityProxy(
      detail::insertBlockReference(*c, index_, p, nameOrFile, xScale, yScale, zScale, rotation));
}

void Block::erase() {
  auto c = container(doc_, index_);
  if (index_ == EntityRef::kModelSpace)
    throw HostError(HostError::Refused, "model space cannot be deleted");
  detail::deleteBlock(*c, index_);
}

bool Block::operator==(const Block& o) const {
  return index_ == o.index_ && !doc_.owner_before(o.doc_) && !o.doc_.owner_before(doc_);
}

// ---- Blocks

namespace {

std::vector<std::int32_t> liveBlocks(const DocumentCore& doc) {
  std::vector<std::int32_t> out;
  for (std::int32_t b = 0; b < static_cast<std::int32_t>(doc.dwg.blocks.size()); ++b)
    if (!doc.blockErased(b)) out.push_back(b);
  return out;
}

// Model space is a block of its own in the collection; its BLOCK in the file is only a shell.
std::int32_t proxyIndex(const DocumentCore& doc, std::int32_t b) {
  return detail::equalsNoCase(doc.blockName(b), "*Model_Space") ? EntityRef::kModelSpace : b;
}

}  // namespace

int Blocks::count() const {
  return static_cast<int>(liveBlocks(*DocumentCore::lock(doc_)).size());
}

Block Blocks::item(int i) const {
  auto c = DocumentCore::lock(doc_);
  auto live = liveBlocks(*c);
  if (i < 0 || i >= static_cast<int>(live.size()))
    throw HostError(HostError::NotFound, "no block at index " + std::to_string(i));
  return c->blockProxy(proxyIndex(*c, live[i]));
}

Block Blocks::item(std::string_view name) const {
  auto c = DocumentCore::lock(doc_);
  std::int32_t b = c->blockIndex(name);
  if (b == DocumentCore::kNoBlock)
    throw HostError(HostError::NotFound, "block \"" + std::string(name) + "\" does not exist");
  return c->blockProxy(b);
}

Block Blocks::add(const Point3& origin, std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  for (double v : {origin.x, origin.y, origin.z})
    if (!std::isfinite(v)) throw HostError(HostError::Refused, "the origin is not finite");
  if (name.empty()) throw HostError(HostError::Refused, "a block needs a name");
  if (detail::equalsNoCase(name, "*U")) {
    const std::string anonymous = detail::uniqueAnonymousName(*c, "*U");
    return c->blockProxy(detail::createBlock(*c, anonymous, origin, 1));
  }
  if (std::int32_t b = c->blockIndex(name); b != DocumentCore::kNoBlock) return c->blockProxy(b);
  return c->blockProxy(detail::createBlock(*c, std::string(name), origin, 0));
}

}  // namespace cadhost
