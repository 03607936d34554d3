#pragma once

// Public records of the component, with the field names callers know them by.

#include <QString>
#include <QStringList>
#include <array>

namespace tarvik {

// A point handed to or taken from the host: x, y, z (z = 0 unless stated).
using Point3d = std::array<double, 3>;

// One template of the template list.
struct BlkTYpe {
  QString n;          // template name, also the base name of its files
  QString T;          // category: "1" title block, "0" catalogue, "2" other, "3" unrecognised
  QString p;          // file name of the template drawing in the "moddwg" folder
  QStringList InsPo;  // insertion-point offsets as texts: [0] x, [1] y
};

// An axis-aligned rectangle of the frame list; F says whether the slot holds a live frame.
struct RectType {
  double X0 = 0;
  double Y0 = 0;
  double X1 = 0;
  double Y1 = 0;
  bool F = false;
};

// One text or word: left and right X, height, baseline Y and the text itself.
struct TextType {
  double XL = 0;
  double XR = 0;
  double H = 0;
  double Y = 0;
  QString s;
};

}  // namespace tarvik
