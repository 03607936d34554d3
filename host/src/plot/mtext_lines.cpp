#include "plot/mtext_lines.h"

#include <algorithm>
#include <cmath>

#include "geom/text_metrics.h"
#include "geom/wildcard.h"
#include "model/utf8.h"

namespace cadhost::plot {

namespace {

constexpr char32_t kNoBreakSpace = 0xA0;
constexpr char32_t kObject = 0xFFFC;  // stands for a stacked text among the characters

// One character of a paragraph, or a tab or stacked text, with the run it comes from.
struct Unit {
  char32_t c;
  std::size_t run;
};

// A no-break space is measured and drawn as a space of the font.
char32_t drawnAs(char32_t c) {
  return c == kNoBreakSpace ? U' ' : c;
}

}  // namespace

double stackAdvance(const MTextRun& run, double upper, double lower, double slash) {
  const double units = run.stack == '#' ? kStackScale * (upper + lower) + slash
                                        : kStackScale * std::max(upper, lower);
  return units * run.height * run.widthFactor;
}

double nextTabStop(double x, const std::vector<double>& stops, double step) {
  const double past = x + 1e-9 * std::max(1.0, std::fabs(x));
  if (auto s = std::upper_bound(stops.begin(), stops.end(), past); s != stops.end()) return *s;
  if (!(step > 0) || !std::isfinite(x)) return x;
  // Steps too small to count to x (a text of a vanishing height) leave the tab no advance.
  const double next = (std::floor(past / step) + 1) * step;
  return std::isfinite(next) ? std::max(past, next) : x;
}

double placeRuns(std::vector<MTextRun>& runs, const std::vector<double>& stops, double defaultTab) {
  double x = 0;
  for (MTextRun& run : runs) {
    run.x = x;
    if (run.kind == MTextRun::Tab) run.width = nextTabStop(x, stops, defaultTab) - x;
    x += run.width;
  }
  return x;
}

std::vector<MTextLine> wrapMText(const std::vector<MTextParagraph>& paragraphs, double height,
                                 double width, const AdvanceOf& advance) {
  const double defaultTab = kDefaultTabStep * height;
  auto textAdvance = [&](const std::string& text) {
    double w = 0;
    for (char32_t c : geom::decodeUtf8(text)) w += advance(drawnAs(c), 1.0);
    return w;
  };
  std::vector<MTextLine> lines;
  double lastHeight = height;
  for (const MTextParagraph& paragraph : paragraphs) {
    const std::vector<MTextRun>& runs = paragraph.runs;
    std::vector<Unit> text;
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (runs[r].kind == MTextRun::Text) {
        for (char32_t c : geom::decodeUtf8(runs[r].text)) text.push_back({c, r});
      } else {
        text.push_back({runs[r].kind == MTextRun::Tab ? U'\t' : kObject, r});
      }
    }
    if (text.empty()) {
      lines.push_back({{}, paragraph.tabStops, lastHeight, 0});
      continue;
    }
    // Where each unit stands on its line, and its advance, as last measured.
    std::vector<double> xs(text.size()), ws(text.size());
    // The line of text[from, to): runs of one format each.
    auto emit = [&](std::size_t from, std::size_t to) {
      MTextLine line;
      line.tabStops = paragraph.tabStops;
      for (std::size_t i = from; i < to; ++i) {
        const MTextRun& source = runs[text[i].run];
        if (source.kind != MTextRun::Text) {
          line.runs.push_back(source);
          line.runs.back().x = xs[i];
          line.runs.back().width = ws[i];
        } else {
          if (line.runs.empty() || !line.runs.back().sameFormat(source)) {
            MTextRun& run = line.runs.emplace_back();
            run.height = source.height;
            run.widthFactor = source.widthFactor;
            run.underline = source.underline;
            run.overline = source.overline;
            run.x = xs[i];
          }
          model::appendUtf8(line.runs.back().text, drawnAs(text[i].c));
          line.runs.back().width += ws[i];
        }
        line.height = std::max(line.height, source.height);
      }
      if (line.runs.empty()) {
        line.height = runs[text[from < text.size() ? from : 0].run].height;
      } else {
        line.width = line.runs.back().x + line.runs.back().width;
      }
      lastHeight = line.height;
      lines.push_back(std::move(line));
    };
    auto breakBefore = [&](std::size_t i) {
      return text[i - 1].c == U' ' || geom::isFullWidth(text[i].c) ||
             geom::isFullWidth(text[i - 1].c);
    };
    auto advanceOf = [&](std::size_t i, double x) {
      const MTextRun& run = runs[text[i].run];
      if (run.kind == MTextRun::Tab) return nextTabStop(x, paragraph.tabStops, defaultTab) - x;
      if (run.kind == MTextRun::Stack)
        return stackAdvance(run, textAdvance(run.text), textAdvance(run.lower), advance(U'/', 1.0));
      return advance(drawnAs(text[i].c), run.height) * run.widthFactor;
    };
    std::size_t start = 0;
    while (start < text.size()) {
      double w = 0;
      std::size_t cut = std::string::npos;
      std::size_t i = start;
      for (; i < text.size(); ++i) {
        if (i > start && breakBefore(i)) cut = i;
        const double cw = advanceOf(i, w);
        // Spaces may hang past the width.
        if (width > 0 && w + cw > width * (1 + 1e-9) && i > start && text[i].c != U' ' &&
            cut != std::string::npos)
          break;
        xs[i] = w;
        ws[i] = cw;
        w += cw;
      }
      if (i >= text.size()) {
        emit(start, text.size());
        break;
      }
      std::size_t end = cut;
      while (end > start && text[end - 1].c == U' ') --end;
      emit(start, end);
      start = cut;
      while (start < text.size() && text[start].c == U' ') ++start;
    }
  }
  return lines;
}

}  // namespace cadhost::plot
