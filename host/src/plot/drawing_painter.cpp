#include "plot/drawing_painter.h"

#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <unordered_map>

#include "dxf/text_codec.h"
#include "geom/curves.h"
#include "geom/hatch_boundary.h"
#include "geom/matrix.h"
#include "geom/polyline_band.h"
#include "geom/raw_extents.h"
#include "geom/spline_fit.h"
#include "geom/text_box.h"
#include "geom/text_metrics.h"
#include "geom/transform.h"
#include "model/tags.h"
#include "model/text_util.h"
#include "plot/fonts.h"
#include "plot/mtext_lines.h"
#include "plot/text_drawing.h"
#include "plot/text_runs.h"

namespace cadhost::plot {

namespace {

using geom::CurvePiece;
using model::Object;

constexpr int kMaxDepth = 16;
constexpr long kMaxVisits = 5'000'000;
constexpr int kMaxArrayCells = 10'000;
constexpr double kDefaultLineWeight = 0.25;  // millimetres
constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kChordTolerance = 0.02;  // millimetres on paper
// Pattern lines closer than this on paper are not drawn (they would fill the area), nor
// patterns of more lines or pieces than these.
constexpr double kMinPatternSpacing = 0.1;
constexpr long kMaxPatternLines = 20'000;
constexpr long kMaxPatternPieces = 200'000;
constexpr double kMaxPatternLineNumber = 1e15;
constexpr double kMaxPaperArcRadius = 1e6;  // millimetres
constexpr long kMaxDashSteps = 2'000'000;   // dashes and gaps walked in one line family
constexpr double kMinDashPeriod = 0.5;      // millimetres on paper

struct LayerInfo {
  std::string lineType = "CONTINUOUS";  // upper case
  int color = 7;
  std::optional<std::int32_t> trueColor;
  int lineWeight = -3;
  bool hidden = false;
};

// What the plot takes from a text style.
struct TextStyleInfo {
  std::string family;
  double widthFactor = 1;
};

// What an entity inherits from the block reference (or dimension) that draws it.
struct Parent {
  std::string layer;
  Pen pen;
  std::string lineType;  // upper case
};

// A line type's pattern (positive: drawn, negative: left out, 0: a dot) as lengths alternately
// drawn and left out, starting with a drawn one; empty for a continuous line.
std::vector<double> alternateDashes(const std::vector<double>& pattern, double scale) {
  std::vector<double> out;
  for (double v : pattern) {
    const bool drawn = v >= 0;
    const double len = std::fabs(v) * scale;
    const bool expectDrawn = out.size() % 2 == 0;
    if (drawn == expectDrawn)
      out.push_back(len);
    else if (out.empty())
      out.insert(out.end(), {0.0, len});
    else
      out.back() += len;
  }
  if (out.size() % 2 == 1) out.push_back(0);
  return out;
}

class Painter {
 public:
  Painter(const model::Drawing& dwg, const geom::ExtentsContext& ctx, const PaintOptions& options,
          Canvas& canvas)
      : dwg_(dwg), ctx_(ctx), options_(options), canvas_(canvas) {
    for (const model::Table& t : dwg.tables) {
      const std::string name = detail::toUpper(t.name);
      if (name == "LAYER") {
        for (const Object& e : t.entries) {
          const model::Tag* n = model::findTag(e.tags, 2);
          if (!n) continue;
          LayerInfo info;
          const long long color = model::tagInt(e.tags, 62, 7);
          info.color = static_cast<int>(std::llabs(color) % 257);
          if (model::findTag(e.tags, 420))
            info.trueColor = static_cast<std::int32_t>(model::tagInt(e.tags, 420));
          info.lineWeight = static_cast<int>(model::tagInt(e.tags, 370, -3));
          if (const model::Tag* lt = model::findTag(e.tags, 6))
            info.lineType = detail::toUpper(lt->value);
          const bool plottable = model::tagInt(e.tags, 290, 1) != 0;
          info.hidden = color < 0 || (model::tagInt(e.tags, 70) & 1) != 0 || !plottable;
          layers_[detail::toUpper(n->value)] = info;
        }
      } else if (name == "LTYPE") {
        for (const Object& e : t.entries) {
          const model::Tag* n = model::findTag(e.tags, 2);
          if (!n) continue;
          std::vector<double> pattern;
          for (const model::Tag& tag : e.tags)
            if (tag.code == 49) pattern.push_back(model::parseDouble(tag.value).value_or(0));
          lineTypes_[detail::toUpper(n->value)] = std::move(pattern);
        }
      } else if (name == "STYLE") {
        for (const Object& e : t.entries) {
          const model::Tag* n = model::findTag(e.tags, 2);
          if (!n) continue;
          const model::Tag* font = model::findTag(e.tags, 3);
          const model::Tag* big = model::findTag(e.tags, 4);
          TextStyleInfo& style = styles_[detail::toUpper(n->value)];
          style.family = substituteFamily(font ? std::string_view(font->value) : "",
                                          big ? std::string_view(big->value) : "");
          const double width = model::tagDouble(e.tags, 41, 1.0);
          if (width > 0 && std::isfinite(width)) style.widthFactor = width;
        }
      }
    }
  }

