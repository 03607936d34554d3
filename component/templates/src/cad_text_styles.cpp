// The named text style that written text takes, and the template layer with its style.

#include <cadhost/document.h>

#include "tarvik/attempt.h"
#include "tarvik/cad.h"

namespace tarvik {

namespace {

// The style `name`, added when the look-up fails.
bool findOrAddStyle(cadhost::Document& doc, const std::string& name, cadhost::TextStyle& style) {
  if (attemptGet(style, [&] { return doc.textStyles().item(name); })) return true;
  return attemptGet(style, [&] { return doc.textStyles().add(name); });
}

// Writes the style's font description back with another typeface, the rest unchanged.
void setTypeface(cadhost::TextStyle& style, const QString& typeface) {
  cadhost::FontDesc font;
  (void)attemptGet(font, [&] { return style.getFont(); });
  font.typeface = typeface.toStdString();
  (void)attempt([&] { style.setFont(font); });
}

constexpr const char* kTemplateLayer = "QXMOD";
constexpr int kTemplateLayerColor = 6;  // magenta

}  // namespace

void CAD::SetFont(const QString& shxFileName, double HVScale, const QString& StyName) {
  // Every host error is ignored: a failed step leaves the style as far as it got.
  if (!AcadDoc) return;
  cadhost::Document doc = *AcadDoc;
  cadhost::TextStyle style;
  if (!findOrAddStyle(doc, StyName.toStdString(), style)) return;
  setTypeface(style, shxFileName);
  (void)attempt([&] { style.setWidth(HVScale); });
  (void)attempt([&] { doc.setActiveTextStyle(style); });
}

void CAD::SetLaFnt() {
  if (!AcadDoc) return;
  cadhost::Document doc = *AcadDoc;
  cadhost::Layer layer;
  if (!attemptGet(layer, [&] { return doc.layers().item(kTemplateLayer); }))
    (void)attemptGet(layer, [&] { return doc.layers().add(kTemplateLayer); });
  (void)attempt([&] { doc.setActiveLayer(layer); });
  (void)attempt([&] { doc.activeLayer().setColor(kTemplateLayerColor); });
  cadhost::TextStyle style;
  if (!findOrAddStyle(doc, kTemplateLayer, style)) return;
  setTypeface(style, QStringLiteral("宋体"));
  (void)attempt([&] { doc.setActiveTextStyle(style); });
}

}  // namespace tarvik
