#pragma once

// What the drawing of a selection must hold besides the selected entities: the block
// definitions, table entries and objects they use, found by following the names and handles
// that every kept item carries (block references and the blocks of dimensions, layers, line
// types, text and dimension styles, arrow blocks, registered applications of extended data,
// extension dictionaries, and anything else named by handle), plus the entries every drawing
// holds, those the header names, and the named-object dictionary tree (less the groups with no
// member in the child). The walk visits only what it keeps, so its cost follows the size of
// the child, not of the whole drawing.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/drawing.h"

namespace cadhost::detail {

class DocumentCore;

class DrawingUsage {
 public:
  // `entities`: live model-space entities, sorted, without repeats.
  DrawingUsage(DocumentCore& doc, const std::vector<std::int32_t>& entities);

  // Kept items, each list sorted in database order.
  const std::vector<std::int32_t>& blocks() const { return blocks_; }
  std::vector<std::int32_t> entries(std::int32_t table) const;
  std::vector<std::int32_t> objects() const;

  // True when the handle names an item of the source drawing that the child leaves out (a
  // handle that names nothing is not dropped: it is written as it was).
  bool dropped(std::string_view handle) const;

 private:
  struct Work {
    enum Kind : std::uint8_t { kEntity, kBlock, kEntry, kObject } kind;
    std::int32_t a, b;  // container and entity, block, table and entry, or object
  };
  static std::uint64_t key(std::int32_t a, std::int32_t b) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
           static_cast<std::uint32_t>(b);
  }

  void seed();
  void keepEntry(std::int32_t table, std::int32_t entry);
  void keepEntryNamed(std::int32_t table, std::string_view name);
  void keepBlock(std::int32_t block);
  void keepBlockNamed(std::string_view name);
  // An arrow named by a dimension style or the header: the block of that name, and for a
  // predefined arrow its block "_" + name.
  void keepArrowNamed(std::string_view name);
  void keepObject(std::int32_t object);
  void keepHandle(std::string_view handle);
  bool emptyGroup(std::int32_t object);
  // -1: the object's ownership chain ends at an entity the child leaves out; else 1.
  int objectOwnerState(std::int32_t object);
  bool entityKept(std::int32_t container, std::int32_t index) const;
  void visit(const Work& w);
  enum class Context : std::uint8_t { Entity, BlockBegin, Entry, Object };
  void scan(const model::Object& o, Context context);

  DocumentCore& doc_;
  std::unordered_set<std::int32_t> entities_;
  std::unordered_set<std::int32_t> blockSet_;
  std::vector<std::int32_t> blocks_;
  std::unordered_set<std::uint64_t> entrySet_;
  std::unordered_set<std::int32_t> objectSet_;
  std::unordered_set<std::int32_t> refusedObjects_;
  std::vector<Work> work_;
  // The names already looked up, per table and for blocks, as the kept items spell them: most
  // entities name the same few layers, styles and arrow blocks, and a repeat needs no lookup
  // in the drawing's index.
  std::vector<std::unordered_set<std::string_view>> seenEntryNames_;
  std::unordered_set<std::string_view> seenBlockNames_;
  std::unordered_set<std::string_view> seenArrowNames_;
  std::unordered_set<std::string_view> selectedHandles_;  // built when a group is met
  std::int32_t blockRecords_ = -1, layers_ = -1, ltypes_ = -1, styles_ = -1, dimstyles_ = -1,
               appids_ = -1, ucs_ = -1;
};

}  // namespace cadhost::detail
