#pragma once

// What a plot draws on: polylines, filled areas and text in paper millimetres (origin at the
// sheet's lower-left corner, y up). Back ends: cairo (PDF, EPS, PNG) and the HP-GL/2 writer.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plot/colors.h"
#include "plot/plotters.h"

namespace cadhost::plot {

struct P2 {
  double x = 0, y = 0;
};

struct Pen {
  Rgb color;
  int colorIndex = 7;   // the pen of a plotter that selects pens by number
  double width = 0.25;  // millimetres
  // The line type: lengths on paper, alternately drawn and left out, starting with a drawn
  // one; empty for a continuous line. Plotters that select pens by number draw it continuous.
  std::vector<double> dashes;
  bool sameStroke(const Pen& o) const {
    return color == o.color && width == o.width && dashes == o.dashes;
  }
};

class TextLayout;

// One line of laid-out text on the paper: the layout's unit (the text height) is `xUnit` along
// the baseline (the width factor included) and `up` across it, its origin at `origin`.
struct TextRun {
  std::shared_ptr<const TextLayout> layout;
  P2 origin, xUnit, up;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void polyline(const std::vector<P2>& points, bool closed, const Pen& pen) = 0;
  // A circular arc about `centre`, from angle a0 to a1 (radians, counter-clockwise from the
  // paper's x axis; a1 < a0 runs clockwise). The default draws it in chords.
  virtual void arc(P2 centre, double radius, double a0, double a1, const Pen& pen);
  // The rings together, filled by the even-odd rule.
  virtual void fill(const std::vector<std::vector<P2>>& rings, const Pen& pen) = 0;
  // Every area that one of the rings encloses (the rings all run the same way round).
  virtual void fillUnion(const std::vector<std::vector<P2>>& rings, const Pen& pen) = 0;
  virtual void text(const TextRun& run, const Pen& pen) = 0;
  // Completes the file; HostError(Io) when it cannot be written.
  virtual void finish() = 0;
};

// Where a canvas writes: `path`, which must not be the final name (the caller renames it into
// place), and `name`, the plot file that messages name.
struct PlotFile {
  std::string path;
  std::string name;
};

// A plot file written as it is made, at file.path. The first failure is kept for close().
class PlotFileStream {
 public:
  // HostError(Io) naming file.name, with the system's reason, when it cannot be created.
  explicit PlotFileStream(const PlotFile& file);
  ~PlotFileStream();
  PlotFileStream(const PlotFileStream&) = delete;
  PlotFileStream& operator=(const PlotFileStream&) = delete;

  // False when these bytes, or earlier ones, could not be written.
  bool write(std::string_view bytes);
  // Closes the file. HostError(Io) naming file.name, with the system's reason, when a write
  // or the close failed.
  void close();

 private:
  [[noreturn]] void fail(int error) const;

  std::string name_;
  int fd_ = -1;
  int error_ = 0;
};

// Writes `bytes` as the file at file.path. HostError(Io) naming file.name, with the system's
// reason, when it cannot.
void writePlotFile(const PlotFile& file, std::string_view bytes);

// A canvas writing `file` for a sheet of width x height millimetres.
std::unique_ptr<Canvas> makeCairoCanvas(OutputKind kind, const PlotFile& file, double width,
                                        double height);
std::unique_ptr<Canvas> makeHpglCanvas(const PlotFile& file, double width, double height);

}  // namespace cadhost::plot
