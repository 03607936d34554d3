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

  void addLayer(const std::string& name, int color);
  void addTextStyle(const std::string& name, const std::string& font, const std::string& bigFont,
                    double widthFactor);
  // A block definition; entities added while it is open go into it.
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
  void attdef(const std::string& layer, const std::string& style, Point p, double height,
              const std::string& tag, const std::string& prompt, const std::string& value);
  // A reference with one attribute per (tag, value), placed at the insertion point.
  void insert(const std::string& layer, const std::string& block, Point p,
              const std::vector<std::pair<std::string, std::string>>& attributes,
              const std::string& style, double height);

 private:
  using Tags = cadhost::model::Tags;
  cadhost::model::Object& add(const char* type, const std::string& layer, const char* subclass);
  cadhost::model::Table& table(const std::string& name);
  void addEntry(const std::string& tableName, Tags tags);

  cadhost::model::Drawing& d_;
  std::string owner_;  // block record of the container entities go into
  std::string modelSpaceRecord_;
  cadhost::model::Block* openBlock_ = nullptr;
};

// A number as text with at most eight decimals, as a CAD program writes coordinates.
std::string num(double v);

}  // namespace sheetgen
