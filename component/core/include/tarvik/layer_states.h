#pragma once

// The states of layers changed to make a drawing usable, kept so that they can be put back.

#include <QString>
#include <vector>

namespace tarvik {

struct LayerState {
  QString name;  // "" ends the table
  bool Freeze = false;
  bool LayerOn = false;
  bool Lock = false;
};

// One entry per layer of the drawing; the changed layers first, in the drawing's layer order,
// the rest with empty names.
using LayerStateTable = std::vector<LayerState>;

}  // namespace tarvik
