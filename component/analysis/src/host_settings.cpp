// Saving and restoring the host document's drawing settings, and constant polyline widths.

#include <cadhost/document.h>
#include <cadhost/entity.h>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"

namespace tarvik {

namespace {

const char* const kVariables[] = {"PLINEWID", "CLAYER", "TEXTSTYLE", "CECOLOR", "CELTYPE"};

}  // namespace

AcadEnv CAD::GetACADENV(cadhost::Document AcadDoc) const {
  std::string ucsName;
  // Under the world system there is no named one: "" stands for it.
  attemptGet(ucsName, [&] { return AcadDoc.activeUcs().name(); });
  AcadEnv env;
  env.emplace_back(QStringLiteral("UCSNAME"), ucsName);
  for (const char* name : kVariables) {
    cadhost::Value value;
    if (attemptGet(value, [&] { return AcadDoc.getVariable(name); }))
      env.emplace_back(QString::fromLatin1(name), value);
  }
  return env;
}

void CAD::SetACADENV(cadhost::Document AcadDoc, const AcadEnv& Env) {
  hostCall("SetACADENV", [&] {
    for (const auto& [key, value] : Env) {
      if (key == QStringLiteral("UCSNAME")) {
        const auto* name = std::get_if<std::string>(&value);
        if (name == nullptr || name->empty()) {
          AcadDoc.sendCommand("ucs W ");
        } else {
          AcadDoc.setActiveUcs(AcadDoc.userCoordinateSystems().item(*name));
        }
      } else {
        AcadDoc.setVariable(key.toStdString(), value);
      }
    }
  });
}

void CAD::SetLineWidth(cadhost::Entity returnObj, double lineWidth) {
  hostCall("SetLineWidth", [&] {
    const std::size_t vertices = returnObj.coordinates().size() / 2;
    const std::size_t segments = returnObj.closed() ? vertices : vertices - (vertices > 0);
    for (std::size_t i = 0; i < segments; ++i)
      returnObj.setWidth(static_cast<int>(i), lineWidth, lineWidth);
  });
}

}  // namespace tarvik
