#include "model/drawing_import.h"

#include <unordered_map>

#include "model/block_ops.h"
#include "model/document_core.h"
#include "model/r12_forms.h"
#include "model/subclass_markers.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;
using model::Tags;

bool isHandleCode(int code) {
  return code == 5 || code == 105 || (code >= 320 && code <= 369) || (code >= 390 && code <= 399) ||
         code == 480 || code == 481 || code == 1005;
}

void stripObjectLinks(Tags& tags) {
  Tags out;
  out.reserve(tags.size());
  bool inGroup = false;
  for (const Tag& t : tags) {
    if (t.code == 102) {
      inGroup = !t.value.empty() && t.value[0] == '{';
      continue;
    }
    if (!inGroup) out.push_back(t);
  }
  tags = std::move(out);
}

namespace {

bool isLayoutName(std::string_view name) {
  return equalsNoCase(name, "*Model_Space") ||
         (name.size() >= 12 && equalsNoCase(name.substr(0, 12), "*Paper_Space"));
}

class Importer {
 public:
  Importer(DocumentCore& doc, const model::Drawing& src)
      : doc_(doc),
        src_(src),
        addMarkers_(doc.hasSubclassMarkers()),
        toR12_(!doc.hasSubclassMarkers()) {}

  ImportedModel run() {
    if (toR12_) checkR12();
    mergeTables();
    mergeBlocks();
    ImportedModel out;
    if (const model::HeaderVar* v = findHeader("$INSBASE")) out.base = pointTag(v->tags, 10);
    for (const Object& e : src_.entities) {
      if (model::tagInt(e.tags, 67) == 1) continue;  // paper space
      for (Object& o : copy(e)) out.entities.push_back(std::move(o));
    }
    return out;
  }

  // Refuses, before anything changes, a drawing with entities an R12 drawing cannot hold.
  void checkR12() const {
    auto check = [](const Object& e) {
      if (!r12CanHold(model::typeOf(e)))
        throw HostError(HostError::Unsupported, "it holds a " + std::string(model::typeOf(e)) +
                                                    ", which an R12 drawing cannot hold");
    };
    for (const Object& e : src_.entities)
      if (model::tagInt(e.tags, 67) != 1) check(e);
    for (const model::Block& b : src_.blocks) {
      const Tag* name = model::findTag(b.begin.tags, 2);
      if (name && isLayoutName(name->value)) continue;
      for (const Object& e : b.entities) check(e);
    }
  }

 private:
  const model::HeaderVar* findHeader(std::string_view name) const {
    for (const auto& v : src_.header)
      if (v.name == name) return &v;
    return nullptr;
  }

  // A new handle for an imported definition.
  std::string define(std::string_view old) {
    if (old.empty()) return {};
    auto it = map_.find(std::string(old));
    if (it != map_.end()) return it->second;
    std::string h = doc_.newHandle();
    map_.emplace(std::string(old), h);
    return h;
  }

  void alias(std::string_view old, std::string_view existing) {
    if (!old.empty() && !existing.empty()) map_[std::string(old)] = std::string(existing);
  }

  // Rewrites every handle of an imported object: its own from define(), references through
  // the map; references to what was not imported are dropped (xdata handles become "0").
  void remap(Object& o) {
    stripObjectLinks(o.tags);
    Tags out;
    out.reserve(o.tags.size());
    for (Tag t : o.tags) {
      if (isHandleCode(t.code)) {
        if (t.code == 5 || t.code == 105) {
          t.value = define(t.value);
        } else if (auto it = map_.find(t.value); it != map_.end()) {
          t.value = it->second;
        } else if (t.code == 1005) {
          t.value = "0";
        } else if (t.code != 330) {
          continue;
        }
      }
      if ((t.code == 2) && renames_.size()) {
        std::string_view type = model::typeOf(o);
        if (type == "INSERT" || type == "DIMENSION" || type == "BLOCK") {
          if (auto r = renames_.find(toUpper(t.value)); r != renames_.end()) t.value = r->second;
        }
      }
      out.push_back(std::move(t));
    }
    o.tags = std::move(out);
    for (Object& s : o.subs) remap(s);
  }

  // An imported entity (or BLOCK, ENDBLK): remapped, and given the markers the document's
  // version expects when it comes from a drawing without them (R12).
  Object entityCopy(const Object& e) {
    Object o = e;
    remap(o);
    if (addMarkers_) addSubclassMarkers(o);
    if (toR12_) stripToR12(o);
    return o;
  }

  // An imported entity in the document's forms: in an R12 drawing one or more objects.
  std::vector<Object> entityCopies(const Object& e) {
    Object o = e;
    remap(o);
    if (toR12_) return toR12Entities(doc_, std::move(o));
    if (addMarkers_) addSubclassMarkers(o);
    std::vector<Object> out;
    out.push_back(std::move(o));
    return out;
  }

