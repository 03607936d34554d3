#pragma once

// Adds table entries, blocks and entities to a drawing made from the new-drawing template,
// in the tag layout of R2000 and later, each with a handle from $HANDSEED.

#include <string>
#include <utility>
#include <vector>

#include "model/drawing.h"

namespace sheetgen {

struct Point {
  double x = 0, y = 0;
};

class EntityBuilder {
 public:
  explicit EntityBuilder(cadhost::model::Drawing& drawing);

  // Table entries; each returns its handle.
  // `flags` is the layer's group 70 (1 frozen, 4 locked).
  std::string addLayer(const std::string& name, int color,
                       const std::string& linetype = "Continuous", int flags = 0);
  // A line type of dashes (positive lengths) and gaps (negative lengths).
  std::string addLinetype(const std::string& name, const std::string& description,
                          const std::vector<double>& pattern);
  std::string addTextStyle(const std::string& name, const std::string& font,
                           const std::string& bigFont, double widthFactor);
  // A dimension style with its text style and arrow block (both must exist).
  std::string addDimStyle(const std::string& name, const std::string& textStyle,
                          const std::string& arrowBlock, double textHeight, double arrowSize);
  // The handle of an existing entry ("" when there is none).
  std::string entryHandle(const std::string& tableName, const std::string& name);
  // A block definition; entities added while it is open go into it. A name starting with "*"
  // makes an anonymous block.
  void beginBlock(const std::string& name, bool hasAttributes);
  void endBlock();

  void line(const std::string& layer, Point a, Point b);
  void circle(const std::string& layer, Point c, double r);
  void arc(const std::string& layer, Point c, double r, double startDeg, double endDeg);
  void text(const std::string& layer, const std::string& style, Point p, double height,
            const std::string& value);
  void mtext(const std::string& layer, const std::string& style, Point p, double height,
             double width, const std::string& value);
  void polyline(const std::string& layer, const std::vector<Point>& points, bool closed);
  void pointEntity(const std::string& layer, Point p);
  void solid(const std::string& layer, Point a, Point b, Point c, Point d);
  // A cubic B-spline through its control points (clamped, uniform knots).
  void spline(const std::string& layer, const std::vector<Point>& controlPoints);
  // A hatch of a predefined 45-degree line pattern inside one closed polyline boundary.
  void hatch(const std::string& layer, const std::string& pattern,
             const std::vector<Point>& boundary, double scale);
  // A horizontal linear dimension from a to b whose line lies at dimLineY, drawn by the
  // (already defined) anonymous block `block`. `arrowOverride`, when not empty, names the
  // arrow block that replaces the style's at both ends (extended-data override).
  void linearDimension(const std::string& layer, const std::string& block,
                       const std::string& dimStyle, Point a, Point b, double dimLineY,
                       const std::string& arrowOverride);
  void attdef(const std::string& layer, const std::string& style, Point p, double height,
              const std::string& tag, const std::string& prompt, const std::string& value);
  // A reference with one attribute per (tag, value); the first attribute sits at the insertion
  // point plus `attributeOffset`, the next ones below it.
  void insert(const std::string& layer, const std::string& block, Point p,
              const std::vector<std::pair<std::string, std::string>>& attributes,
              const std::string& style, double height, double scale = 1,
              Point attributeOffset = {-150, 40});

 private:
  using Tags = cadhost::model::Tags;
  cadhost::model::Object& add(const char* type, const std::string& layer, const char* subclass);
  cadhost::model::Table& table(const std::string& name);
  std::string addEntry(const std::string& tableName, Tags tags, int handleCode = 5);
  // The width factor (41) of the text style `style` as written there; "1.0" without one.
  std::string styleWidth(const std::string& style);

  cadhost::model::Drawing& d_;
  std::string owner_;  // block record of the container entities go into
  std::string modelSpaceRecord_;
  cadhost::model::Block* openBlock_ = nullptr;
};

// A number as text with at most eight decimals, as a CAD program writes coordinates.
std::string num(double v);

}  // namespace sheetgen
