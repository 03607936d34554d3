#include "plot/text_drawing.h"

#include <cmath>

namespace cadhost::plot {

namespace {

// An underline lies this far below the run's lowest baseline, an overline this far above its
// highest top (in heights of the text there).
constexpr double kUnderlineDrop = 0.2;
constexpr double kOverlineRise = 0.15;

// A run that would start farther than this from the sheet's corner (a tab stop far out puts
// one there) is on no sheet, and drawn there it would reach beyond the coordinates the back
// ends can hold, where they fold it back onto the sheet.
constexpr double kMaxReachOnPaper = 100000.0;  // millimetres

bool withinReach(const P2& p) {
  return std::fabs(p.x) <= kMaxReachOnPaper && std::fabs(p.y) <= kMaxReachOnPaper;
}

// What one run puts on the paper.
struct Piece {
  std::vector<TextRun> texts;
  std::vector<std::vector<P2>> strokes;

  bool drawable() const {
    for (const TextRun& t : texts)
      if (!plot::drawable(t) || !withinReach(t.origin)) return false;
    for (const auto& stroke : strokes)
      for (const P2& p : stroke)
        if (!withinReach(p)) return false;
    return true;
  }
};

P2 at(const LineFrame& f, double x, double y) {
  return {f.origin.x + f.along.x * x + f.up.x * y, f.origin.y + f.along.y * x + f.up.y * y};
}

P2 times(P2 v, double k) {
  return {v.x * k, v.y * k};
}

class PieceBuilder {
 public:
  PieceBuilder(const LineFrame& frame, Piece& piece) : f_(frame), piece_(piece) {}

  // A text of `height` and width factor with its baseline's start at (x, y).
  void text(const std::shared_ptr<const TextLayout>& layout, double x, double y, double height,
            double widthFactor) {
    if (!layout || layout->groups.empty()) return;
    piece_.texts.push_back(
        {layout, at(f_, x, y), times(f_.along, height * widthFactor), times(f_.up, height)});
  }
  void stroke(double x0, double x1, double y) {
    if (x1 > x0) piece_.strokes.push_back({at(f_, x0, y), at(f_, x1, y)});
  }

 private:
  const LineFrame& f_;
  Piece& piece_;
};

Piece pieceOf(const LaidOutRun& laid, const LineFrame& frame) {
  Piece piece;
  PieceBuilder out(frame, piece);
  const MTextRun& r = laid.run;
  const double h = r.height, wf = r.widthFactor;
  // The lowest baseline and the highest top, and the height of the text at each.
  double low = 0, lowHeight = h, high = h, highHeight = h;
  if (r.kind == MTextRun::Text) {
    out.text(laid.text, r.x, 0, h, wf);
  } else if (r.kind == MTextRun::Stack) {
    const double k = kStackScale * h;
    const double upper = laid.text ? laid.text->width * k * wf : 0;
    const double lower = laid.lower ? laid.lower->width * k * wf : 0;
    if (r.stack == '#') {
      const double slash = laid.slash ? laid.slash->width * h * wf : 0;
      out.text(laid.text, r.x, kDiagonalRise * h, k, wf);
      out.text(laid.slash, r.x + upper, 0, h, wf);
      out.text(laid.lower, r.x + upper + slash, 0, k, wf);
    } else {
      // A fraction's parts are centred over each other, a tolerance's start together.
      const double centre = r.stack == '/' ? 0.5 : 0;
      out.text(laid.text, r.x + (r.width - upper) * centre, kStackUpperRise * h, k, wf);
      out.text(laid.lower, r.x + (r.width - lower) * centre, kStackLowerRise * h, k, wf);
      if (r.stack == '/') out.stroke(r.x, r.x + r.width, kStackBarRise * h);
      low = kStackLowerRise * h, lowHeight = k;
      high = (kStackUpperRise + kStackScale) * h, highHeight = k;
    }
  }
  if (r.underline) out.stroke(r.x, r.x + r.width, low - kUnderlineDrop * lowHeight);
  if (r.overline) out.stroke(r.x, r.x + r.width, high + kOverlineRise * highHeight);
  return piece;
}

}  // namespace

LaidOutLine layOutLine(std::vector<MTextRun> runs, const std::vector<double>& tabStops,
                       double defaultTab, const std::string& family) {
  LaidOutLine line;
  line.runs.resize(runs.size());
  for (std::size_t i = 0; i < runs.size(); ++i) {
    MTextRun& run = runs[i];
    LaidOutRun& laid = line.runs[i];
    if (run.kind == MTextRun::Text) {
      laid.text = layOutText(run.text, family);
      run.width = laid.text->width * run.height * run.widthFactor;
    } else if (run.kind == MTextRun::Stack) {
      laid.text = layOutText(run.text, family);
      laid.lower = layOutText(run.lower, family);
      if (run.stack == '#') laid.slash = layOutText("/", family);
      run.width = stackAdvance(run, laid.text->width, laid.lower->width,
                               laid.slash ? laid.slash->width : 0);
    }
  }
  line.width = placeRuns(runs, tabStops, defaultTab);
  for (std::size_t i = 0; i < runs.size(); ++i) line.runs[i].run = std::move(runs[i]);
  return line;
}

bool fitsOnPaper(const MTextRun& run, const LineFrame& frame, const std::string& family) {
  const LaidOutLine line = layOutLine({run}, {}, 0, family);
  return pieceOf(line.runs.front(), frame).drawable();
}

void drawLine(const LaidOutLine& line, const LineFrame& frame, const Pen& pen, Canvas& canvas,
              bool whole) {
  std::vector<Piece> pieces;
  pieces.reserve(line.runs.size());
  for (const LaidOutRun& run : line.runs) {
    pieces.push_back(pieceOf(run, frame));
    if (whole && !pieces.back().drawable()) return;
  }
  Pen linePen = pen;
  linePen.dashes.clear();
  for (const Piece& piece : pieces) {
    if (!whole && !piece.drawable()) continue;
    for (const TextRun& text : piece.texts) canvas.text(text, pen);
    for (const auto& stroke : piece.strokes) canvas.polyline(stroke, false, linePen);
  }
}

}  // namespace cadhost::plot
