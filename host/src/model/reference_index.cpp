#include "model/reference_index.h"

#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

namespace {

// The handle of a table entry: 105 for dimension styles (whose 5 is an arrow block name).
std::string_view entryHandle(const model::Object& e) {
  if (model::typeOf(e) == "DIMSTYLE") {
    const model::Tag* t = model::findTag(e.tags, 105);
    return t ? std::string_view(t->value) : std::string_view();
  }
  return model::handleOf(e);
}

const model::TagText* nameOf(const model::Object& o) {
  const model::Tag* t = model::findTag(o.tags, 2);
  return t ? &t->value : nullptr;
}

}  // namespace

ReferenceIndex::ReferenceIndex(const model::Drawing& dwg,
                               const std::vector<std::uint8_t>& blockErased) {
  entries_.resize(dwg.tables.size());
  entryHandles_.resize(dwg.tables.size());
  for (size_t t = 0; t < dwg.tables.size(); ++t) {
    const auto ti = static_cast<std::int32_t>(t);
    tables_.emplace(toUpper(dwg.tables[t].name), ti);
    const std::string_view h = model::handleOf(dwg.tables[t].head);
    if (!h.empty()) tableHandles_.emplace(std::string(h), ItemRef{ItemRef::kTableHead, ti, -1});
    indexTable(dwg, ti);
  }
  auto add = [&](std::string_view h, ItemRef ref) {
    if (!h.empty()) handles_.emplace(std::string(h), ref);
  };
  blocks_.reserve(dwg.blocks.size());
  for (size_t b = 0; b < dwg.blocks.size(); ++b) {
    if (b < blockErased.size() && blockErased[b]) continue;
    const auto bi = static_cast<std::int32_t>(b);
    add(model::handleOf(dwg.blocks[b].begin), {ItemRef::kBlock, bi, -1});
    add(model::handleOf(dwg.blocks[b].end), {ItemRef::kBlock, bi, -1});
    if (const model::TagText* name = nameOf(dwg.blocks[b].begin))
      blocks_.emplace(toUpper(*name), bi);
  }
  blockRecords_.assign(dwg.blocks.size(), -1);
  const std::int32_t records = table("BLOCK_RECORD");
  for (size_t b = 0; b < dwg.blocks.size(); ++b)
    if (const model::TagText* name = nameOf(dwg.blocks[b].begin))
      blockRecords_[b] = entry(records, *name);
  handles_.reserve(handles_.size() + dwg.objects.size());
  for (size_t o = 0; o < dwg.objects.size(); ++o)
    add(model::handleOf(dwg.objects[o]), {ItemRef::kObject, static_cast<std::int32_t>(o), -1});
}

void ReferenceIndex::indexTable(const model::Drawing& dwg, std::int32_t ti) {
  const model::Table& table = dwg.tables[static_cast<size_t>(ti)];
  auto& names = entries_[static_cast<size_t>(ti)];
  names.reserve(table.entries.size());
  for (size_t e = 0; e < table.entries.size(); ++e)
    addTableEntry(ti, static_cast<std::int32_t>(e), table.entries[e]);
}

void ReferenceIndex::refreshTable(const model::Drawing& dwg, std::int32_t table) {
  if (table < 0 || table >= static_cast<std::int32_t>(entries_.size()) ||
      table >= static_cast<std::int32_t>(dwg.tables.size()))
    return;
  // Where a damaged drawing gives entries of two tables one handle, the other table's stays.
  auto& handles = entryHandles_[static_cast<size_t>(table)];
  for (const std::string& h : handles) {
    auto it = tableHandles_.find(h);
    if (it != tableHandles_.end() && it->second.kind == ItemRef::kTableEntry &&
        it->second.index == table)
      tableHandles_.erase(it);
  }
  handles.clear();
  entries_[static_cast<size_t>(table)].clear();
  indexTable(dwg, table);
}

void ReferenceIndex::addTableEntry(std::int32_t table, std::int32_t entry, const model::Object& e) {
  if (table < 0 || table >= static_cast<std::int32_t>(entries_.size())) return;
  const std::string_view h = entryHandle(e);
  if (!h.empty() &&
      tableHandles_.emplace(std::string(h), ItemRef{ItemRef::kTableEntry, table, entry}).second)
    entryHandles_[static_cast<size_t>(table)].emplace_back(h);
  if (const model::TagText* name = nameOf(e))
    entries_[static_cast<size_t>(table)].emplace(toUpper(*name), entry);
}

void ReferenceIndex::removeLastTableEntry(std::int32_t table, std::int32_t entry,
                                          const model::Object& e) {
  if (table < 0 || table >= static_cast<std::int32_t>(entries_.size())) return;
  // An earlier entry of the same name or handle keeps it.
  const std::string_view h = entryHandle(e);
  auto& handles = entryHandles_[static_cast<size_t>(table)];
  if (!h.empty()) {
    auto it = tableHandles_.find(std::string(h));
    if (it != tableHandles_.end() && it->second.kind == ItemRef::kTableEntry &&
        it->second.index == table && it->second.entry == entry) {
      tableHandles_.erase(it);
      if (!handles.empty() && handles.back() == h) handles.pop_back();
    }
  }
  if (const model::TagText* name = nameOf(e)) {
    auto& names = entries_[static_cast<size_t>(table)];
    auto it = names.find(toUpper(*name));
    if (it != names.end() && it->second == entry) names.erase(it);
  }
}

ItemRef ReferenceIndex::find(std::string_view handle) const {
  const std::string key(handle);
  // A handle names one item; where a damaged drawing gives two items one handle, the table
  // entry is found, as when both were kept in one index built from the tables first.
  if (auto it = tableHandles_.find(key); it != tableHandles_.end()) return it->second;
  auto it = handles_.find(key);
  return it == handles_.end() ? ItemRef{} : it->second;
}

std::int32_t ReferenceIndex::table(std::string_view name) const {
  auto it = tables_.find(toUpper(name));
  return it == tables_.end() ? -1 : it->second;
}

std::int32_t ReferenceIndex::entry(std::int32_t table, std::string_view name) const {
  if (table < 0 || table >= static_cast<std::int32_t>(entries_.size())) return -1;
  const auto& names = entries_[static_cast<size_t>(table)];
  auto it = names.find(toUpper(name));
  return it == names.end() ? -1 : it->second;
}

std::int32_t ReferenceIndex::blockRecord(std::int32_t block) const {
  return block >= 0 && block < static_cast<std::int32_t>(blockRecords_.size())
             ? blockRecords_[static_cast<size_t>(block)]
             : -1;
}

std::int32_t ReferenceIndex::block(std::string_view name) const {
  auto it = blocks_.find(toUpper(name));
  return it == blocks_.end() ? -1 : it->second;
}

}  // namespace cadhost::detail