  void paint(const Object& e) { entity(e, geom::identityMatrix(), nullptr); }

  void setLineTypeScale(double s) { lineTypeScale_ = s > 0 && std::isfinite(s) ? s : 1.0; }

 private:
  void entity(const Object& e, const Matrix4& m, const Parent* parent) {
    if (++visits_ > kMaxVisits) return;
    const std::string_view type = model::typeOf(e);
    std::string layer = layerOf(e, parent);
    const LayerInfo* info = layerInfo(layer);
    if (info && info->hidden) return;
    drawScale_ = scaleOf(m);
    const std::string lineType = lineTypeOf(e, info, parent);
    const Pen pen = penOf(e, info, parent, lineType);
    const Matrix4 full = geom::multiply(options_.toPaper, m);

    if (auto pieces = geom::curvePieces(e)) {
      // A polyline with widths is a filled band; its centre line is drawn with the pen too,
      // so that no part of it is thinner than the pen.
      if (auto shape = geom::polylineShapeOf(e); shape && geom::hasWidth(*shape))
        band(*shape, full, pen);
      if (pieces->size() == 1 && (*pieces)[0].kind == CurvePiece::Arc &&
          circularArc((*pieces)[0].arc, full, pen))
        return;
      curves(*pieces, full, pen, type == "CIRCLE");
      return;
    }
    if (type == "TEXT" || type == "ATTRIB" || (type == "ATTDEF" && parent == nullptr)) {
      if (type == "ATTRIB" && (model::tagInt(e.tags, 70) & 1)) return;
      singleLineText(e, full, pen);
      return;
    }
    if (type == "MTEXT") return mtext(e, full, pen);
    if (type == "INSERT" || type == "MINSERT") return insert(e, m, Parent{layer, pen, lineType});
    if (type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION") {
      // The dimension's picture is its anonymous block, in world coordinates.
      const model::Tag* n = model::findTag(e.tags, 2);
      const model::Block* block = n && ctx_.findBlock ? ctx_.findBlock(n->value) : nullptr;
      if (block) blockEntities(*block, m, Parent{layer, pen, lineType});
      return;
    }
    if (type == "SPLINE") {
      std::vector<P2> pts;
      spline(geom::splineData(e), full, pts);
      canvas_.polyline(pts, false, pen);
      return;
    }
    if (type == "SOLID" || type == "TRACE") return solid(e, full, pen);
    if (type == "3DFACE") {
      std::vector<P2> pts;
      for (const Point3& q : geom::pointTags(e.tags, 10)) pts.push_back(toP2(full, q));
      for (int code : {11, 12, 13})
        if (model::findTag(e.tags, code)) pts.push_back(toP2(full, geom::pointTag(e.tags, code)));
      canvas_.polyline(pts, true, pen);
      return;
    }
    if (type == "HATCH") return hatch(e, full, pen);
  }

