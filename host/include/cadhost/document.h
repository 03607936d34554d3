#pragma once

// One open drawing.

#include <string>
#include <string_view>

#include "cadhost/block.h"
#include "cadhost/fwd.h"
#include "cadhost/layer.h"
#include "cadhost/layout.h"
#include "cadhost/selection_set.h"
#include "cadhost/text_style.h"
#include "cadhost/types.h"
#include "cadhost/ucs.h"
#include "cadhost/utility.h"

namespace cadhost {

class Document {
 public:
  Document() = default;

  std::string fullName() const;  // the path, "" for a drawing never saved
  std::string name() const;      // the file name with extension, no folder
  bool readOnly() const;
  int activeSpace() const;  // 1: model space (selections always work on model space)

  Block modelSpace() const;
  Blocks blocks() const;
  Layers layers() const;
  TextStyles textStyles() const;
  UserCoordinateSystems userCoordinateSystems() const;
  SelectionSets selectionSets() const;
  Utility utility() const;
  // The model layout's plot settings and the plot (the host plots model space only).
  Layout activeLayout() const;
  Plot plot() const;

  Layer activeLayer() const;
  void setActiveLayer(const Layer& layer);  // HostError(NotFound) when the layer is gone
  TextStyle activeTextStyle() const;
  void setActiveTextStyle(const TextStyle& style);
  // The current UCS; HostError(NotFound) while the world system (unnamed) is current.
  Ucs activeUcs() const;
  void setActiveUcs(const Ucs& ucs);

  // System variables, names without regard to case. HostError(NotFound) for an unknown name,
  // HostError(Refused) for a value the variable does not take.
  Value getVariable(std::string_view name) const;
  void setVariable(std::string_view name, const Value& value);

  // Command-line text or the subset of the command language the host understands.
  void sendCommand(std::string_view text);

  // Bracket one undo group; the command "U" takes the last completed group back.
  void startUndoMark();
  void endUndoMark();

  // Writes the set's entities as a new drawing file (overwriting `path`), with everything they
  // need. The document is unchanged. WriteMode::NoReplace never replaces a file: it fails with
  // HostError(Exists) when the name is taken, also by another process at the same moment.
  void wblock(const std::string& path, const SelectionSet& set,
              WriteMode mode = WriteMode::Replace);
  void regen(int scope) const;
  // Writes the drawing to `path` in its own version and encoding; the document takes the name.
  void saveAs(const std::string& path);
  void close(bool saveChanges = false);

  bool operator==(const Document& o) const;

 private:
  friend class Documents;
  friend class Application;
  friend class detail::DocumentCore;
  explicit Document(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}
  std::shared_ptr<detail::DocumentCore> core() const;

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
