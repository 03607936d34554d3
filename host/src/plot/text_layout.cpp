#include "plot/text_layout.h"

#include <hb-ot.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <unordered_map>

#include "geom/text_metrics.h"
#include "model/utf8.h"

namespace cadhost::plot {

namespace {

// Fonts are loaded at 100 cairo user units an em.
constexpr double kEm = 100.0;
// Laid-out texts kept for reuse; the cache starts afresh when it holds this many.
constexpr std::size_t kMaxCachedLayouts = 20'000;
// Used when a font gives no usable metric (fractions of its em).
constexpr double kDefaultCapHeight = 0.7;

struct FontMetrics {
  double capHeight = kDefaultCapHeight;  // ems
  double ideoBottom = -0.12, ideoTop = 0.88;
};

// The Pango context, fonts and caches of the process (never freed: plots may run until exit).
struct Engine {
  PangoFontMap* map = nullptr;
  PangoContext* context = nullptr;
  std::unordered_map<std::string, PangoFontDescription*> descriptions;
  std::unordered_map<PangoFont*, FontMetrics> metrics;  // holds a reference to each font
  std::unordered_map<std::string, std::shared_ptr<const TextLayout>> layouts;
  std::unordered_map<std::string, std::unordered_map<char32_t, double>> advances;

  Engine() {
    map = pango_cairo_font_map_new();
    context = pango_font_map_create_context(map);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    // Han characters take their Simplified Chinese forms.
    pango_context_set_language(context, pango_language_from_string("zh-cn"));
  }

  PangoFontDescription* description(const std::string& family) {
    auto it = descriptions.find(family);
    if (it != descriptions.end()) return it->second;
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, family.c_str());
    pango_font_description_set_absolute_size(d, kEm * PANGO_SCALE);
    return descriptions.emplace(family, d).first->second;
  }

  const FontMetrics& metricsOf(PangoFont* font) {
    auto it = metrics.find(font);
    if (it != metrics.end()) return it->second;
    FontMetrics m;
    hb_font_t* hb = pango_font_get_hb_font(font);
    int xScale = 0, yScale = 0;
    if (hb) hb_font_get_scale(hb, &xScale, &yScale);
    if (yScale > 0) {
      const double unit = yScale;
      hb_position_t cap = 0, bottom = 0, top = 0;
      hb_ot_metrics_get_position_with_fallback(hb, HB_OT_METRICS_TAG_CAP_HEIGHT, &cap);
      if (cap > 0) m.capHeight = cap / unit;
      hb_ot_layout_get_baseline_with_fallback(
          hb, HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_BOTTOM_OR_LEFT, HB_DIRECTION_LTR,
          HB_TAG('h', 'a', 'n', 'i'), HB_OT_TAG_DEFAULT_LANGUAGE, &bottom);
      hb_ot_layout_get_baseline_with_fallback(hb, HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_TOP_OR_RIGHT,
                                              HB_DIRECTION_LTR, HB_TAG('h', 'a', 'n', 'i'),
                                              HB_OT_TAG_DEFAULT_LANGUAGE, &top);
      if (top > bottom) m.ideoBottom = bottom / unit, m.ideoTop = top / unit;
    }
    g_object_ref(font);
    return metrics.emplace(font, m).first->second;
  }

  // Appends the groups of one run of characters of one kind (full-width or not).
  void layOutSegment(TextLayout& out, const std::string& text, const std::string& family,
                     bool fullWidth) {
    pango_context_set_font_description(context, description(family));
    PangoAttrList* attrs = pango_attr_list_new();
    GList* items =
        pango_itemize(context, text.c_str(), 0, static_cast<int>(text.size()), attrs, nullptr);
    pango_attr_list_unref(attrs);
    for (GList* l = items; l; l = l->next) {
      auto* item = static_cast<PangoItem*>(l->data);
      if (!item->analysis.font) {  // no font at all: nothing can be drawn
        out.complete = false;
        continue;
      }
      TextLayout::Group g;
      g.text = text;
      g.glyphs.item = item;
      g.glyphs.glyphs = pango_glyph_string_new();
      pango_shape_with_flags(text.c_str() + item->offset, item->length, text.c_str(),
                             static_cast<int>(text.size()), &item->analysis, g.glyphs.glyphs,
                             PANGO_SHAPE_NONE);
      for (int i = 0; i < g.glyphs.glyphs->num_glyphs; ++i)
        if (g.glyphs.glyphs->glyphs[i].glyph & PANGO_GLYPH_UNKNOWN_FLAG) out.complete = false;
      const FontMetrics& m = metricsOf(item->analysis.font);
      if (fullWidth) {
        const double box = m.ideoTop - m.ideoBottom;
        g.scale = 1.0 / (box * kEm);
        g.rise = -m.ideoBottom / box;
      } else {
        g.scale = 1.0 / (m.capHeight * kEm);
      }
      g.x = out.width;
      out.width += g.scale * pango_glyph_string_get_width(g.glyphs.glyphs) /
                   static_cast<double>(PANGO_SCALE);
      out.groups.push_back(std::move(g));
      l->data = nullptr;  // the group owns the item now
    }
    g_list_free_full(items, [](gpointer item) {
      if (item) pango_item_free(static_cast<PangoItem*>(item));
    });
  }