  void blockEntities(const model::Block& block, const Matrix4& m, const Parent& parent) {
    if (depth_ >= kMaxDepth) return;
    ++depth_;
    for (const Object& child : block.entities) {
      if (visits_ > kMaxVisits) break;
      entity(child, m, &parent);
    }
    --depth_;
  }

  void insert(const Object& e, const Matrix4& m, const Parent& parent) {
    const model::Tag* n = model::findTag(e.tags, 2);
    const model::Block* block = n && ctx_.findBlock ? ctx_.findBlock(n->value) : nullptr;
    if (block) {
      const long long columns = std::max(1LL, model::tagInt(e.tags, 70, 1));
      const long long rows = std::max(1LL, model::tagInt(e.tags, 71, 1));
      if (columns * rows <= kMaxArrayCells) {
        for (long long r = 0; r < rows; ++r)
          for (long long c = 0; c < columns; ++c)
            blockEntities(*block,
                          geom::multiply(m, geom::insertMatrix(e, *block, static_cast<int>(c),
                                                               static_cast<int>(r))),
                          parent);
      }
    }
    for (const Object& sub : e.subs)
      if (model::typeOf(sub) == "ATTRIB") entity(sub, m, &parent);
  }

  void curves(const std::vector<CurvePiece>& pieces, const Matrix4& full, const Pen& pen,
              bool closed) {
    std::vector<P2> chain;
    Point3 last{};
    bool have = false;
    for (const CurvePiece& piece : pieces) {
      const std::vector<Point3> pts = chords(piece);
      if (pts.empty()) continue;
      if (have && !(pts.front() == last)) {
        canvas_.polyline(chain, false, pen);
        chain.clear();
      }
      for (std::size_t i = chain.empty() ? 0 : 1; i < pts.size(); ++i)
        chain.push_back(toP2(full, pts[i]));
      last = pts.back();
      have = true;
    }
    canvas_.polyline(chain, closed, pen);
  }

  // Appends the curve of a spline to `out`, `m` taking its points to paper: the fit-point curve
  // flattened on paper (an affine map takes each piece to the piece of the mapped control
  // points), else the curve sampled from its knots, control points and weights.
  void spline(const geom::SplineData& spline, const Matrix4& m, std::vector<P2>& out) const {
    if (auto curve = geom::fitPointCurve(spline)) {
      for (geom::CubicBezier& piece : *curve)
        for (Point3& q : piece.p) q = geom::transformPoint(m, q);
      for (const Point3& q : geom::flattenBeziers(*curve, kChordTolerance))
        out.push_back({q.x, q.y});
    } else {
      for (const Point3& q : geom::splinePoints(spline)) out.push_back(toP2(m, q));
    }
  }

  void band(const geom::PolylineShape& shape, const Matrix4& full, const Pen& pen) {
    // The chord tolerance on paper, in the polyline's own units.
    const double unitsPerMm = 1.0 / (options_.mmPerUnit * drawScale_);
    if (!std::isfinite(unitsPerMm) || !(unitsPerMm > 0)) return;
    std::vector<std::vector<P2>> rings;
    for (const std::vector<Point3>& ring :
         geom::polylineBand(shape, kChordTolerance * unitsPerMm)) {
      std::vector<P2>& onPaper = rings.emplace_back();
      onPaper.reserve(ring.size());
      for (const Point3& q : ring) onPaper.push_back(toP2(full, q));
    }
    if (!rings.empty()) canvas_.fillUnion(rings, pen);
  }

  // An arc (or circle) that stays circular on paper goes to the canvas as an arc; false for
  // an elliptic one.
  bool circularArc(const geom::EllipseArc& arc, const Matrix4& full, const Pen& pen) {
    const Point3 c = geom::transformPoint(full, arc.c);
    const Point3 u = geom::transformVector(full, arc.u), v = geom::transformVector(full, arc.v);
    const double ru = std::hypot(u.x, u.y), rv = std::hypot(v.x, v.y);
    // An arc larger than any paper is drawn in chords: cairo takes seconds over a radius of
    // 1e20 millimetres, and the renderers of its file minutes.
    if (!(ru > 0) || !(ru < kMaxPaperArcRadius) || std::fabs(ru - rv) > 1e-9 * ru ||
        std::fabs(u.x * v.x + u.y * v.y) > 1e-9 * ru * ru)
      return false;
    const double base = std::atan2(u.y, u.x);
    const double turn = u.x * v.y - u.y * v.x > 0 ? 1.0 : -1.0;  // mirrored arcs run clockwise
    canvas_.arc({c.x, c.y}, ru, base + turn * arc.t0, base + turn * arc.t1, pen);
    return true;
  }

