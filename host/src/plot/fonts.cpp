#include "plot/fonts.h"

#include <array>
#include <map>
#include <mutex>

#include "model/text_util.h"

namespace cadhost::plot {

namespace {

constexpr double kEm = 100.0;

std::mutex& fontMutex() {
  static std::mutex m;
  return m;
}

struct ScaledFont {
  cairo_scaled_font_t* font = nullptr;
};

cairo_font_options_t* unhinted() {
  static cairo_font_options_t* options = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    return o;
  }();
  return options;
}

cairo_font_face_t* faceLocked(const std::string& family) {
  static std::map<std::string, cairo_font_face_t*> faces;
  auto it = faces.find(family);
  if (it != faces.end()) return it->second;
  cairo_font_face_t* face =
      cairo_toy_font_face_create(family.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  faces.emplace(family, face);
  return face;
}

}  // namespace

std::string substituteFamily(std::string_view fontFile, std::string_view bigFont) {
  // Serif faces: the Song and Fangsong families and the Roman shape fonts; everything else
  // (simplex shape fonts, Hei, gbcbig, unknown names) is drawn sans.
  static const std::array<std::string_view, 12> serif{"宋",     "仿宋",     "楷",    "SONG",
                                                      "SIMSUN", "FANGSONG", "KAI",   "ROMAN",
                                                      "TIMES",  "MINGLIU",  "SERIF", "HZTXT"};
  const std::string names = detail::toUpper(std::string(fontFile) + "|" + std::string(bigFont));
  for (std::string_view s : serif)
    if (names.find(s) != std::string::npos) return kSerifFamily;
  return kSansFamily;
}

cairo_font_face_t* fontFace(const std::string& family) {
  std::lock_guard lock(fontMutex());
  return faceLocked(family);
}

void selectFont(cairo_t* cr, const std::string& family) {
  cairo_set_font_face(cr, fontFace(family));
  cairo_set_font_size(cr, kEm);
  cairo_set_font_options(cr, unhinted());
}

namespace {

// The family at 100 units an em in user space (kept for the life of the process).
cairo_scaled_font_t* scaledLocked(const std::string& family) {
  static std::map<std::string, cairo_scaled_font_t*> scaled;
  auto it = scaled.find(family);
  if (it == scaled.end()) {
    cairo_matrix_t size, identity;
    cairo_matrix_init_scale(&size, kEm, kEm);
    cairo_matrix_init_identity(&identity);
    it = scaled
             .emplace(family,
                      cairo_scaled_font_create(faceLocked(family), &size, &identity, unhinted()))
             .first;
  }
  return it->second;
}

}  // namespace

double advanceAtOneEm(const std::string& utf8, const std::string& family) {
  std::lock_guard lock(fontMutex());
  cairo_text_extents_t ext;
  cairo_scaled_font_text_extents(scaledLocked(family), utf8.c_str(), &ext);
  return ext.x_advance / kEm;
}

GlyphRun layoutGlyphs(const std::string& utf8, const std::string& family) {
  std::lock_guard lock(fontMutex());
  cairo_scaled_font_t* font = scaledLocked(family);
  cairo_glyph_t* glyphs = nullptr;
  cairo_text_cluster_t* clusters = nullptr;
  int glyphCount = 0, clusterCount = 0;
  GlyphRun run;
  if (cairo_scaled_font_text_to_glyphs(font, 0, 0, utf8.c_str(), static_cast<int>(utf8.size()),
                                       &glyphs, &glyphCount, &clusters, &clusterCount,
                                       &run.clusterFlags) != CAIRO_STATUS_SUCCESS)
    return run;
  run.glyphs.assign(glyphs, glyphs + glyphCount);
  run.clusters.assign(clusters, clusters + clusterCount);
  cairo_glyph_free(glyphs);
  cairo_text_cluster_free(clusters);
  cairo_text_extents_t ext;
  cairo_scaled_font_glyph_extents(font, run.glyphs.data(), glyphCount, &ext);
  run.advance = ext.x_advance;
  return run;
}

}  // namespace cadhost::plot
