// Drawing preparation: layers made usable and put back, external references bound, plain block
// references exploded, and the paper size of the extents.

#include <cadhost/document.h>

#include <QSet>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/sheet_size.h"

namespace tarvik {

namespace {

constexpr int kModelSpace = 1;

}  // namespace

void CAD::UnlockAllLayers(LayerStateTable& BoxLayers) {
  cadhost::Document doc = requireDocument(*this, "CAD.UnlockAllLayers");
  hostCall("CAD.UnlockAllLayers", [&] {
    const cadhost::Layers layers = doc.layers();
    const int count = layers.count();
    BoxLayers.assign(static_cast<std::size_t>(count), LayerState{});
    const bool modelSpace = doc.activeSpace() == kModelSpace;
    std::size_t column = 0;
    for (int i = 0; i < count; ++i) {
      cadhost::Layer layer = layers.item(i);
      const bool frozen = layer.freeze();
      const bool on = layer.layerOn();
      const bool locked = layer.lock();
      // In model space a frozen layer stays frozen, and a locked layer that is off stays so.
      if (!((frozen && !modelSpace) || (locked && (on || !modelSpace)))) continue;
      BoxLayers[column++] = {QString::fromStdString(layer.name()), frozen, on, locked};
      layer.setLayerOn(true);
      layer.setFreeze(false);
      layer.setLock(false);
    }
  });
}

void CAD::loadLayer(const LayerStateTable& BoxLayers) {
  cadhost::Document doc = requireDocument(*this, "CAD.loadLayer");
  hostCall("CAD.loadLayer", [&] {
    const cadhost::Layers layers = doc.layers();
    for (const LayerState& state : BoxLayers) {
      if (state.name.isEmpty()) break;
      cadhost::Layer layer = layers.item(state.name.toStdString());
      layer.setFreeze(state.Freeze);
      layer.setLayerOn(state.LayerOn);
      layer.setLock(state.Lock);
    }
  });
}

QString CAD::GetDWGSize(std::optional<Point3d> MinPoint, std::optional<Point3d> MaxPoint,
                        double XYScale) {
  if (!MinPoint) {
    // Only the absolute differences count, so the corners may come in either order.
    cadhost::Document doc = requireDocument(*this, "CAD.GetDWGSize");
    const auto read = [&](const char* name) {
      const cadhost::Point3 p =
          hostCall("CAD.GetDWGSize", [&] { return pointValue(doc.getVariable(name), name); });
      return Point3d{p.x, p.y, p.z};
    };
    MinPoint = read("extmax");
    MaxPoint = read("extmin");
  }
  if (!MaxPoint) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, "The second corner of the size is missing",
                          "CAD.GetDWGSize");
  }
  return paperSizeName((*MaxPoint)[0] - (*MinPoint)[0], (*MaxPoint)[1] - (*MinPoint)[1], XYScale);
}

void CAD::DwgInit() {
  cadhost::Document doc = requireDocument(*this, "CAD.DwgInit");
  // The template names without regard to case, so that each look-up costs the same however
  // many templates and blocks there are.
  QSet<QString> templates;
  for (int i = 1; i <= ModNum && i < static_cast<int>(ModList.size()); ++i) {
    templates.insert(ModList[static_cast<std::size_t>(i)].n.toCaseFolded());
  }
  // True when the name is a template's; nullopt when a stop was asked for meanwhile.
  const auto isTemplateName = [&](const QString& name) -> std::optional<bool> {
    if (QuitFlag && !templates.isEmpty()) return std::nullopt;
    return templates.contains(name.toCaseFolded());
  };

  // External references are bound unless they are templates; a failure here is the caller's.
  const bool stopped = hostCall("CAD.DwgInit", [&] {
    cadhost::Blocks blocks = doc.blocks();
    for (int i = 0; i < blocks.count(); ++i) {
      ui_->processEvents();
      cadhost::Block block = blocks.item(i);
      if (!block.isXRef()) continue;
      const auto isTemplate = isTemplateName(QString::fromStdString(block.name()));
      if (!isTemplate) return true;
      if (!*isTemplate) block.bind(false);
    }
    return false;
  });
  if (stopped) return;

  // Plain references (not anonymous, no attributes, no external reference, no template) are
  // replaced by their parts; failures are skipped.
  cadhost::SelectionSet set;
  if (!attemptGet(set, [&] { return freshSelectionSet(doc, "BlkSS"); })) return;
  const cadhost::Filter inserts{{0, std::string("INSERT")}};
  attempt([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, inserts); });
  std::vector<cadhost::Entity> references;
  attemptGet(references, [&] { return set.items(); });
  for (cadhost::Entity& reference : references) {
    ui_->processEvents();
    std::string name;
    bool plain = false;
    attempt([&] {
      name = reference.name();
      plain =
          !name.starts_with('*') && !reference.hasAttributes() && !doc.blocks().item(name).isXRef();
    });
    if (!plain) continue;
    const auto isTemplate = isTemplateName(QString::fromStdString(name));
    if (!isTemplate) return;
    if (*isTemplate) continue;
    // The reference goes only when its parts are in the drawing.
    if (attempt([&] { reference.explode(); })) attempt([&] { reference.erase(); });
  }
}

}  // namespace tarvik
