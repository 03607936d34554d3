// The cairo back end: PDF, EPS (with its bounding box) and PNG sheets.

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string_view>

#include "cadhost/host_error.h"
#include "plot/canvas.h"
#include "plot/fonts.h"
#include "plot/png_file.h"
#include "plot/text_layout.h"

namespace cadhost::plot {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kPngDotsPerMm = 100.0 / 25.4;  // 100 dpi

class CairoCanvas : public Canvas {
 public:
  CairoCanvas(OutputKind kind, const PlotFile& file, double width, double height)
      : kind_(kind), file_(file), height_(height) {
    if (kind == OutputKind::Png) {
      k_ = kPngDotsPerMm;
      surface_ =
          cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::ceil(width * k_)),
                                     static_cast<int>(std::ceil(height * k_)));
    } else {
      k_ = kPointsPerMm;
      // Written through a stream of our own: cairo's own file output drops the reason of a
      // failed write, and a buffered write lost at its close would go unnoticed.
      stream_ = std::make_unique<PlotFileStream>(file);
      if (kind == OutputKind::Eps) {
        surface_ = cairo_ps_surface_create_for_stream(writeToStream, stream_.get(), width * k_,
                                                      height * k_);
        cairo_ps_surface_set_eps(surface_, 1);
      } else {
        surface_ = cairo_pdf_surface_create_for_stream(writeToStream, stream_.get(), width * k_,
                                                       height * k_);
      }
    }
    cr_ = cairo_create(surface_);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    // White paper: the PNG's background, and in an EPS it makes the bounding box the sheet.
    if (kind != OutputKind::Pdf) {
      cairo_set_source_rgb(cr_, 1, 1, 1);
      cairo_paint(cr_);
    }
  }

  ~CairoCanvas() override {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }

  // Line work of one pen is collected into one path and stroked once: far fewer drawing
  // operations in the file.
  void polyline(const std::vector<P2>& points, bool closed, const Pen& pen) override {
    if (points.size() < 2) return;
    if (pending_ && !pen.sameStroke(pendingPen_)) flush();
    pending_ = true;
    pendingPen_ = pen;
    path(points);
    if (closed) cairo_close_path(cr_);
  }

  void arc(P2 centre, double radius, double a0, double a1, const Pen& pen) override {
    if (!(radius > 0) || !std::isfinite(radius)) return;
    if (pending_ && !pen.sameStroke(pendingPen_)) flush();
    pending_ = true;
    pendingPen_ = pen;
    // Device y runs down: angles change sign and turn the other way.
    cairo_new_sub_path(cr_);
    const double cx = k_ * centre.x, cy = k_ * (height_ - centre.y), r = k_ * radius;
    if (a1 >= a0)
      cairo_arc_negative(cr_, cx, cy, r, -a0, -a1);
    else
      cairo_arc(cr_, cx, cy, r, -a0, -a1);
  }

  void fill(const std::vector<std::vector<P2>>& rings, const Pen& pen) override {
    fillRings(rings, pen, CAIRO_FILL_RULE_EVEN_ODD);
  }

  // One path, so that neighbouring rings show no seam between them.
  void fillUnion(const std::vector<std::vector<P2>>& rings, const Pen& pen) override {
    fillRings(rings, pen, CAIRO_FILL_RULE_WINDING);
  }

  // Each group of the layout is shown in its font under the map from its glyph space to the
  // page, with its text, so that the PDF's text can be searched and copied.
  void text(const TextRun& run, const Pen& pen) override {
    flush();
    if (!run.layout) return;
    std::lock_guard lock(fontLock());
    cairo_save(cr_);
    cairo_set_source_rgb(cr_, pen.color.r, pen.color.g, pen.color.b);
    for (const TextLayout::Group& g : run.layout->groups) {
      const Affine a = glyphsToPaper(run, g);
      cairo_matrix_t m;
      cairo_matrix_init(&m, k_ * a.xx, -k_ * a.yx, k_ * a.xy, -k_ * a.yy, k_ * a.x0,
                        k_ * (height_ - a.y0));
      const double det = m.xx * m.yy - m.xy * m.yx;
      if (!std::isfinite(det) || std::fabs(det) < 1e-12) continue;
      cairo_set_matrix(cr_, &m);
      cairo_move_to(cr_, 0, 0);
      pango_cairo_show_glyph_item(cr_, g.text.c_str(), const_cast<PangoGlyphItem*>(&g.glyphs));
    }
    cairo_restore(cr_);
  }

  void finish() override {
    flush();
    cairo_surface_flush(surface_);
    cairo_status_t status = cairo_status(cr_);
    if (status == CAIRO_STATUS_SUCCESS && kind_ == OutputKind::Png) writePng(surface_, file_, k_);
    cairo_surface_finish(surface_);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface_);
    if (stream_) stream_->close();  // a failed write says why
    if (status != CAIRO_STATUS_SUCCESS)
      throw HostError(HostError::Io, "cannot write the plot file " + file_.name + ": " +
                                         cairo_status_to_string(status));
  }

 private:
  static cairo_status_t writeToStream(void* stream, const unsigned char* data,
                                      unsigned int length) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), length);
    return static_cast<PlotFileStream*>(stream)->write(bytes) ? CAIRO_STATUS_SUCCESS
                                                              : CAIRO_STATUS_WRITE_ERROR;
  }

  void path(const std::vector<P2>& points) {
    cairo_move_to(cr_, k_ * points[0].x, k_ * (height_ - points[0].y));
    for (std::size_t i = 1; i < points.size(); ++i)
      cairo_line_to(cr_, k_ * points[i].x, k_ * (height_ - points[i].y));
  }

  void fillRings(const std::vector<std::vector<P2>>& rings, const Pen& pen,
                 cairo_fill_rule_t rule) {
    flush();
    for (const auto& ring : rings) {
      if (ring.size() < 3) continue;
      path(ring);
      cairo_close_path(cr_);
    }
    cairo_set_fill_rule(cr_, rule);
    cairo_set_source_rgb(cr_, pen.color.r, pen.color.g, pen.color.b);
    cairo_fill(cr_);
  }

  void flush() {
    if (!pending_) return;
    pending_ = false;
    cairo_set_line_width(cr_, std::max(pendingPen_.width, 0.05) * k_);
    std::vector<double> dashes = pendingPen_.dashes;
    for (double& d : dashes) d *= k_;
    cairo_set_dash(cr_, dashes.data(), static_cast<int>(dashes.size()), 0);
    cairo_set_source_rgb(cr_, pendingPen_.color.r, pendingPen_.color.g, pendingPen_.color.b);
    cairo_stroke(cr_);
  }

  OutputKind kind_;
  PlotFile file_;
  std::unique_ptr<PlotFileStream> stream_;  // PDF and EPS
  double height_;
  double k_ = 1;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool pending_ = false;  // a path of pendingPen_ waits to be stroked
  Pen pendingPen_;
};

}  // namespace

std::unique_ptr<Canvas> makeCairoCanvas(OutputKind kind, const PlotFile& file, double width,
                                        double height) {
  return std::make_unique<CairoCanvas>(kind, file, width, height);
}

}  // namespace cadhost::plot