  std::vector<Object> copy(const Object& e) {
    Object o = e;
    // Definitions first, so that sub-entities pointing at their owner resolve.
    define(model::handleOf(o));
    for (const Object& s : o.subs) define(model::handleOf(s));
    return entityCopies(o);
  }

  void mergeTables() {
    for (const model::Table& t : src_.tables) {
      if (equalsNoCase(t.name, "BLOCK_RECORD") || equalsNoCase(t.name, "VPORT") ||
          equalsNoCase(t.name, "VIEW") || equalsNoCase(t.name, "UCS"))
        continue;
      bool touched = false;
      for (const Object& entry : t.entries) {
        const Tag* name = model::findTag(entry.tags, 2);
        if (!name) continue;
        if (const Object* existing = doc_.tableEntry(t.name, name->value)) {
          alias(model::handleOf(entry), model::handleOf(*existing));
          continue;
        }
        if (toR12_) {
          Object probe = entry;
          if (!toR12TableEntry(probe, t.name)) continue;
        }
        define(model::handleOf(entry));
        pending_.push_back({t.name, entry});
        if (!touched) doc_.beforeTableChange(t.name);
        touched = true;
      }
    }
    // Entries reference each other (a dimension style its text style): remap once all are
    // defined.
    for (auto& [tableName, entry] : pending_) {
      Object e = entry;
      remap(e);
      if (addMarkers_) addTableRecordMarkers(e, tableName);
      if (toR12_) toR12TableEntry(e, tableName);
      model::Table& target = doc_.tableOrCreate(tableName);
      if (doc_.hasSubclassMarkers()) {
        const Tag* owner = model::findTag(target.head.tags, 5);
        setOrInsert(e.tags, 330, owner ? owner->value : "0", {5, 105});
      }
      target.entries.push_back(std::move(e));
      doc_.tableEntriesChanged(tableName);
      if (model::findTag(target.head.tags, 70))
        model::setTag(target.head.tags, 70, std::to_string(target.entries.size()));
    }
  }

  void mergeBlocks() {
    std::vector<const model::Block*> imported;
    for (const model::Block& b : src_.blocks) {
      const Tag* name = model::findTag(b.begin.tags, 2);
      if (!name || isLayoutName(name->value)) continue;
      std::string_view record = recordHandle(name->value);
      bool anonymous = !name->value.empty() && name->value[0] == '*';
      if (!anonymous) {
        std::int32_t existing = doc_.blockIndex(name->value);
        if (existing != DocumentCore::kNoBlock) {
          alias(record, doc_.ownerHandle(existing));
          continue;
        }
      } else {
        std::string prefix = name->value.substr(0, 2);
        std::string fresh = uniqueAnonymousName(doc_, prefix, renamedCount(prefix));
        renames_[toUpper(name->value)] = fresh;
      }
      define(record);
      define(model::handleOf(b.begin));
      define(model::handleOf(b.end));
      for (const Object& e : b.entities) {
        define(model::handleOf(e));
        for (const Object& s : e.subs) define(model::handleOf(s));
      }
      imported.push_back(&b);
    }
    for (const model::Block* b : imported) {
      const Tag* name = model::findTag(b->begin.tags, 2);
      std::string finalName = name->value;
      if (auto r = renames_.find(toUpper(finalName)); r != renames_.end()) finalName = r->second;
      Object begin = entityCopy(b->begin);
      model::setTag(begin.tags, 2, finalName);
      if (model::findTag(begin.tags, 3)) model::setTag(begin.tags, 3, finalName);
      Object end = entityCopy(b->end);
      std::vector<Object> entities;
      for (const Object& e : b->entities)
        for (Object& o : entityCopies(e)) entities.push_back(std::move(o));
      const std::string rec = map_[std::string(recordHandle(name->value))];
      addImportedBlock(doc_, finalName, rec, std::move(begin), std::move(end), std::move(entities));
    }
  }

  int renamedCount(const std::string& prefix) const {
    int n = 0;
    for (const auto& [from, to] : renames_)
      if (equalsNoCase(to.substr(0, 2), prefix)) ++n;
    return n;
  }

  std::string_view recordHandle(std::string_view blockName) const {
    for (const model::Table& t : src_.tables) {
      if (!equalsNoCase(t.name, "BLOCK_RECORD")) continue;
      for (const Object& e : t.entries) {
        const Tag* n = model::findTag(e.tags, 2);
        if (n && equalsNoCase(n->value, blockName)) return model::handleOf(e);
      }
    }
    return {};
  }

  DocumentCore& doc_;
  const model::Drawing& src_;
  std::unordered_map<std::string, std::string> map_;
  std::unordered_map<std::string, std::string> renames_;  // upper-case old name -> new name
  std::vector<std::pair<std::string, Object>> pending_;
  const bool addMarkers_;
  const bool toR12_;
};

}  // namespace

ImportedModel importDrawing(DocumentCore& doc, const model::Drawing& source) {
  return Importer(doc, source).run();
}

}  // namespace cadhost::detail
