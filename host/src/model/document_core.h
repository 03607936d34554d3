#pragma once

// The state of one open drawing behind the proxies of the object model: the drawing's tags,
// the per-entity state (erased, paper space), the session state (current UCS, selection sets,
// session variables) and the undo journal. Proxies reach it through a weak reference; every
// access goes through the checks here, which throw HostError for a closed document, an erased
// entity or a removed table entry.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cadhost/application.h"
#include "cadhost/block.h"
#include "cadhost/document.h"
#include "cadhost/entity.h"
#include "cadhost/host_error.h"
#include "cadhost/layer.h"
#include "cadhost/selection_set.h"
#include "cadhost/text_style.h"
#include "cadhost/types.h"
#include "cadhost/ucs.h"
#include "cadhost/utility.h"
#include "model/drawing.h"
#include "model/undo_journal.h"
#include "plot/plot_job.h"

namespace cadhost::detail {

class GeometryCache;
class ReferenceIndex;

struct SelectionSetData {
  std::uint64_t id = 0;
  std::string name;
  std::vector<std::int32_t> members;  // indices of model-space entities, in set order
  std::unordered_set<std::int32_t> memberSet;
  std::uint64_t checkedAt = 0;  // DocumentCore::eraseCount when erased members were last dropped
};

class DocumentCore : public std::enable_shared_from_this<DocumentCore> {
 public:
  DocumentCore(std::weak_ptr<AppCore> app, model::Drawing drawing, std::string path,
               std::string untitledName, bool readOnly);
  ~DocumentCore();

  static std::shared_ptr<DocumentCore> lock(const std::weak_ptr<DocumentCore>& doc);

  // ---- the drawing
  std::weak_ptr<AppCore> app;
  model::Drawing dwg;
  std::string path;          // "" until saved
  std::string untitledName;  // the name of a drawing never saved
  bool readOnly = false;
  bool atLeast(const char* version) const { return dwg.version >= version; }
  bool hasSubclassMarkers() const { return atLeast("AC1012"); }

  // ---- containers: model space (kModelSpace, the ENTITIES section less paper space) and
  // block definitions (index into dwg.blocks)
  std::vector<model::Object>& objects(std::int32_t container);
  bool containerExists(std::int32_t container) const;
  void checkContainer(std::int32_t container) const;  // throws when deleted
  // The positions of a container's live entities (not erased; for model space, not in paper
  // space), in database order.
  const std::vector<std::int32_t>& liveIndices(std::int32_t container);
  std::int32_t blockIndex(std::string_view name) const;  // -2 when missing, kModelSpace
  static constexpr std::int32_t kNoBlock = -2;
  std::string blockName(std::int32_t container) const;
  bool blockErased(std::int32_t b) const { return blockErased_[b] != 0; }
  void setBlockErased(std::int32_t b, bool erased);  // journalled
  // Replaces the BLOCK tags of a block definition (journalled).
  void setBlockBegin(std::int32_t b, model::Object begin);
  // Appends a block definition; taking it back marks it deleted. Returns its index.
  std::int32_t appendBlock(model::Block block);
  // The handle of the container's BLOCK_RECORD ("" for drawings without one).
  std::string ownerHandle(std::int32_t container) const;

  // ---- entities
  bool entityLive(const EntityRef& ref) const;
  bool erased(std::int32_t container, std::int32_t index) const;
  bool paperSpace(std::int32_t index) const { return (flags_[0][index] & kPaper) != 0; }
  model::Object& entity(const EntityRef& ref);  // throws when erased or gone
  const model::Object& entity(const EntityRef& ref) const;
  // Call before changing an entity's tags: journals its state and drops cached geometry.
  void beforeModify(const EntityRef& ref);
  EntityRef appendEntity(std::int32_t container, model::Object obj);  // journalled
  std::uint64_t eraseCount = 0;  // grows with every erasure (and undone addition)
  void eraseEntity(std::int32_t container, std::int32_t index);  // journalled
  // Erases the entities at `indices` (those not erased yet) as one journal entry.
  void eraseEntities(std::int32_t container, const std::vector<std::int32_t>& indices);
  std::string newHandle();
  // The entity (in any container, sub-entities included) that carries this handle.
  const EntityRef* findEntity(std::string_view handle);

  // ---- header variables
  const model::HeaderVar* header(std::string_view name) const;
  void setHeader(const std::string& name, model::Tags tags);  // journalled

  // ---- tables (names without regard to case)
  model::Table* table(std::string_view name);
  const model::Table* table(std::string_view name) const;
  model::Table& tableOrCreate(const std::string& name);
  model::Object* tableEntry(std::string_view table, std::string_view name);
  const model::Object* tableEntry(std::string_view table, std::string_view name) const;
  model::Object& checkedEntry(std::string_view table, std::string_view name);
  // Entries by position: how many, and the name of entry i (HostError(NotFound) naming `what`
  // when there is none).
  int tableCount(std::string_view table) const;
  std::string tableEntryName(std::string_view table, int i, const char* what) const;
  // Call before changing a table: journals its state.
  void beforeTableChange(std::string_view table);
  // addTableEntry for a table other than the block record table, journalled: taking it back
  // removes the entry.
  model::Object& appendTableEntry(const std::string& table, model::Tags typeTags);
  // Call before changing an entry in a way that keeps its name: journals that entry alone and
  // returns it (HostError(NotFound) when the table has no entry of that name).
  model::Object& beforeEntryChange(std::string_view table, std::string_view name);
  // A new entry with its handle and owner, appended to the table (journalled by the caller's
  // beforeTableChange).
  model::Object& addTableEntry(const std::string& table, model::Tags typeTags);

