#pragma once

// Frame sizing: which definition of a subclass a measured border fits, in which direction and
// with how many lengthening steps, and that definition scaled to drawing units and placed
// around the border.

#include <vector>

#include "tarvik/frame_records.h"

namespace tarvik {

// What the caller asks of the sizing.
struct FrameRequest {
  double Wm = 0;  // measured border in sheet units
  double Hm = 0;
  int DirectFlag = 0;  // 1 forbids direction 2, 2 forbids direction 1
  bool LabFlag = false;
  int ExtNum = -1;  // -1: computed; else imposed, and only fits without lengthening count
  int ID = -1;      // -1: every definition; else only that one
};

// The definition that fits (ExtCount and DirectFlag set, not yet scaled), or a non-standard
// frame with ID -1 built around the border from definition 0's margins. Definitions are tried
// from position 4 down to 0. Raises sheetcut::Error when there are fewer than five or when
// definition 0 has no width or height to build a non-standard frame from.
FrameType chooseFrame(const std::vector<FrameType>& defs, const FrameRequest& request);

// The record in drawing units: lengthened ExtCount times, scaled by `scale`, turned when its
// direction is 2 (Width along X afterwards), with InsPoint placing the inner border's centre on
// the centre of MinPoint..MaxPoint (lowered by the label allowance with labFlag).
FrameType placeFrame(FrameType frm, const std::vector<double>& MinPoint,
                     const std::vector<double>& MaxPoint, double scale, bool labFlag);

}  // namespace tarvik
