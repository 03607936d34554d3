#pragma once

// Where the items of a drawing that others name are: table entries by table and name, block
// definitions by name, and table heads, table entries, block definitions and objects by handle
// (entities are found through DocumentCore::findEntity, which keeps up with added entities).
// Built once from the whole drawing; the document drops it whenever a block definition or the
// block record table changes, and renews only the table part when another table changes (a
// UCS defined for each frame must not cost a walk over every block and object), so that a
// lookup costs the same however large the drawing is.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/drawing.h"

namespace cadhost::detail {

struct ItemRef {
  enum Kind : std::uint8_t { kNone, kTableHead, kTableEntry, kBlock, kObject };
  Kind kind = kNone;
  std::int32_t index = -1;  // table, block or object index
  std::int32_t entry = -1;  // entry within the table
};

class ReferenceIndex {
 public:
  // `blockErased[b]` marks deleted block definitions: they are not found by name.
  ReferenceIndex(const model::Drawing& dwg, const std::vector<std::uint8_t>& blockErased);

  // Indexes table `table` again after its entries changed; the other tables, blocks and objects
  // stay as they are. The list of tables must be unchanged, and so must the block record table:
  // the blocks' records are not looked up again.
  void refreshTable(const model::Drawing& dwg, std::int32_t table);

  // Adds entry `entry` of table `table`, just appended to it.
  void addTableEntry(std::int32_t table, std::int32_t entry, const model::Object& e);
  // Forgets entry `entry` of table `table`, just removed from its end.
  void removeLastTableEntry(std::int32_t table, std::int32_t entry, const model::Object& e);

  // The table head, table entry, block (its BLOCK or ENDBLK) or object with this handle.
  ItemRef find(std::string_view handle) const;
  // Names without regard to case; -1 when missing.
  std::int32_t table(std::string_view name) const;
  std::int32_t entry(std::int32_t table, std::string_view name) const;
  std::int32_t block(std::string_view name) const;
  // The BLOCK_RECORD entry of block definition `block`; -1 when there is none (R12).
  std::int32_t blockRecord(std::int32_t block) const;

 private:
  void indexTable(const model::Drawing& dwg, std::int32_t table);

  std::unordered_map<std::string, ItemRef> tableHandles_;  // table heads and entries
  // The entry handles each table put in tableHandles_, so that one table can be indexed again
  // without a walk over the others.
  std::vector<std::vector<std::string>> entryHandles_;
  std::unordered_map<std::string, ItemRef> handles_;  // blocks and objects
  std::unordered_map<std::string, std::int32_t> tables_;
  std::vector<std::unordered_map<std::string, std::int32_t>> entries_;
  std::unordered_map<std::string, std::int32_t> blocks_;
  std::vector<std::int32_t> blockRecords_;
};

}  // namespace cadhost::detail
