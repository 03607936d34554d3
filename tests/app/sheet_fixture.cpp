#include "sheet_fixture.h"

#include "dxf/dxf_io.h"

namespace apptest {

DrawingSummary summarize(const QString& path) {
  const auto drawing = cadhost::dxf::readDxfFile(path.toStdString());
  DrawingSummary s;
  for (const auto& block : drawing.blocks) {
    for (const auto& tag : block.begin.tags) {
      if (tag.code == 2) s.blocks.push_back(tag.value);
    }
  }
  for (const auto& entity : drawing.entities) {
    const std::string type = entity.tags.front().value;
    ++s.countByType[type];
    const bool border = type == "LWPOLYLINE" && s.borderVertices.empty();
    double x = 0;
    for (const auto& tag : entity.tags) {
      if ((type == "TEXT" || type == "MTEXT") && tag.code == 1) s.texts.push_back(tag.value);
      if (tag.code == 10) x = std::stod(tag.value);
      if (tag.code == 20) {
        s.points.emplace_back(x, std::stod(tag.value));
        if (border) s.borderVertices.emplace_back(x, std::stod(tag.value));
      }
      if (border && tag.code == 70) s.borderClosed = (std::stoi(tag.value) & 1) != 0;
    }
  }
  return s;
}

}  // namespace apptest
