// Clustering of entity boxes into frames.

#include "tarvik/frame_clustering.h"

#include <sheetcut/error.h>

#include <string>

#include "tarvik/cad.h"
#include "tarvik/rect_tests.h"

namespace tarvik {

void addFrameRect(std::vector<RectType>& frames, long& frameNum, RectType& R, long IDX) {
  // The merges form a depth-first recursion (a grown slot is merged again before the caller's
  // loop goes on). It runs on an explicit stack so that a long chain of merges cannot exhaust
  // the call stack. Only the outermost level (IDX = -1) may append, after the walk, so the
  // slots never move while the walk holds references into them.
  struct Level {
    long idx;   // the slot being merged, or -1 for R
    long next;  // the next slot to compare it with
  };
  std::vector<Level> stack{{IDX, 1}};
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next > frameNum) {
      stack.pop_back();
      continue;
    }
    const long i = top.next++;
    if (i == top.idx) continue;
    RectType& rect = top.idx == IDX ? R : frames[static_cast<std::size_t>(top.idx)];
    if (rectOverlap(rect, frames[static_cast<std::size_t>(i)])) stack.push_back({i, 1});
  }
  if (IDX != -1 || !R.F) return;
  for (long i = 1; i <= frameNum; ++i) {
    RectType& slot = frames[static_cast<std::size_t>(i)];
    if (!slot.F) {
      slot = R;
      slot.F = true;
      return;
    }
  }
  ++frameNum;
  if (frames.size() <= static_cast<std::size_t>(frameNum)) {
    frames.resize(static_cast<std::size_t>(frameNum) + 1);
  }
  frames[static_cast<std::size_t>(frameNum)] = R;
  frames[static_cast<std::size_t>(frameNum)].F = true;
}

void CAD::AddRect(RectType& R, long IDX) {
  if (Frames.size() <= static_cast<std::size_t>(FrameNum)) {
    Frames.resize(static_cast<std::size_t>(FrameNum) + 1);
  }
  if (IDX == -1) {
    addFrameRect(Frames, FrameNum, R, IDX);
    return;
  }
  if (IDX < 1 || IDX > FrameNum) {
    throw sheetcut::Error(sheetcut::errnum::kSubscriptOutOfRange,
                          "There is no frame slot " + std::to_string(IDX), "CAD.AddRect");
  }
  // R stands for the slot: the slot itself is merged, and R receives what it holds then.
  RectType& slot = Frames[static_cast<std::size_t>(IDX)];
  addFrameRect(Frames, FrameNum, slot, IDX);
  R = slot;
}

}  // namespace tarvik
