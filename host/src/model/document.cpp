#include "cadhost/document.h"

#include "dxf/dxf_io.h"
#include "model/command_interpreter.h"
#include "model/document_core.h"
#include "model/drawing_writer.h"
#include "model/system_variables.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost {

using detail::DocumentCore;

std::shared_ptr<DocumentCore> Document::core() const {
  return DocumentCore::lock(doc_);
}

namespace {

// A table entry handed to a document must be one of its own.
template <class Proxy>
void checkOwnEntry(const std::shared_ptr<DocumentCore>& doc, const Proxy& entry) {
  if (DocumentCore::coreOf(entry) != doc)
    throw HostError(HostError::Refused,
                    "\"" + DocumentCore::nameOf(entry) + "\" belongs to another drawing");
}

}  // namespace

std::string Document::fullName() const {
  return core()->path;
}

std::string Document::name() const {
  auto c = core();
  return c->path.empty() ? c->untitledName : detail::fileNameOf(c->path);
}

bool Document::readOnly() const {
  return core()->readOnly;
}

int Document::activeSpace() const {
  core();
  return 1;
}

Block Document::modelSpace() const {
  return core()->blockProxy(detail::EntityRef::kModelSpace);
}
Layout Document::activeLayout() const {
  return core()->layoutProxy();
}
Plot Document::plot() const {
  return core()->plotProxy();
}
Blocks Document::blocks() const {
  return core()->blocksProxy();
}
Layers Document::layers() const {
  return core()->layersProxy();
}
TextStyles Document::textStyles() const {
  return core()->stylesProxy();
}
UserCoordinateSystems Document::userCoordinateSystems() const {
  return core()->ucsTableProxy();
}
SelectionSets Document::selectionSets() const {
  return core()->setsProxy();
}
Utility Document::utility() const {
  return core()->utilityProxy();
}

Layer Document::activeLayer() const {
  auto c = core();
  return c->layerProxy(std::get<std::string>(detail::getSystemVariable(*c, "CLAYER")));
}

void Document::setActiveLayer(const Layer& layer) {
  auto c = core();
  checkOwnEntry(c, layer);
  detail::setSystemVariable(*c, "CLAYER", DocumentCore::nameOf(layer));
}

TextStyle Document::activeTextStyle() const {
  auto c = core();
  return c->styleProxy(std::get<std::string>(detail::getSystemVariable(*c, "TEXTSTYLE")));
}

void Document::setActiveTextStyle(const TextStyle& style) {
  auto c = core();
  checkOwnEntry(c, style);
  detail::setSystemVariable(*c, "TEXTSTYLE", DocumentCore::nameOf(style));
}

Ucs Document::activeUcs() const {
  auto c = core();
  if (c->currentUcs.empty())
    throw HostError(HostError::NotFound, "the current coordinate system is the world system");
  return c->ucsProxy(c->currentUcs);
}

void Document::setActiveUcs(const Ucs& ucs) {
  auto c = core();
  checkOwnEntry(c, ucs);
  const std::string name = DocumentCore::nameOf(ucs);
  const model::Object& entry = c->checkedEntry("UCS", name);
  c->setCurrentUcs(model::findTag(entry.tags, 2)->value);
}

Value Document::getVariable(std::string_view name) const {
  return detail::getSystemVariable(*core(), name);
}

void Document::setVariable(std::string_view name, const Value& value) {
  detail::setSystemVariable(*core(), name, value);
}

void Document::sendCommand(std::string_view text) {
  auto c = core();
  detail::runCommandText(*c, text);
}

void Document::startUndoMark() {
  core()->undo.start();
}
void Document::endUndoMark() {
  core()->undo.end();
}

void Document::wblock(const std::string& path, const SelectionSet& set, WriteMode mode) {
  auto c = core();
  if (DocumentCore::coreOf(set) != c)
    throw HostError(HostError::Refused, "the selection set belongs to another drawing");
  const auto& data = c->selectionSet(DocumentCore::idOf(set));
  detail::writeBlockFile(*c, path, data.members, mode);
}

void Document::regen(int) const {
  core();
}

void Document::saveAs(const std::string& path) {
  auto c = core();
  dxf::writeDxfFile(detail::drawingForSave(*c), path);
  c->path = path;
  c->readOnly = false;
}

void Document::close(bool saveChanges) {
  auto c = core();
  if (saveChanges) {
    if (c->path.empty() || c->readOnly)
      throw HostError(HostError::Refused, "the drawing " + name() + " has no file to save to");
    dxf::writeDxfFile(detail::drawingForSave(*c), c->path);
  }
  if (auto app = c->app.lock()) app->closeDocument(c.get());
}

bool Document::operator==(const Document& o) const {
  return !doc_.owner_before(o.doc_) && !o.doc_.owner_before(doc_);
}

}  // namespace cadhost