  // ---- layers as selections see them
  bool layerHidden(std::string_view layer) const;  // off or frozen
  void layersChanged() { layerStateValid_ = false; }

  // ---- session state
  std::string currentUcs;                       // "" = world
  void setCurrentUcs(const std::string& name);  // journalled
  std::string userVars[5];
  int backgroundPlot = 1;
  plot::LayoutState plotLayout;  // the model layout's plot settings
  std::vector<SelectionSetData> selectionSets;
  std::uint64_t nextSetId = 1;
  SelectionSetData& selectionSet(std::uint64_t id);
  UndoJournal undo;

  // ---- where named and handled items are (tables, blocks, objects), rebuilt after a block
  // definition, the list of tables or the block record table changed; after another table's
  // entries changed only that table's part is renewed, on the next use
  const ReferenceIndex& references();
  void structureChanged();
  void tableEntriesChanged(std::string_view table);

  // ---- geometry of model space (boxes, spatial index), rebuilt when stale
  GeometryCache& geometry();
  void geometryChanged();

  // ---- proxies
  Entity entityProxy(const EntityRef& ref) { return Entity(weak_from_this(), ref); }
  Block blockProxy(std::int32_t container) { return Block(weak_from_this(), container); }
  Blocks blocksProxy() { return Blocks(weak_from_this()); }
  Layer layerProxy(std::string name) { return Layer(weak_from_this(), std::move(name)); }
  Layers layersProxy() { return Layers(weak_from_this()); }
  TextStyle styleProxy(std::string name) { return TextStyle(weak_from_this(), std::move(name)); }
  TextStyles stylesProxy() { return TextStyles(weak_from_this()); }
  Ucs ucsProxy(std::string name) { return Ucs(weak_from_this(), std::move(name)); }
  UserCoordinateSystems ucsTableProxy() { return UserCoordinateSystems(weak_from_this()); }
  SelectionSet setProxy(std::uint64_t id) { return SelectionSet(weak_from_this(), id); }
  SelectionSets setsProxy() { return SelectionSets(weak_from_this()); }
  Utility utilityProxy() { return Utility(weak_from_this()); }
  Document documentProxy() { return Document(weak_from_this()); }
  Layout layoutProxy() { return Layout(weak_from_this()); }
  Plot plotProxy() { return Plot(weak_from_this()); }

  // What a proxy refers to (for members that take another object).
  static EntityRef refOf(const Entity& e) { return e.ref_; }
  static std::shared_ptr<DocumentCore> coreOf(const Entity& e) { return e.doc_.lock(); }
  static std::uint64_t idOf(const SelectionSet& s) { return s.id_; }
  static std::shared_ptr<DocumentCore> coreOf(const SelectionSet& s) { return s.doc_.lock(); }
  static std::string nameOf(const Layer& l) { return l.name_; }
  static std::shared_ptr<DocumentCore> coreOf(const Layer& l) { return l.doc_.lock(); }
  static std::string nameOf(const TextStyle& s) { return s.name_; }
  static std::shared_ptr<DocumentCore> coreOf(const TextStyle& s) { return s.doc_.lock(); }
  static std::string nameOf(const Ucs& u) { return u.name_; }
  static std::shared_ptr<DocumentCore> coreOf(const Ucs& u) { return u.doc_.lock(); }

 private:
  enum : std::uint8_t { kErased = 1, kPaper = 2 };
  std::vector<std::uint8_t>& flagsOf(std::int32_t container) { return flags_[container + 1]; }
  const std::vector<std::uint8_t>& flagsOf(std::int32_t container) const {
    return flags_[container + 1];
  }
  void entitiesChanged(std::int32_t container, std::int32_t index);
  void indexHandles(std::int32_t container, std::int32_t index);
  bool tableStale(std::int32_t table) const;

  // flags_[0]: model space (dwg.entities), flags_[b + 1]: block b.
  std::vector<std::vector<std::uint8_t>> flags_;
  std::vector<std::uint8_t> blockErased_;
  std::vector<std::vector<std::int32_t>> live_;
  std::vector<std::uint8_t> liveValid_;
  mutable std::unordered_set<std::string> hiddenLayers_;  // upper-case names
  mutable bool layerStateValid_ = false;
  std::unique_ptr<GeometryCache> geometry_;
  std::unique_ptr<ReferenceIndex> references_;
  std::vector<std::uint8_t> staleTables_;  // by table index: renew in the index before use
  bool anyTableStale_ = false;
  std::unordered_map<std::string, EntityRef> handles_;
  bool handlesBuilt_ = false;
};

// The application behind Application and Documents.
struct AppCore {
  bool alive = true;
  HostConfig config;
  bool visible = false;
  int windowState = 0;
  std::vector<std::shared_ptr<DocumentCore>> documents;
  std::shared_ptr<DocumentCore> active;
  PointInput pointInput;
  int untitledCount = 0;

  void checkAlive() const;
  void closeDocument(const DocumentCore* doc);
};

}  // namespace cadhost::detail
