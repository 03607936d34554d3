#pragma once

// Block definitions and model space. Model space is a Block too: it holds entities and takes
// new ones, in database order (new entities appended).

#include <string>
#include <string_view>
#include <vector>

#include "cadhost/entity.h"
#include "cadhost/fwd.h"
#include "cadhost/layout.h"
#include "cadhost/types.h"

namespace cadhost {

class Block {
 public:
  Block() = default;

  std::string name() const;
  Point3 origin() const;  // base point
  bool isXRef() const;
  bool isLayout() const;  // model space or a paper-space layout block
  // The plot layout of model space (the document's active layout); HostError(Unsupported) for
  // other blocks.
  Layout layout() const;
  // Binds an external reference: its drawing is loaded and merged, the block becomes local.
  // Names are merged as they are (`prefixNames` is accepted and not used).
  void bind(bool prefixNames);

  int count() const;
  Entity item(int i) const;  // 0-based, database order
  std::vector<Entity> entities() const;

  // New entities take CLAYER, CECOLOR, CELTYPE and the active text style; points are WCS.
  Entity addText(std::string_view text, const Point3& p, double height);
  Entity addMText(const Point3& p, double width, std::string_view text);
  Entity addLightWeightPolyline(const std::vector<double>& xy);
  // A reference to the block `nameOrFile`, or to a block made from a drawing file's model space
  // when `nameOrFile` is the path of a drawing file.
  Entity insertBlock(const Point3& p, std::string_view nameOrFile, double xScale, double yScale,
                     double zScale, double rotation);

  void erase();  // Delete: removes the definition

  bool operator==(const Block& o) const;

 private:
  friend class detail::DocumentCore;
  Block(std::weak_ptr<detail::DocumentCore> doc, std::int32_t index)
      : doc_(std::move(doc)), index_(index) {}

  std::weak_ptr<detail::DocumentCore> doc_;
  std::int32_t index_ = detail::EntityRef::kModelSpace;
};

class Blocks {
 public:
  Blocks() = default;

  int count() const;
  Block item(int i) const;
  Block item(std::string_view name) const;  // HostError(NotFound) when missing
  // A new definition; an existing name gives that definition. The name "*U" gives a unique
  // anonymous name "*U<n>".
  Block add(const Point3& origin, std::string_view name);

 private:
  friend class detail::DocumentCore;
  explicit Blocks(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
