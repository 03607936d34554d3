// Filling an inserted title block from the caller's values.

#include "title_block_filling.h"

#include <cadhost/entity.h>

#include <cmath>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"

namespace tarvik {

void CAD::WriBlock(cadhost::Entity& BlkRef, const CatalogMsgs& Msgs) {
  constexpr const char* kSource = "CAD.WriBlock";
  cadhost::Document doc = requireDocument(*this, kSource);
  cadhost::Point3 p;
  double angle = 0, scale = 1;
  QString blockName;
  hostCall(kSource, [&] {
    p = BlkRef.insertionPoint();
    angle = BlkRef.rotation();
    scale = BlkRef.xScaleFactor();
    blockName = QString::fromStdString(BlkRef.name());
  });
  const BlkTYpe entry = FindMod(blockName);
  const Point3d base = templateBasePoint(entry, blockName, kSource);
  // The template's cells before anything changes: a block whose cell file is missing or
  // damaged raises CellFileError instead of being left empty.
  readTemplateCells(entry.n);

  // The template's origin: the insertion point moved back by the scaled base point along the
  // block's own axes.
  const double quarterTurn = 2 * std::atan(1.0);
  const cadhost::Point3 origin = hostCall(kSource, [&] {
    const cadhost::Utility utility = doc.utility();
    const cadhost::Point3 q = utility.polarPoint(p, angle - quarterTurn, scale * base[1]);
    return utility.polarPoint(q, angle, -scale * base[0]);
  });
  SetFrameUCS({origin.x, origin.y, origin.z}, angle, kFillUcsName);
  SetFont(kFillTypeface, kFillWidthFactor, kFillStyleName);

  // A cell without a value, with a blank value, or that cannot be written is skipped.
  for (long i = 0; i < CellNum; ++i) {
    CellType& cell = Cells[static_cast<std::size_t>(i)];
    const std::optional<QString> value = Msgs.Item(cell.name);
    if (!value) continue;
    cell.s = *value;
    if (cell.s.trimmed().isEmpty()) continue;
    attemptStep([&] {
      QString letter;
      Wri_Cell_Text(cell, scale, letter, 1);
    });
  }
}

}  // namespace tarvik