  std::shared_ptr<const TextLayout> layOut(const std::string& utf8, const std::string& family) {
    std::string key = family;
    key += '\x1f';
    key += utf8;
    auto it = layouts.find(key);
    if (it != layouts.end()) return it->second;
    auto layout = std::make_shared<TextLayout>();
    // Split the text where it changes between full-width and other characters; spaces and
    // combining marks go with what precedes them.
    std::string segment;
    bool segmentFullWidth = false;
    for (std::size_t i = 0; i < utf8.size();) {
      std::size_t n = 1;
      const char32_t c = model::decodeUtf8At(utf8, i, n);
      i += n;
      if (c < 0x20 || c == 0x7F) continue;
      const bool neutral = c == U' ' || c == 0xA0 || (c >= 0x300 && c <= 0x36F) ||
                           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE00 && c <= 0xFE0F);
      const bool fullWidth = neutral ? segmentFullWidth : geom::isFullWidth(c);
      if (fullWidth != segmentFullWidth && !segment.empty()) {
        layOutSegment(*layout, segment, family, segmentFullWidth);
        segment.clear();
      }
      segmentFullWidth = fullWidth;
      model::appendUtf8(segment, c);
    }
    if (!segment.empty()) layOutSegment(*layout, segment, family, segmentFullWidth);
    if (layouts.size() >= kMaxCachedLayouts) layouts.clear();
    layouts.emplace(std::move(key), layout);
    return layout;
  }
};

Engine& engine() {
  static Engine* e = new Engine();
  return *e;
}

}  // namespace

TextLayout::~TextLayout() {
  for (Group& g : groups) {
    if (g.glyphs.glyphs) pango_glyph_string_free(g.glyphs.glyphs);
    if (g.glyphs.item) pango_item_free(g.glyphs.item);
  }
}

std::mutex& fontLock() {
  static std::mutex m;
  return m;
}

std::shared_ptr<const TextLayout> layOutText(const std::string& utf8, const std::string& family) {
  std::lock_guard lock(fontLock());
  return engine().layOut(utf8, family);
}

double characterAdvance(char32_t c, const std::string& family) {
  std::lock_guard lock(fontLock());
  Engine& e = engine();
  auto& advances = e.advances[family];
  auto it = advances.find(c);
  if (it != advances.end()) return it->second;
  std::string text;
  model::appendUtf8(text, c);
  const double w = e.layOut(text, family)->width;
  advances.emplace(c, w);
  return w;
}

Affine glyphsToPaper(const TextRun& run, const TextLayout::Group& g) {
  // Glyph space (u, v) lies on the line at (g.x + s u, g.rise - s v) in text units, and a text
  // unit is run.xUnit along the baseline and run.up across it.
  const double s = g.scale;
  Affine a;
  a.xx = s * run.xUnit.x;
  a.yx = s * run.xUnit.y;
  a.xy = -s * run.up.x;
  a.yy = -s * run.up.y;
  a.x0 = run.origin.x + g.x * run.xUnit.x + g.rise * run.up.x;
  a.y0 = run.origin.y + g.x * run.xUnit.y + g.rise * run.up.y;
  return a;
}

bool drawable(const TextRun& run) {
  if (!run.layout) return false;
  for (const TextLayout::Group& g : run.layout->groups) {
    const Affine a = glyphsToPaper(run, g);
    const double along = kEm * std::hypot(a.xx, a.yx), across = kEm * std::hypot(a.xy, a.yy);
    if (!(along <= kMaxEmOnPaper) || !(across <= kMaxEmOnPaper) || !std::isfinite(a.x0) ||
        !std::isfinite(a.y0))
      return false;
  }
  return true;
}

}  // namespace cadhost::plot
