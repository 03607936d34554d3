#pragma once

// Public records of frame definitions and drawing settings.

#include <cadhost/types.h>

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// One frame definition: a sheet with its inner border and title blocks. Read from the
// frame-definition file in sheet units; after sizing, in drawing units with Width along X.
// The arrays are indexed as callers number them: FrmSpacing(1..5), SptLength(1..2),
// FrmLineStyle(1..4); element 0 is not used.
struct FrameType {
  std::int16_t ID = 0;  // position in its frames element from 0; -1: a non-standard frame
  float Width = 0;      // along the sheet's first axis
  float Height = 0;     // along the second axis
  // Margins from the sheet edge to the inner border: (1) top, (2) right, (3) bottom, (4) left;
  // (5) the label allowance.
  std::array<float, 6> FrmSpacing{};
  std::array<float, 3> SptLength{};  // carried, never set
  // (1) outer border width, (2) outer colour number, (3) inner width, (4) inner colour number.
  std::array<float, 5> FrmLineStyle{};
  float ValA1 = 0;
  float ExtWidth = 0;  // length one lengthening step adds to Width; 0 or less: none
  float ExtValA1 = 0;  // amount one lengthening step adds to ValA1
  std::int16_t ExtCount = 0;
  // In a definition: 0 either direction, 1 Width along X only, 2 Width along Y only. After
  // sizing: the direction chosen.
  std::int16_t DirectFlag = 0;
  // Title-block entries: "name,fill flag,anchor,dx,dy,rotation[,anchor,dx,dy,rotation]".
  QStringList BlkFile;
  Point3d InsPoint{};  // the sheet's lower-left corner in drawing units
  double Scale = 0;
};

// The host's drawing settings in restore order: "UCSNAME", then "PLINEWID", "CLAYER",
// "TEXTSTYLE", "CECOLOR", "CELTYPE" as far as they could be read.
using AcadEnv = std::vector<std::pair<QString, cadhost::Value>>;

// The values a caller passes for the title blocks of a frame (key and text, in order), handed
// unchanged to the title-block filling.
using TitleBlockMsgs = std::vector<std::pair<QString, QString>>;

}  // namespace tarvik