  // The points of a piece: a segment's ends, an arc's chords fine enough on paper (within
  // kChordTolerance millimetres of the arc).
  std::vector<Point3> chords(const CurvePiece& piece) const {
    if (piece.kind == CurvePiece::Segment) return {piece.a, piece.b};
    const geom::EllipseArc& arc = piece.arc;
    const double radius =
        std::max(geom::length(arc.u), geom::length(arc.v)) * options_.mmPerUnit * drawScale_;
    const double span = arc.t1 - arc.t0;
    if (!std::isfinite(radius) || !std::isfinite(span)) return {};
    // Counted as a double: on a radius so large that the step is 0 it is infinite.
    double count = 1;
    if (radius > kChordTolerance)
      count = std::ceil(std::fabs(span) / (2 * std::acos(1 - kChordTolerance / radius)));
    const int n = std::isnan(count) ? 1 : static_cast<int>(std::clamp(count, 1.0, 1440.0));
    std::vector<Point3> pts;
    pts.reserve(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) pts.push_back(arc.at(arc.t0 + span * i / n));
    return pts;
  }

  // The text is laid out in its font at its height and width factor, and placed in the box of
  // the host's text model by its alignment: left, centred or right at the box's anchor; fit
  // and aligned texts are stretched to the box. A text is drawn whole or, when a run of it
  // cannot be drawn, left out.
  void singleLineText(const Object& e, const Matrix4& full, const Pen& pen) {
    const auto corners = geom::textCorners(e);
    if (!corners) return;
    const model::Tag* value = model::findTag(e.tags, model::typeOf(e) == "ATTDEF" ? 2 : 1);
    if (!value) return;
    const long long halign = model::tagInt(e.tags, 72);
    const bool anchored = model::findTag(e.tags, 11) != nullptr;
    const bool stretched = (halign == 3 || halign == 5) && anchored;
    // In units of the text height, tabs every four of them.
    const LaidOutLine line =
        layOutLine(singleLineRuns(value->value, stretched ? 1.0 : geom::widthFactorOf(e)), {},
                   kDefaultTabStep, styleOf(e).family);
    if (!(line.width > 0)) return;
    const P2 a = toP2(full, (*corners)[0]), b = toP2(full, (*corners)[1]),
             d = toP2(full, (*corners)[3]);
    const P2 along{b.x - a.x, b.y - a.y}, up{d.x - a.x, d.y - a.y};
    const double box = std::hypot(along.x, along.y), height = std::hypot(up.x, up.y);
    if (!(box > 0) || !(height > 0) || !std::isfinite(box) || !std::isfinite(height)) return;
    const P2 dir{along.x / box, along.y / box};
    if (stretched) {
      const double unit = box / line.width;
      drawLine(line, {a, {dir.x * unit, dir.y * unit}, up}, pen, canvas_, true);
      return;
    }
    const double width = line.width * height;
    double where = 0;  // the fraction of the box's width left of the text
    if (anchored && (halign == 1 || halign == 4)) where = 0.5;
    if (anchored && halign == 2) where = 1;
    if (model::tagInt(e.tags, 71) & 2) where = 1 - where;  // backward: the box runs the other way
    const double shift = (box - width) * where;
    drawLine(line,
             {{a.x + dir.x * shift, a.y + dir.y * shift}, {dir.x * height, dir.y * height}, up},
             pen, canvas_, true);
  }

