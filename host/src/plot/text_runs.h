#pragma once

// Stored texts as the plot draws them: runs of plain text, each with its own height, width
// factor and lines, tabs, and stacked texts. The stored text itself is never changed; only
// the plot reads it this way.
//
// DXF keeps a control character of a text in caret notation: "^I" a tab, "^J" a line feed,
// "^M" a carriage return, "^ " a caret itself. A caret before any other character is a caret.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost::plot {

struct MTextRun {
  enum Kind { Text, Tab, Stack };
  std::string text;  // Text: plain UTF-8 ("\~" a no-break space, U+00A0); Stack: the upper part
  double height = 0;
  double widthFactor = 1;
  bool underline = false, overline = false;
  Kind kind = Text;
  std::string lower;  // Stack: the lower part
  // Stack: '/' a fraction over a bar, '#' a diagonal fraction, '^' a tolerance (upper over
  // lower, no bar).
  char stack = 0;
  // On a line: where the run starts along the baseline and its advance (the units of height).
  double x = 0, width = 0;

  // Whether two text runs can be one.
  bool sameFormat(const MTextRun& o) const {
    return kind == Text && o.kind == Text && height == o.height && widthFactor == o.widthFactor &&
           underline == o.underline && overline == o.overline;
  }
};

// Tab stops, ascending, from the text's left edge; none: the default stops. The paragraphs and
// lines that keep the same stops share one copy of them, so that a text of many stops and many
// paragraphs takes no more room than its stops do.
class TabStops {
 public:
  TabStops() = default;
  explicit TabStops(std::vector<double> stops)
      : stops_(stops.empty() ? nullptr
                             : std::make_shared<const std::vector<double>>(std::move(stops))) {}
  const std::vector<double>& values() const { return stops_ ? *stops_ : none(); }
  operator const std::vector<double>&() const { return values(); }
  bool empty() const { return values().empty(); }
  friend bool operator==(const TabStops& a, const std::vector<double>& b) {
    return a.values() == b;
  }

 private:
  static const std::vector<double>& none() {
    static const std::vector<double> empty;
    return empty;
  }
  std::shared_ptr<const std::vector<double>> stops_;
};

struct MTextParagraph {
  std::vector<MTextRun> runs;  // none for an empty paragraph
  TabStops tabStops;
};

// The paragraphs of MTEXT `contents` whose text height is `height`, in a style of width factor
// `widthFactor`. Inline codes: heights ("\H2.5;" absolute, "\H0.7x;" relative to the height in
// force), width factors ("\W0.8;", "\W1.2x;"), underline ("\L" ... "\l") and overline ("\O" ...
// "\o"), each kept to its braces; stacked texts ("\S1/2;", "\S3#4;", "\S+0.1^-0.2;", where
// "\/", "\#" and "\^" are the characters); tab stops of the paragraph ("\pxt4,8;", in text
// heights, kept by the paragraphs after it until another sets them); tabs, and line feeds
// that start a paragraph. Other codes are decoded as the host's plain text has them.
std::vector<MTextParagraph> mtextParagraphs(std::string_view contents, double height,
                                            double widthFactor = 1);

// The runs of a TEXT (ATTRIB, ATTDEF) value at height 1: "%%u" and "%%o" toggle underline and
// overline, tabs are tab runs, other %% codes are decoded as the host's plain text has them,
// and control characters (a line feed among them) are not drawn.
std::vector<MTextRun> singleLineRuns(std::string_view value, double widthFactor);

}  // namespace cadhost::plot
