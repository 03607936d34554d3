#pragma once

// Forward declarations shared by the object-model headers. Every object of the model is a
// small value proxy: a weak reference to the document (or application) it belongs to plus a
// key. Every member checks that its owner is still alive and the object not erased, and throws
// HostError otherwise, so a stale proxy fails cleanly instead of dangling.

#include <cstdint>
#include <memory>

namespace cadhost {

class Application;
class Block;
class Blocks;
class Document;
class Documents;
class Entity;
class Layer;
class Layers;
class SelectionSet;
class SelectionSets;
class TextStyle;
class TextStyles;
class Ucs;
class UserCoordinateSystems;
class Utility;

namespace detail {
class DocumentCore;
struct AppCore;

// Where an entity lives: its container (kModelSpace or a block's index), its position in the
// container and, for an attribute or vertex of a chained entity, its position in that chain.
struct EntityRef {
  static constexpr std::int32_t kModelSpace = -1;
  std::int32_t container = kModelSpace;
  std::int32_t index = -1;
  std::int32_t sub = -1;
  bool operator==(const EntityRef&) const = default;
};
}  // namespace detail

}  // namespace cadhost