  // Paragraphs with their inline heights and width factors (the style's to start with),
  // wrapped at the reference width by the widths of the glyphs drawn; each line stands below
  // the one before by the line spacing of its tallest text, and is placed left, centred or
  // right of the insertion point by the attachment. A run that cannot be drawn is left out
  // before the lines are made, and the rest of the text plots as if it were not there.
  void mtext(const Object& e, const Matrix4& full, const Pen& pen) {
    const auto corners = geom::textCorners(e);
    if (!corners) return;
    const std::string contents = dxf::mtextContents(e.tags);
    const double h = std::max(0.0, model::tagDouble(e.tags, 40));
    if (!(h > 0) || !std::isfinite(h)) return;
    const Point3 bl = (*corners)[0], br = (*corners)[1], tl = (*corners)[3];
    const Point3 ydir = geom::normalized(geom::subtract(tl, bl));
    const Point3 xdir = geom::normalized(geom::subtract(br, bl));
    if (!(geom::length(xdir) > 0) || !(geom::length(ydir) > 0)) return;
    const Point3 alongPaper = geom::transformVector(full, xdir),
                 upPaper = geom::transformVector(full, ydir);
    const P2 along{alongPaper.x, alongPaper.y}, up{upPaper.x, upPaper.y};
    const Point3 insertion = geom::pointTag(e.tags, 10);
    const TextStyleInfo& style = styleOf(e);
    std::vector<MTextParagraph> paragraphs = mtextParagraphs(contents, h, style.widthFactor);
    // (A text of one run is drawn or left out whole in any case.)
    std::size_t runCount = 0;
    for (const MTextParagraph& paragraph : paragraphs) runCount += paragraph.runs.size();
    const LineFrame atInsertion{toP2(full, insertion), along, up};
    if (runCount > 1)
      for (MTextParagraph& paragraph : paragraphs)
        std::erase_if(paragraph.runs, [&](const MTextRun& run) {
          return !fitsOnPaper(run, atInsertion, style.family);
        });
    std::vector<MTextLine> lines = wrapMText(
        paragraphs, h, model::tagDouble(e.tags, 41),
        [&](char32_t c, double height) { return characterAdvance(c, style.family) * height; });
    const double spacingFactor = model::tagDouble(e.tags, 44, 1.0);
    long long attach = model::tagInt(e.tags, 71, 1);
    if (attach < 1 || attach > 9) attach = 1;
    const int column = static_cast<int>((attach - 1) % 3), row = static_cast<int>((attach - 1) / 3);
    // Baselines below the top edge.
    std::vector<double> drops;
    double drop = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      drop += i == 0 ? lines[i].height : geom::mtextLineSpacing(lines[i].height, spacingFactor);
      drops.push_back(drop);
    }
    const Point3 top = geom::add(insertion, geom::scale(ydir, drop * row / 2.0));
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const LaidOutLine line = layOutLine(std::move(lines[i].runs), lines[i].tabStops,
                                          kDefaultTabStep * h, style.family);
      if (!(line.width > 0) || !std::isfinite(line.width)) continue;
      const Point3 origin = geom::add(top, geom::add(geom::scale(xdir, -line.width * column / 2.0),
                                                     geom::scale(ydir, -drops[i])));
      drawLine(line, {toP2(full, origin), along, up}, pen, canvas_, false);
    }
  }

  void solid(const Object& e, const Matrix4& full, const Pen& pen) {
    const geom::Ocs ocs = geom::Ocs::fromExtrusion(geom::extrusionOf(e.tags));
    auto at = [&](int code, int fallback) {
      const int c = model::findTag(e.tags, code) ? code : fallback;
      return toP2(full, ocs.toWcs(geom::pointTag(e.tags, c)));
    };
    canvas_.fill({{at(10, 10), at(11, 11), at(13, 12), at(12, 12)}}, pen);
  }

