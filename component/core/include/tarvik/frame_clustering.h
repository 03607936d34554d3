#pragma once

// The frame list of the split: boxes of the entities of one strip, united into frames.

#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// Slots 1..frameNum of `frames` are in use (slot 0 never is); the list grows without limit.
// `frames` must hold at least frameNum + 1 slots.
//
// IDX = -1: R is a new box. It is united (rectOverlap) into every live slot it touches, each
// grown slot being merged again with the other slots, depth first; a box united nowhere takes
// the first free slot, else a new one at the end.
// IDX >= 1: R must be slot IDX itself; it is merged again with every other slot, and nothing
// is appended.
void addFrameRect(std::vector<RectType>& frames, long& frameNum, RectType& R, long IDX);

}  // namespace tarvik
