// The HP-GL/2 back end: pen-up / pen-down vectors at 40 plotter units a millimetre, the pen
// chosen by the colour index and given the line's width. Text and filled areas are polygons
// filled solid: text as the outlines of its glyphs.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

#include "plot/canvas.h"
#include "plot/text_layout.h"

namespace cadhost::plot {

namespace {

constexpr double kUnitsPerMm = 40.0;
constexpr int kPens = 8;
// The fill rules of FP.
constexpr const char* kEvenOdd = "0";
constexpr const char* kNonZero = "1";

struct PathDestroy {
  void operator()(cairo_path_t* path) const { cairo_path_destroy(path); }
};

std::array<long, kPens> filledArray(long value) {
  std::array<long, kPens> a;
  a.fill(value);
  return a;
}

class HpglCanvas : public Canvas {
 public:
  HpglCanvas(const PlotFile& file, double width, double height) : file_(file) {
    out_ = "IN;IP0,0," + std::to_string(units(width)) + "," + std::to_string(units(height)) +
           ";SC;PA;SP1;";
    // A scratch context whose only job is to turn text into glyph outlines.
    scratch_ = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
    cr_ = cairo_create(scratch_);
    cairo_set_tolerance(cr_, 2.0);  // plotter units: 0.05 mm
  }
  ~HpglCanvas() override {
    cairo_destroy(cr_);
    cairo_surface_destroy(scratch_);
  }

  void polyline(const std::vector<P2>& points, bool closed, const Pen& pen) override {
    if (points.size() < 2) return;
    selectPen(pen);
    out_ += "PU" + coord(points[0]) + ";PD";
    for (std::size_t i = 1; i < points.size(); ++i) {
      if (i > 1) out_ += ',';
      out_ += coord(points[i]);
    }
    if (closed) {
      out_ += ',';
      out_ += coord(points[0]);
    }
    out_ += ';';
  }

  // The rings as the subpolygons of one polygon, filled by the even-odd rule.
  void fill(const std::vector<std::vector<P2>>& rings, const Pen& pen) override {
    fillRings(rings, pen, kEvenOdd);
  }

  // Each ring a polygon of its own: the union needs no fill rule from the reader.
  void fillUnion(const std::vector<std::vector<P2>>& rings, const Pen& pen) override {
    for (const auto& ring : rings)
      if (ring.size() >= 3) fillPolygon({&ring}, pen, kEvenOdd);
  }

  // Each glyph a polygon of its outlines, filled by the non-zero winding rule that outlines
  // are made for: letters keep their weight and the gaps between them.
  void text(const TextRun& run, const Pen& pen) override {
    if (!run.layout) return;
    std::vector<std::unique_ptr<cairo_path_t, PathDestroy>> outlines;
    {
      std::lock_guard lock(fontLock());
      PangoGlyphString* one = pango_glyph_string_new();
      pango_glyph_string_set_size(one, 1);
      for (const TextLayout::Group& g : run.layout->groups) {
        // Glyph space to plotter units.
        const Affine a = glyphsToPaper(run, g);
        cairo_matrix_t m;
        cairo_matrix_init(&m, kUnitsPerMm * a.xx, kUnitsPerMm * a.yx, kUnitsPerMm * a.xy,
                          kUnitsPerMm * a.yy, kUnitsPerMm * a.x0, kUnitsPerMm * a.y0);
        const double det = m.xx * m.yy - m.xy * m.yx;
        if (!std::isfinite(det) || std::fabs(det) < 1e-12) continue;
        double x = 0;  // the glyph's place on the line, in glyph space
        for (int i = 0; i < g.glyphs.glyphs->num_glyphs; ++i) {
          one->glyphs[0] = g.glyphs.glyphs->glyphs[i];
          one->log_clusters[0] = 0;
          cairo_set_matrix(cr_, &m);
          cairo_new_path(cr_);
          cairo_move_to(cr_, x, 0);
          pango_cairo_glyph_string_path(cr_, g.glyphs.item->analysis.font, one);
          x += one->glyphs[0].geometry.width / static_cast<double>(PANGO_SCALE);
          cairo_identity_matrix(cr_);
          outlines.emplace_back(cairo_copy_path_flat(cr_));
        }
      }
      cairo_new_path(cr_);
      pango_glyph_string_free(one);
    }
    for (const auto& path : outlines) fillRings(rings(*path), pen, kNonZero);
  }