  // Hatches bounded by polylines, lines, circular and elliptic arcs and splines: solid fills,
  // and pattern lines clipped to the boundary (even-odd) with their dashes.
  void hatch(const Object& e, const Matrix4& full, const Pen& pen) {
    const auto boundary = geom::readHatchBoundary(e);
    if (!boundary) return;
    const Matrix4 ocsToPaper = geom::multiply(full, boundary->ocs.matrix());
    std::vector<std::vector<P2>> rings;
    for (const std::vector<geom::HatchEdge>& path : boundary->paths) {
      std::vector<P2>& ring = rings.emplace_back();
      for (const geom::HatchEdge& edge : path) {
        if (edge.kind == geom::HatchEdge::Spline) {
          spline(edge.spline, ocsToPaper, ring);
          continue;
        }
        std::vector<Point3> pts = chords(edge.piece);
        if (edge.reversed) std::reverse(pts.begin(), pts.end());
        for (const Point3& q : pts) ring.push_back(toP2(ocsToPaper, q));
      }
    }
    const bool solid = model::tagInt(e.tags, 70) == 1;
    if (solid) return canvas_.fill(rings, pen);
    // The pattern's line families: angle, base point, offset between lines and dashes, stored
    // already scaled and turned.
    const model::Tags& tags = e.tags;
    std::size_t pos = boundary->end;
    auto num = [&](int code) -> std::optional<double> {
      if (pos >= tags.size() || tags[pos].code != code) return std::nullopt;
      return model::parseDouble(tags[pos++].value);
    };
    auto count = [&](int code) -> int {
      auto v = num(code);
      return v && *v >= 0 && *v < 1e6 ? static_cast<int>(*v) : -1;
    };
    while (pos < tags.size() && tags[pos].code != 78) ++pos;
    const int families = count(78);
    for (int f = 0; f < families; ++f) {
      auto angle = num(53), bx = num(43), by = num(44), ox = num(45), oy = num(46);
      const int dashCount = count(79);
      if (!angle || !bx || !by || !ox || !oy || dashCount < 0) return;
      std::vector<double> dashes;
      for (int i = 0; i < dashCount; ++i) {
        auto d = num(49);
        if (!d) return;
        dashes.push_back(*d);
      }
      const double a = *angle * kDegree;
      const Point3 base = geom::transformPoint(ocsToPaper, {*bx, *by, model::tagDouble(tags, 30)});
      const Point3 dir = geom::transformVector(ocsToPaper, {std::cos(a), std::sin(a), 0});
      const Point3 offset = geom::transformVector(ocsToPaper, {*ox, *oy, 0});
      Pen linePen = pen;
      linePen.dashes.clear();
      patternLines(rings, {base.x, base.y}, {dir.x, dir.y}, {offset.x, offset.y}, dashes, linePen);
    }
  }

