// The HP-GL/2 back end: pen-up / pen-down vectors at 40 plotter units a millimetre, the pen
// chosen by the colour index. Text is drawn as the outlines of its glyphs; fills as their
// boundaries.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "cadhost/host_error.h"
#include "plot/canvas.h"
#include "plot/text_layout.h"

namespace cadhost::plot {

namespace {

constexpr double kUnitsPerMm = 40.0;
constexpr int kPens = 8;

class HpglCanvas : public Canvas {
 public:
  HpglCanvas(const std::string& path, double width, double height) : path_(path) {
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

  void fill(const std::vector<std::vector<P2>>& rings, const Pen& pen) override {
    for (const auto& ring : rings) polyline(ring, true, pen);
  }

  void text(const TextRun& run, const Pen& pen) override {
    if (!run.layout) return;
    cairo_path_t* path = nullptr;
    {
      std::lock_guard lock(fontLock());
      cairo_new_path(cr_);
      for (const TextLayout::Group& g : run.layout->groups) {
        // Glyph space to plotter units.
        const Affine a = glyphsToPaper(run, g);
        cairo_matrix_t m;
        cairo_matrix_init(&m, kUnitsPerMm * a.xx, kUnitsPerMm * a.yx, kUnitsPerMm * a.xy,
                          kUnitsPerMm * a.yy, kUnitsPerMm * a.x0, kUnitsPerMm * a.y0);
        const double det = m.xx * m.yy - m.xy * m.yx;
        if (!std::isfinite(det) || std::fabs(det) < 1e-12) continue;
        cairo_set_matrix(cr_, &m);
        cairo_move_to(cr_, 0, 0);
        pango_cairo_glyph_string_path(cr_, g.glyphs.item->analysis.font, g.glyphs.glyphs);
      }
      cairo_identity_matrix(cr_);
      path = cairo_copy_path_flat(cr_);
      cairo_new_path(cr_);
    }
    std::vector<P2> ring;
    auto flush = [&] {
      if (ring.size() >= 2) polyline(ring, true, pen);
      ring.clear();
    };
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
      const cairo_path_data_t* d = &path->data[i];
      switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
          flush();
          ring.push_back({d[1].point.x / kUnitsPerMm, d[1].point.y / kUnitsPerMm});
          break;
        case CAIRO_PATH_LINE_TO:
          ring.push_back({d[1].point.x / kUnitsPerMm, d[1].point.y / kUnitsPerMm});
          break;
        case CAIRO_PATH_CLOSE_PATH:
          flush();
          break;
        case CAIRO_PATH_CURVE_TO:
          break;  // not in a flattened path
      }
    }
    flush();
    cairo_path_destroy(path);
  }

  void finish() override {
    out_ += "PU;SP0;\n";
    std::ofstream f(path_, std::ios::binary | std::ios::trunc);
    f.write(out_.data(), static_cast<std::streamsize>(out_.size()));
    f.close();
    if (!f) throw HostError(HostError::Io, "cannot write the plot file " + path_);
  }

 private:
  static long units(double mm) { return std::lround(mm * kUnitsPerMm); }
  static std::string coord(const P2& p) {
    return std::to_string(units(p.x)) + "," + std::to_string(units(p.y));
  }
  void selectPen(const Pen& pen) {
    // Eight pens, as plotters (and HP-GL readers) commonly have: colours 1 to 8 are their own
    // pens, higher colour indices wrap round.
    const int index = pen.colorIndex < 1 || pen.colorIndex > 255 ? 7 : pen.colorIndex;
    const int n = (index - 1) % kPens + 1;
    if (n == pen_) return;
    pen_ = n;
    out_ += "SP" + std::to_string(n) + ";";
  }

  std::string path_;
  std::string out_;
  int pen_ = 1;
  cairo_surface_t* scratch_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace

std::unique_ptr<Canvas> makeHpglCanvas(const std::string& path, double width, double height) {
  return std::make_unique<HpglCanvas>(path, width, height);
}

}  // namespace cadhost::plot
