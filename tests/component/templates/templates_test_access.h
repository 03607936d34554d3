#pragma once

// Reaches the private template members of CAD for the tests, and sets up template folders.

#include <tarvik/cad.h>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tarvik {

class TemplatesTestAccess {
 public:
  static std::vector<CellType>& cells(CAD& cad) { return cad.Cells; }
  static long& cellNum(CAD& cad) { return cad.CellNum; }
  static std::vector<TextType>& cornerTexts(CAD& cad) { return cad.CornerTexts; }
  static void saveBlockLayout(CAD& cad, const QString& name) { cad.SaveBlockLayout(name); }
  static void saveBlockLayoutEx(CAD& cad, const QString& name, const std::vector<CellType>& cells) {
    cad.SaveBlockLayoutEx(name, cells);
  }
  static std::vector<CellType> readBlockLayout(CAD& cad, const QString& name) {
    return cad.ReadBlockLayout(name);
  }
  static CellType drawCellRect(CAD& cad, const QString& name, double x1, double y1, double x2,
                               double y2) {
    return cad.DrawCellRect(name, Variant::fromDouble(x1), Variant::fromDouble(y1),
                            Variant::fromDouble(x2), Variant::fromDouble(y2));
  }
  static void setFrameUcs(CAD& cad, const Point3d& origin, double angle, const QString& name) {
    cad.SetFrameUCS(origin, angle, name);
  }
  static BlkTYpe findMod(const CAD& cad, const QString& name) { return cad.FindMod(name); }
};

inline QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A cell between (x0, y0) and (x1, y1) as three-double points.
inline CellType cellAt(const QString& name, double x0, double y0, double x1, double y1,
                       std::int16_t T = 0, const QString& s = {}) {
  return {name, Variant::point(x0, y0, 0), Variant::point(x1, y1, 0), T, s};
}

}  // namespace tarvik