  // One family of pattern lines through `base` along `dir` (its length: paper millimetres a
  // drawing unit), repeated every `offset`, clipped to the rings by the even-odd rule.
  void patternLines(const std::vector<std::vector<P2>>& rings, P2 base, P2 dir, P2 offset,
                    const std::vector<double>& dashes, const Pen& pen) {
    const double unit = std::hypot(dir.x, dir.y);
    if (!(unit > 0) || !std::isfinite(unit)) return;
    const P2 d{dir.x / unit, dir.y / unit}, n{-d.y, d.x};
    const double spacing = offset.x * n.x + offset.y * n.y;
    if (!(std::fabs(spacing) >= kMinPatternSpacing)) return;
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const auto& ring : rings)
      for (const P2& p : ring) {
        const double v = (p.x - base.x) * n.x + (p.y - base.y) * n.y;
        lo = std::min(lo, v), hi = std::max(hi, v);
      }
    if (!(hi >= lo) || !(std::fabs(hi - lo) / std::fabs(spacing) <= kMaxPatternLines)) return;
    // Lines numbered beyond this lie too far from the base point to be placed.
    if (!(std::fabs(lo / spacing) < kMaxPatternLineNumber) ||
        !(std::fabs(hi / spacing) < kMaxPatternLineNumber))
      return;
    // The lines k with lo <= k * spacing <= hi.
    const long first = std::min(static_cast<long>(std::ceil(lo / spacing)),
                                static_cast<long>(std::ceil(hi / spacing)));
    const long last = std::max(static_cast<long>(std::floor(lo / spacing)),
                               static_cast<long>(std::floor(hi / spacing)));
    if (last - first > kMaxPatternLines) return;
    double period = 0;
    for (double v : dashes) period += std::fabs(v) * unit;
    // Each ring edge with the lines it may cross (a line to spare on each side of those it
    // spans), taken up in the order of its first line: each line tests only the edges that
    // reach it, not every edge of the rings.
    struct Edge {
      long first, last;
      P2 p, q;
    };
    std::vector<Edge> edges;
    for (const auto& ring : rings)
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const P2 p = ring[i], q = ring[(i + 1) % ring.size()];
        const double kp = ((p.x - base.x) * n.x + (p.y - base.y) * n.y) / spacing;
        const double kq = ((q.x - base.x) * n.x + (q.y - base.y) * n.y) / spacing;
        if (!std::isfinite(kp) || !std::isfinite(kq)) continue;  // no place to cut it
        const double a = std::floor(std::min(kp, kq)) - 1, b = std::ceil(std::max(kp, kq)) + 1;
        if (a > static_cast<double>(last) || b < static_cast<double>(first)) continue;
        edges.push_back({static_cast<long>(std::max(a, static_cast<double>(first))),
                         static_cast<long>(std::min(b, static_cast<double>(last))), p, q});
      }
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.first < b.first; });
    std::vector<Edge> active;
    std::size_t next = 0;
    long pieces = 0, steps = 0;
    for (long k = first; k <= last && pieces <= kMaxPatternPieces; ++k) {
      const P2 o{base.x + offset.x * static_cast<double>(k),
                 base.y + offset.y * static_cast<double>(k)};
      std::erase_if(active, [k](const Edge& e) { return e.last < k; });
      while (next < edges.size() && edges[next].first <= k) active.push_back(edges[next++]);
      // Where the line crosses the rings' edges, in distance along it from o.
      std::vector<double> cuts;
      for (const Edge& edge : active) {
        const P2 p = edge.p, q = edge.q;
        const double sp = (p.x - o.x) * n.x + (p.y - o.y) * n.y;
        const double sq = (q.x - o.x) * n.x + (q.y - o.y) * n.y;
        if ((sp > 0) == (sq > 0)) continue;
        const double t = sp / (sp - sq);
        cuts.push_back((p.x + (q.x - p.x) * t - o.x) * d.x + (p.y + (q.y - p.y) * t - o.y) * d.y);
      }
      std::sort(cuts.begin(), cuts.end());
      for (std::size_t i = 0; i + 1 < cuts.size(); i += 2) {
        const double ta = cuts[i], tb = cuts[i + 1];
        auto emit = [&](double s, double e) {
          if (++pieces > kMaxPatternPieces) return;
          canvas_.polyline({{o.x + d.x * s, o.y + d.y * s}, {o.x + d.x * e, o.y + d.y * e}}, false,
                           pen);
        };
        if (!(period > 0)) {
          emit(ta, tb);
          continue;
        }
        // Walk the dashes from the repetition of the pattern that holds ta. The steps are
        // counted too: dashes that are all gaps draw nothing, and dashes too short to move t
        // on never reach tb.
        double t = std::floor(ta / period) * period;
        while (t < tb && pieces <= kMaxPatternPieces) {
          for (double v : dashes) {
            if (++steps > kMaxDashSteps) return;
            const double len = std::fabs(v) * unit;
            if (v >= 0) {
              const double s = std::max(t, ta), e = std::min(t + len, tb);
              if (e >= s && s <= tb && e >= ta) emit(s, e);
            }
            t += len;
            if (t >= tb) break;
          }
        }
      }
    }
  }

  std::string layerOf(const Object& e, const Parent* parent) const {
    const model::Tag* t = model::findTag(e.tags, 8);
    std::string layer = t ? t->value : "0";
    if (parent && layer == "0") return parent->layer;
    return layer;
  }

  const LayerInfo* layerInfo(const std::string& layer) const {
    auto it = layers_.find(detail::toUpper(layer));
    return it == layers_.end() ? nullptr : &it->second;
  }

  std::string lineTypeOf(const Object& e, const LayerInfo* info, const Parent* parent) const {
    const model::Tag* t = model::findTag(e.tags, 6);
    const std::string name = detail::toUpper(t ? t->value : "BYLAYER");
    if (name == "BYLAYER") return info ? info->lineType : "CONTINUOUS";
    if (name == "BYBLOCK") return parent ? parent->lineType : "CONTINUOUS";
    return name;
  }

  Pen penOf(const Object& e, const LayerInfo* info, const Parent* parent,
            const std::string& lineType) const {
    Pen pen;
    const long long color = model::tagInt(e.tags, 62, 256);
    const model::Tag* trueColor = model::findTag(e.tags, 420);
    if (color == 0 && parent) {
      pen = parent->pen;
    } else if (trueColor) {
      pen.color = plot::trueColor(static_cast<std::int32_t>(model::tagInt(e.tags, 420)));
      pen.colorIndex = color >= 1 && color <= 255 ? static_cast<int>(color) : 7;
    } else if (color >= 1 && color <= 255) {
      pen.colorIndex = static_cast<int>(color);
      pen.color = aciColor(pen.colorIndex);
    } else {
      pen.colorIndex = info ? info->color : 7;
      pen.color =
          info && info->trueColor ? plot::trueColor(*info->trueColor) : aciColor(pen.colorIndex);
    }
    const long long weight = model::tagInt(e.tags, 370, -1);
    if (weight == -2 && parent) {
      pen.width = parent->pen.width;
    } else {
      const long long w = weight == -1 ? (info ? info->lineWeight : -3) : weight;
      pen.width = w >= 0 ? static_cast<double>(w) / 100.0 : kDefaultLineWeight;
    }
    if (!options_.plotLineWeights) pen.width = kDefaultLineWeight;
    if (options_.monochrome) pen.color = {0, 0, 0};
    pen.dashes.clear();
    auto it = lineTypes_.find(lineType);
    if (it != lineTypes_.end() && !it->second.empty()) {
      const double scale =
          lineTypeScale_ * model::tagDouble(e.tags, 48, 1.0) * options_.mmPerUnit * drawScale_;
      std::vector<double> dashes = alternateDashes(it->second, scale);
      double period = 0;
      for (double d : dashes) period += d;
      // A pattern too fine to see on paper is drawn continuous.
      if (period >= kMinDashPeriod && std::isfinite(period)) pen.dashes = std::move(dashes);
    }
    return pen;
  }

  // A text's style; a style the drawing does not define reads as the standard style, as it
  // does for the text's other members.
  const TextStyleInfo& styleOf(const Object& e) const {
    static const TextStyleInfo plain{kSansFamily};
    const model::Tag* style = model::findTag(e.tags, 7);
    auto it = styles_.find(detail::toUpper(style ? style->value : "Standard"));
    if (it == styles_.end()) it = styles_.find("STANDARD");
    return it == styles_.end() ? plain : it->second;
  }

  static double scaleOf(const Matrix4& m) {
    return std::sqrt(std::fabs(m[0] * m[5] - m[1] * m[4]));
  }

  static P2 toP2(const Matrix4& m, const Point3& p) {
    const Point3 q = geom::transformPoint(m, p);
    return {q.x, q.y};
  }

  const model::Drawing& dwg_;
  const geom::ExtentsContext& ctx_;
  const PaintOptions& options_;
  Canvas& canvas_;
  std::unordered_map<std::string, LayerInfo> layers_;
  std::unordered_map<std::string, TextStyleInfo> styles_;           // upper-case names
  std::unordered_map<std::string, std::vector<double>> lineTypes_;  // upper-case names
  double lineTypeScale_ = 1;
  int depth_ = 0;
  long visits_ = 0;
  double drawScale_ = 1;  // the scale of the block references around the entity
};

}  // namespace

void paintEntities(const model::Drawing& dwg, const geom::ExtentsContext& ctx,
                   const std::vector<const model::Object*>& entities, const PaintOptions& options,
                   Canvas& canvas) {
  Painter painter(dwg, ctx, options, canvas);
  if (const model::HeaderVar* v = model::findHeaderVar(dwg, "$LTSCALE"))
    painter.setLineTypeScale(model::tagDouble(v->tags, 40, 1.0));
  for (const model::Object* e : entities) painter.paint(*e);
}

}  // namespace cadhost::plot