  void finish() override {
    out_ += "PU;SP0;\n";
    writePlotFile(file_, out_);
  }

 private:
  static long units(double mm) { return std::lround(mm * kUnitsPerMm); }
  static std::string coord(const P2& p) {
    return std::to_string(units(p.x)) + "," + std::to_string(units(p.y));
  }
  // The rings of a flattened path in plotter units, in millimetres.
  static std::vector<std::vector<P2>> rings(const cairo_path_t& path) {
    std::vector<std::vector<P2>> out;
    std::vector<P2> ring;
    auto close = [&] {
      if (!ring.empty()) out.push_back(std::move(ring));
      ring.clear();
    };
    for (int i = 0; i < path.num_data; i += path.data[i].header.length) {
      const cairo_path_data_t* d = &path.data[i];
      switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
          close();
          ring.push_back({d[1].point.x / kUnitsPerMm, d[1].point.y / kUnitsPerMm});
          break;
        case CAIRO_PATH_LINE_TO:
          ring.push_back({d[1].point.x / kUnitsPerMm, d[1].point.y / kUnitsPerMm});
          break;
        case CAIRO_PATH_CLOSE_PATH:
          close();
          break;
        case CAIRO_PATH_CURVE_TO:
          break;  // not in a flattened path
      }
    }
    close();
    return out;
  }

  // The rings (those of three points or more) as the subpolygons of one polygon.
  void fillRings(const std::vector<std::vector<P2>>& rings, const Pen& pen, const char* rule) {
    std::vector<const std::vector<P2>*> polygon;
    for (const auto& ring : rings)
      if (ring.size() >= 3) polygon.push_back(&ring);
    fillPolygon(polygon, pen, rule);
  }

  // Polygon mode: the first ring starts at the pen's position, PM1 closes a ring and opens the
  // next, PM2 closes the last; FP fills them by `rule`.
  void fillPolygon(const std::vector<const std::vector<P2>*>& rings, const Pen& pen,
                   const char* rule) {
    if (rings.empty()) return;
    selectPen(pen);
    for (std::size_t r = 0; r < rings.size(); ++r) {
      const std::vector<P2>& ring = *rings[r];
      out_.append("PU").append(coord(ring[0])).append(";");
      if (r == 0) out_.append("PM0;");
      out_.append("PD");
      for (std::size_t i = 1; i <= ring.size(); ++i) {
        if (i > 1) out_ += ',';
        out_ += coord(ring[i % ring.size()]);
      }
      out_ += r + 1 < rings.size() ? ";PM1;" : ";PM2;";
    }
    out_.append("FP").append(rule).append(";PU;");
  }

  void selectPen(const Pen& pen) {
    // Eight pens, as plotters (and HP-GL readers) commonly have: colours 1 to 8 are their own
    // pens, higher colour indices wrap round.
    const int index = pen.colorIndex < 1 || pen.colorIndex > 255 ? 7 : pen.colorIndex;
    const int n = (index - 1) % kPens + 1;
    if (n != pen_) {
      pen_ = n;
      out_ += "SP" + std::to_string(n) + ";";
    }
    // The pen's width in millimetres, to a hundredth, set again only when it changes.
    const double width = std::isfinite(pen.width) ? std::clamp(pen.width, 0.0, 100.0) : 0.0;
    const long hundredths = std::lround(width * 100);
    if (widths_[n - 1] == hundredths) return;
    widths_[n - 1] = hundredths;
    char text[32];
    std::snprintf(text, sizeof text, "PW%ld.%02ld,%d;", hundredths / 100, hundredths % 100, n);
    out_ += text;
  }

  PlotFile file_;
  std::string out_;
  int pen_ = 1;
  std::array<long, kPens> widths_ = filledArray(-1);  // hundredths of a millimetre; -1 unset
  cairo_surface_t* scratch_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace

std::unique_ptr<Canvas> makeHpglCanvas(const PlotFile& file, double width, double height) {
  return std::make_unique<HpglCanvas>(file, width, height);
}

}  // namespace cadhost::plot
