// Plotted text measured on the rendered page: the height of capitals and ideographs, narrow
// letters, symbols that the style's font lacks, MTEXT wrapping and inline heights, and the
// agreement of the PDF and HP-GL outputs.

#include <filesystem>
#include <fstream>
#include <regex>

#include "../model/host_fixture.h"
#include "plot/fonts.h"
#include "plot/mtext_lines.h"
#include "plot/text_layout.h"
#include "plot_files.h"

namespace {

using namespace hosttest;
using cadhost::Layout;
using cadhost::plot::MTextRun;

constexpr double kPxPerMm = 10;  // renders at 254 dpi

// The rows and columns of ink inside a box of the image.
struct Ink {
  int top = -1, bottom = -1, left = -1, right = -1;
  bool any() const { return top >= 0; }
  double heightMm() const { return (bottom - top + 1) / kPxPerMm; }
  double widthMm() const { return (right - left + 1) / kPxPerMm; }
};

Ink inkIn(const plottest::GreyImage& img, int x0, int y0, int x1, int y1) {
  Ink ink;
  for (int y = std::max(0, y0); y < std::min(img.height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(img.width, x1); ++x) {
      if (!img.dark(x, y)) continue;
      if (ink.top < 0) ink.top = y, ink.left = x, ink.right = x;
      ink.bottom = y;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
    }
  return ink;
}

// Columns of ink between two rows, counted as separate shapes along x: gaps of paper between
// inked columns.
int gapsBetween(const plottest::GreyImage& img, const Ink& ink) {
  int gaps = 0;
  bool inked = true;
  for (int x = ink.left; x <= ink.right; ++x) {
    const bool now = img.inkIn(x, ink.top, x + 1, ink.bottom + 1) > 0;
    if (inked && !now) ++gaps;
    inked = now;
  }
  return gaps;
}

class PlotTextTest : public HostTest {
 protected:
  // Plots the window (0, 0)-(200, 200) at 1:1 on an A4 sheet to `name` with `plotter`.
  std::string plot(const std::string& name, const char* plotter = "CorvantisPDF Plus.pc3") {
    Layout layout = doc.activeLayout();
    layout.setConfigName(plotter);
    layout.setCanonicalMediaName("ISO_A4_(210.00_x_297.00_MM)");
    layout.setWindowToPlot(pt(0, 0), pt(200, 200));
    layout.setPlotType(4);
    layout.setUseStandardScale(false);
    layout.setCustomScale(1, 1);
    const std::string path = tmp.path(name);
    doc.plot().plotToFile(path);
    return path;
  }

  // The text of a drawing's extents plotted to fit a sheet of the PDF plotter, as pdftotext
  // lays it out.
  std::string sheetText(const std::string& drawing, const char* media) {
    doc = app->documents().open(drawing);
    Layout layout = doc.activeLayout();
    layout.setConfigName("CorvantisPDF Plus.pc3");
    layout.setCanonicalMediaName(media);
    layout.setPlotType(1);  // extents
    layout.setUseStandardScale(true);
    layout.setStandardScale(0);
    const std::string pdf = tmp.path("sheet.pdf");
    doc.plot().plotToFile(pdf);
    return plottest::run({"pdftotext", "-layout", pdf, "-"}).output;
  }

  // The words pdftotext finds on the page, with their boxes in millimetres from the page's
  // top left corner.
  struct Word {
    std::string text;
    double x0, y0, x1, y1;
  };
  static std::vector<Word> words(const std::string& pdf) {
    const std::string xml = plottest::run({"pdftotext", "-bbox", pdf, "-"}).output;
    const std::regex word(
        "<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
        "yMax=\"([-0-9.]+)\">([^<]*)</word>");
    std::vector<Word> out;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), word); it != std::sregex_iterator();
         ++it) {
      std::string text = (*it)[5];
      for (const auto& [entity, c] :
           {std::pair<std::string, std::string>{"&apos;", "'"}, {"&quot;", "\""}, {"&amp;", "&"}})
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
          text.replace(at, entity.size(), c);
      const double mm = 25.4 / 72;
      out.push_back({text, std::stod((*it)[1]) * mm, std::stod((*it)[2]) * mm,
                     std::stod((*it)[3]) * mm, std::stod((*it)[4]) * mm});
    }
    return out;
  }
  // The first word of this text.
  static const Word& find(const std::vector<Word>& all, const std::string& text) {
    for (const Word& w : all)
      if (w.text == text) return w;
    static const Word none{"", 0, 0, 0, 0};
    ADD_FAILURE() << "no word \"" << text << "\"";
    return none;
  }

  plottest::GreyImage render(const std::string& pdf) {
    return plottest::renderWithGhostscript(pdf, 25.4 * kPxPerMm, tmp.path(""));
  }

  // A text made in the style, as a drafter makes it: it takes the style's width factor.
  cadhost::Entity text(const std::string& s, double x, double y, const char* style = "Standard") {
    doc.setActiveTextStyle(doc.textStyles().item(style));
    return doc.modelSpace().addText(s, pt(x, y), 10);
  }

  // The image row of a drawing's y, found from a horizontal reference line drawn at that y
  // from x = 2 to x = 18: the middle of its ink.
  static double lineRow(const plottest::GreyImage& img, int approxRow) {
    const Ink ink = inkIn(img, 40, approxRow - 40, 160, approxRow + 40);
    return ink.any() ? (ink.top + ink.bottom) / 2.0 : -1;
  }
};

TEST_F(PlotTextTest, CapitalsAndIdeographsStandTheTextHeightAndNarrowLettersStayApart) {
  cadhost::TextStyle shape = doc.textStyles().add("SHAPE");
  shape.setFontFile("txt.shx");
  cadhost::TextStyle big = doc.textStyles().add("BIG");
  big.setFontFile("txt.shx");
  big.setBigFontFile("gbcbig.shx");
  cadhost::TextStyle tt = doc.textStyles().add("TT");
  tt.setFontFile("simsun.ttf");
  cadhost::TextStyle narrow = doc.textStyles().add("NARROW");
  narrow.setFontFile("simsun.ttf");
  narrow.setWidth(0.7);
  cadhost::Layer red = doc.layers().add("LINES");
  red.setColor(1);
  const char* styles[] = {"SHAPE", "BIG", "TT", "NARROW"};
  for (int i = 0; i < 4; ++i) {
    const double y = 20 + 40 * i;
    doc.setActiveLayer(red);
    doc.modelSpace().addLightWeightPolyline({2, y, 18, y});
    doc.modelSpace().addLightWeightPolyline({2, y + 10, 18, y + 10});
    doc.setActiveLayer(doc.layers().item("0"));
    text("HHHH", 30, y, styles[i]);
  }
  text("图纸", 120, 60, "BIG");
  const plottest::GreyImage img = render(plot("probe.pdf"));

  double widths[4] = {};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(styles[i]);
    const double y = 20 + 40 * i;
    // The reference lines give the rows of the baseline and of the text height.
    const double base = lineRow(img, img.height - static_cast<int>(kPxPerMm * y));
    const double cap = lineRow(img, img.height - static_cast<int>(kPxPerMm * (y + 10)));
    ASSERT_GT(base, 0);
    ASSERT_GT(cap, 0);
    const double height = base - cap;  // ten units, in pixels
    const Ink ink = inkIn(img, 250, static_cast<int>(cap - 30), 1150, static_cast<int>(base + 30));
    ASSERT_TRUE(ink.any());
    EXPECT_NEAR(ink.top, cap, 0.05 * height);
    EXPECT_NEAR(ink.bottom, base, 0.05 * height);
    EXPECT_EQ(gapsBetween(img, ink), 3);  // four letters, apart
    widths[i] = ink.widthMm();
    if (i == 1) {
      // Ideographs fill the height from the baseline.
      const Ink han =
          inkIn(img, 1150, static_cast<int>(cap - 30), 2000, static_cast<int>(base + 30));
      ASSERT_TRUE(han.any());
      EXPECT_GT(han.top, cap - 0.03 * height);
      EXPECT_LT(han.top, cap + 0.15 * height);
      EXPECT_LT(han.bottom, base + 0.03 * height);
      EXPECT_GT(han.bottom, base - 0.15 * height);
    }
  }
  // The width factor squeezes the glyphs themselves.
  EXPECT_NEAR(widths[3], 0.7 * widths[2], 0.03 * widths[2]);
}

TEST_F(PlotTextTest, SymbolsTheStyleFontLacksPrintAsGlyphsNotBoxes) {
  const std::string family = cadhost::plot::kSansFamily;
  EXPECT_TRUE(cadhost::plot::layOutText("⌀ ° ± 图 H", family)->complete);
  // A character no installed font has is reported, not silently boxed.
  EXPECT_FALSE(cadhost::plot::layOutText("\U0010FFFD", family)->complete);

  text("%%c", 30, 20);
  text("%%d", 60, 20);
  text("%%p", 90, 20);
  text("%%c25", 30, 60);
  const std::string pdf = plot("symbols.pdf");
  const plottest::GreyImage img = render(pdf);
  // A missing glyph prints as a rectangle (with or without a code in it): ink in all four
  // corners of its box. The symbols' shapes leave at least two corners empty.
  const int row = img.height - static_cast<int>(kPxPerMm * 20);
  for (int x : {30, 60, 90}) {
    SCOPED_TRACE(x);
    const Ink ink = inkIn(img, static_cast<int>(kPxPerMm * (x - 2)), row - 150,
                          static_cast<int>(kPxPerMm * (x + 25)), row + 50);
    ASSERT_TRUE(ink.any());
    EXPECT_GT(ink.heightMm(), 2.0);
    int corners = 0;
    for (int cx : {ink.left, ink.right - 2})
      for (int cy : {ink.top, ink.bottom - 2}) corners += img.inkIn(cx, cy, cx + 3, cy + 3) > 0;
    EXPECT_LE(corners, 2);
  }
  const plottest::RunResult text = plottest::run({"pdftotext", pdf, "-"});
  EXPECT_NE(text.output.find("⌀25"), std::string::npos) << text.output;
}

TEST_F(PlotTextTest, PdfAndHpglDrawTheSameSqueezedLetters) {
  cadhost::TextStyle narrow = doc.textStyles().add("NARROW");
  narrow.setWidth(0.7);
  text("HHHH", 50, 50, "NARROW");
  const plottest::GreyImage img = render(plot("letters.pdf"));
  const Ink pdfInk = inkIn(img, 0, 0, img.width, img.height);
  ASSERT_TRUE(pdfInk.any());

  std::ifstream in(plot("letters.plt", "HP-GL2 Plotter.pc3"));
  std::string body((std::istreambuf_iterator<char>(in)), {});
  body.erase(0, body.find("PU"));  // the vectors, after the set-up's corners
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  const std::regex pair("(-?\\d+),(-?\\d+)");
  for (auto it = std::sregex_iterator(body.begin(), body.end(), pair); it != std::sregex_iterator();
       ++it) {
    const double x = std::stod((*it)[1]) / 40, y = std::stod((*it)[2]) / 40;
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  EXPECT_NEAR(maxX - minX, pdfInk.widthMm(), 0.3);
  EXPECT_NEAR(maxY - minY, pdfInk.heightMm(), 0.3);
  EXPECT_NEAR(maxY - minY, 10, 0.5);
}

TEST_F(PlotTextTest, HpglLettersAreFilledShapes) {
  cadhost::TextStyle serif = doc.textStyles().add("SERIF");
  serif.setFontFile("simsun.ttf");
  doc.modelSpace().addLightWeightPolyline({0, 0, 200, 0, 200, 200, 0, 200, 0, 0});
  text("H", 20, 20, "SERIF").setHeight(20);
  const std::string plt = plot("letter.plt", "HP-GL2 Plotter.pc3");
  // hp2xx draws the sheet at its true size, 300 dpi; the picture spans the frame.
  const std::string pbm = tmp.path("letter.pbm");
  const plottest::RunResult r =
      plottest::run({"hp2xx", "-q", "-m", "pbm", "-t", "-d", "300", "-f", pbm, plt});
  ASSERT_EQ(r.status, 0) << r.output;
  const plottest::GreyImage img = plottest::readNetpbm(pbm);
  ASSERT_GT(img.width, 2000);
  const double pxPerMm = (img.width - 1) / 200.0;
  // A row through the lower half of the letter crosses its two stems as two solid runs of
  // ink, not as four thin edges.
  const int row = img.height - 1 - static_cast<int>(25 * pxPerMm);
  std::vector<double> runs;  // the widths in millimetres
  bool inked = false;
  for (int x = static_cast<int>(10 * pxPerMm); x < static_cast<int>(60 * pxPerMm); ++x) {
    const bool now = img.dark(x, row);
    if (now && !inked) runs.push_back(0);
    if (now) runs.back() += 1 / pxPerMm;
    inked = now;
  }
  ASSERT_EQ(runs.size(), 2u);
  for (double width : runs) EXPECT_GT(width, 1.5);
}

TEST_F(PlotTextTest, TextsTooLargeToDrawAreLeftOutAndTheRestPlots) {
  // A text a billion times wide, one ten kilometres tall and notes with such a run, beside a
  // text of the usual size.
  doc = openDxf("absurd.dxf", R"(0 SECTION
2 ENTITIES
0 TEXT
8 0
10 10
20 10
40 5
41 1e9
1 WIDE
0 TEXT
8 0
10 10
20 30
40 1e7
1 TALL
0 MTEXT
8 0
10 10
20 60
40 5
1 NOTE{\H1e7;HUGE} AFTER
0 MTEXT
8 0
10 10
20 80
40 5
1 normal words {\H1e7;huge}
0 TEXT
8 0
10 10
20 100
40 5
1 KEPT
0 ENDSEC
0 EOF
)");
  const std::string pdf = plot("absurd.pdf");
  const std::string text = plottest::run({"pdftotext", pdf, "-"}).output;
  EXPECT_NE(text.find("KEPT"), std::string::npos) << text;
  for (const char* gone : {"WIDE", "TALL", "HUGE", "huge"})
    EXPECT_EQ(text.find(gone), std::string::npos) << gone << "\n" << text;
  // The notes print without their absurd runs, in their places: the line's height is that
  // of the text left.
  const std::vector<Word> all = words(pdf);
  const Word& note = find(all, "NOTE");
  EXPECT_NEAR(find(all, "AFTER").y1, note.y1, 0.1);
  EXPECT_NEAR(find(all, "words").y1, find(all, "normal").y1, 0.1);
  EXPECT_NEAR(note.y1 - find(all, "normal").y1, 20, 0.3);
  for (const char* plotter : {"PNG Raster.pc3", "HP-GL2 Plotter.pc3"}) {
    SCOPED_TRACE(plotter);
    EXPECT_GT(std::filesystem::file_size(plot("absurd.out", plotter)), 200u);
  }

  // A plot that cannot be written names its file, not the temporary one it is written as.
  for (const char* plotter : {"CorvantisPDF Plus.pc3", "PNG Raster.pc3", "HP-GL2 Plotter.pc3"}) {
    SCOPED_TRACE(plotter);
    try {
      plot("missing/sheet.out", plotter);
      ADD_FAILURE() << "a plot into a missing folder was written";
    } catch (const cadhost::HostError& e) {
      EXPECT_EQ(e.code(), cadhost::HostError::Io);
      EXPECT_EQ(std::string(e.what()).rfind(
                    "cannot write the plot file " + tmp.path("missing/sheet.out") + ": ", 0),
                0u)
          << e.what();
    }
  }
}

// Paragraphs of text runs, each given by its text and height.
std::vector<cadhost::plot::MTextParagraph> paragraphs(
    std::initializer_list<std::vector<std::pair<std::string, double>>> texts) {
  std::vector<cadhost::plot::MTextParagraph> out;
  for (const auto& runs : texts) {
    auto& paragraph = out.emplace_back();
    for (const auto& [text, height] : runs) {
      MTextRun& run = paragraph.runs.emplace_back();
      run.text = text;
      run.height = height;
    }
  }
  return out;
}

TEST(MTextLines, InlineHeightsKeepToTheirBracesAndParagraphsSplit) {
  using cadhost::plot::mtextParagraphs;
  auto paragraphs = mtextParagraphs("AB{\\H0.5x;CD{\\H2;E}F}G\\PH\\{\\H3;I}\\H0x;J", 10);
  ASSERT_EQ(paragraphs.size(), 2u);
  const std::vector<std::pair<std::string, double>> first{
      {"AB", 10}, {"CD", 5}, {"E", 2}, {"F", 5}, {"G", 10}};
  ASSERT_EQ(paragraphs[0].runs.size(), first.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(paragraphs[0].runs[i].text, first[i].first);
    EXPECT_DOUBLE_EQ(paragraphs[0].runs[i].height, first[i].second);
  }
  // An escaped brace is text; an unmatched closing brace and a height of 0 change nothing.
  ASSERT_EQ(paragraphs[1].runs.size(), 2u);
  EXPECT_EQ(paragraphs[1].runs[0].text, "H{");
  EXPECT_DOUBLE_EQ(paragraphs[1].runs[0].height, 10);
  EXPECT_EQ(paragraphs[1].runs[1].text, "IJ");
  EXPECT_DOUBLE_EQ(paragraphs[1].runs[1].height, 3);
  // Other codes are decoded as the plain text has them.
  auto other = mtextParagraphs("\\fArial|b1;%%c5\\~mm\\P\\P", 2);
  ASSERT_EQ(other.size(), 3u);
  EXPECT_EQ(other[0].runs[0].text, "⌀5\u00A0mm");  // a no-break space stays one
  EXPECT_TRUE(other[1].runs.empty());
}

TEST(MTextLines, WrapsAtSpacesAndBetweenIdeographsByTheGivenAdvances) {
  using cadhost::plot::wrapMText;
  // Every character one unit a unit of height, except "W", three.
  auto advance = [](char32_t c, double h) { return (c == U'W' ? 3.0 : 1.0) * h; };
  auto texts = [](const std::vector<cadhost::plot::MTextLine>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) {
      std::string s;
      for (const MTextRun& r : line.runs) s += r.text;
      out.push_back(s);
    }
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"aa bb cc", 1}}}), 1, 5, advance)), (V{"aa bb", "cc"}));
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"WW bb", 1}}}), 1, 5, advance)), (V{"WW", "bb"}));
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"abcdefgh ij", 1}}}), 1, 5, advance)),
            (V{"abcdefgh", "ij"}));
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"图纸目录表", 1}}}), 1, 2, advance)),
            (V{"图纸", "目录", "表"}));
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"aa bb cc", 1}}}), 1, 0, advance)), (V{"aa bb cc"}));
  // A no-break space never breaks the line; it is measured and drawn as a space.
  auto wideNoBreak = [](char32_t c, double h) { return (c == 0xA0 ? 100.0 : 1.0) * h; };
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"aa\u00A0bb cc", 1}}}), 1, 3, advance)),
            (V{"aa bb", "cc"}));
  EXPECT_EQ(texts(wrapMText(paragraphs({{{"a\u00A0b c", 1}}}), 1, 5, wideNoBreak)), (V{"a b c"}));
  // Runs of other heights are measured at their height and stay separate on the line.
  const auto mixed = wrapMText(paragraphs({{{"aa ", 1}, {"bb cc", 2}}}), 1, 7.5, advance);
  ASSERT_EQ(mixed.size(), 2u);
  ASSERT_EQ(mixed[0].runs.size(), 2u);
  EXPECT_EQ(mixed[0].runs[1].text, "bb");
  EXPECT_DOUBLE_EQ(mixed[0].height, 2);
  // An empty paragraph is an empty line of the height in force.
  const auto empty = wrapMText(paragraphs({{{"a", 4}}, {}}), 1, 10, advance);
  ASSERT_EQ(empty.size(), 2u);
  EXPECT_TRUE(empty[1].runs.empty());
  EXPECT_DOUBLE_EQ(empty[1].height, 4);
}

TEST_F(PlotTextTest, MTextWrapsAndSpacesByTheDrawnGlyphsAndHonoursInlineHeights) {
  // The same words as a TEXT and as MTEXT notes: one that the drawn width just fits, one that
  // must wrap, and notes with inline heights.
  const std::string words = "NOTE 12 MM WIDE";
  text(words, 10, 180);
  const plottest::GreyImage probe = render(plot("probe.pdf"));
  const int probeRow = probe.height - static_cast<int>(kPxPerMm * 180);
  const Ink single = inkIn(probe, 0, probeRow - 150, probe.width, probeRow + 50);
  ASSERT_TRUE(single.any());
  const double textWidth = single.widthMm();

  doc.modelSpace().addMText(pt(10, 150), textWidth + 4, words);
  doc.modelSpace().addMText(pt(10, 120), 0.7 * textWidth, words);
  doc.modelSpace().addMText(pt(10, 60), 0, "HH{\\H0.5x;HH}HH");
  doc.modelSpace().addMText(pt(120, 60), 0, "\\H2.5;HHHH");
  for (int i = 0; i < doc.modelSpace().count(); ++i)
    if (doc.modelSpace().item(i).dxfType() == "MTEXT") doc.modelSpace().item(i).setHeight(10);
  const plottest::GreyImage img = render(plot("notes.pdf"));
  auto band = [&](double yTop, double yBottom, double x0, double x1) {
    return inkIn(img, static_cast<int>(kPxPerMm * x0),
                 img.height - static_cast<int>(kPxPerMm * yTop), static_cast<int>(kPxPerMm * x1),
                 img.height - static_cast<int>(kPxPerMm * yBottom));
  };

  // Fits: one line, spaced as the TEXT is.
  const Ink fits = band(152, 130, 0, 200);
  ASSERT_TRUE(fits.any());
  EXPECT_LT(fits.heightMm(), 11.0);
  EXPECT_NEAR(fits.widthMm(), textWidth, 0.3);

  // Wraps: more than one line, none wider than the reference width.
  const Ink wraps = band(122, 70, 0, 200);
  ASSERT_TRUE(wraps.any());
  EXPECT_GT(wraps.heightMm(), 20.0);
  EXPECT_LE(wraps.right, static_cast<int>(kPxPerMm * (10 + 0.7 * textWidth)) + 3);
  EXPECT_NEAR(wraps.left, fits.left, 3);

  // Inline heights: 10, then 5 for the braced pair, then 10 again; 2.5 for the whole note.
  const Ink rel = band(62, 40, 0, 110);
  ASSERT_TRUE(rel.any());
  EXPECT_NEAR(rel.heightMm(), 10, 0.5);
  std::vector<int> tops;  // the height of each column of ink, in tenths of a millimetre
  for (int x = rel.left; x <= rel.right; ++x) {
    const Ink col = inkIn(img, x, rel.top, x + 1, rel.bottom + 1);
    if (!col.any()) continue;
    const int h = col.bottom - col.top + 1;
    const int level = std::abs(h - 100) < 6 ? 10 : std::abs(h - 50) < 6 ? 5 : 0;
    if (level == 0) continue;  // crossbars
    if (tops.empty() || tops.back() != level) tops.push_back(level);
  }
  EXPECT_EQ(tops, (std::vector<int>{10, 5, 10}));
  const Ink abs = band(62, 40, 110, 200);
  ASSERT_TRUE(abs.any());
  EXPECT_NEAR(abs.heightMm(), 2.5, 0.25);
}

TEST_F(PlotTextTest, RealSheetsPlotTheirNotesAsSearchableTextInWholeLines) {
  const std::string sheets = "/usr/share/librecad/library/sheets/";
  if (!std::filesystem::exists(sheets + "A4_1_text.dxf") ||
      !std::filesystem::exists(sheets + "A3_1_draw.dxf"))
    GTEST_SKIP() << "librecad-data is not installed";
  if (plottest::run({"pdftotext", "-v"}).status != 0) GTEST_SKIP() << "pdftotext is missing";
  // Notes with no-break spaces stay on one line, and the Cyrillic prints.
  const std::string a4 = sheetText(sheets + "A4_1_text.dxf", "ISO_A4_(210.00_x_297.00_MM)");
  for (const char* note : {"Перв. примен.", "Справ. N", "Копировал", "Формат А4"})
    EXPECT_NE(a4.find(note), std::string::npos) << note << "\n" << a4;

  // Technical notes in a 100 mm box whose words are joined by no-break spaces ("\~"): note 1
  // in its two lines, then note 2 below them.
  const std::string a3 = sheetText(sheets + "A3_1_draw.dxf", "ISO_A3_(420.00_x_297.00_MM)");
  std::size_t from = 0;
  for (const char* line :
       {"1. Неуказанные предельные отклонения размеров",
        "отверстий - Н14, валов - h14, остальных ± IT", "2. Острые кромки скруглить R0,1...0,2."}) {
    const std::size_t at = a3.find(line, from);
    ASSERT_NE(at, std::string::npos) << line << "\n" << a3;
    from = at;
  }
}

TEST_F(PlotTextTest, MTextTakesItsStyleWidthFactorAsTextDoesAndInlineWidthChanges) {
  cadhost::TextStyle narrow = doc.textStyles().add("NARROW");
  narrow.setWidth(0.7);
  const std::string words = "NOTE 12 MM WIDE";
  text(words, 10, 180, "NARROW");
  auto note = [&](double y, double width, const std::string& s) {
    cadhost::Entity m = doc.modelSpace().addMText(pt(10, y), width, s);
    m.setStyleName("NARROW");
    m.setHeight(10);
  };
  note(150, 0, words);
  const plottest::GreyImage probe = render(plot("probe.pdf"));
  auto band = [](const plottest::GreyImage& img, double yTop, double yBottom) {
    return inkIn(img, 0, img.height - static_cast<int>(kPxPerMm * yTop), img.width,
                 img.height - static_cast<int>(kPxPerMm * yBottom));
  };
  const Ink single = band(probe, 192, 178);
  ASSERT_TRUE(single.any());
  const double textWidth = single.widthMm();

  // A note just wider than the text keeps one line; an inline width factor of 1.4 doubles
  // the style's 0.7.
  note(120, textWidth + 3, words);
  note(80, 0, "{\\W1.4;" + words + "}");
  const plottest::GreyImage img = render(plot("notes.pdf"));
  const Ink plain = band(img, 152, 138);
  ASSERT_TRUE(plain.any());
  EXPECT_NEAR(plain.widthMm(), textWidth, 0.3);
  const Ink wrapped = band(img, 122, 85);
  ASSERT_TRUE(wrapped.any());
  EXPECT_LT(wrapped.heightMm(), 11.0);
  EXPECT_NEAR(wrapped.widthMm(), textWidth, 0.3);
  const Ink wide = band(img, 82, 60);
  ASSERT_TRUE(wide.any());
  EXPECT_NEAR(wide.widthMm(), 2 * textWidth, 0.6);
}

TEST_F(PlotTextTest, StackedTextsPrintBothPartsAfterTheTextBeforeThem) {
  auto note = [&](double y, const char* s) {
    doc.modelSpace().addMText(pt(10, y), 0, s).setHeight(10);
  };
  note(180, "1'-6\\S1/2;\"");
  note(140, "W\\S3#4;");
  note(100, "%%c20\\S+0.021^-0.005;");
  const std::string pdf = plot("stacks.pdf");
  const std::vector<Word> all = words(pdf);
  const double tolerance = 0.3;

  // A fraction: its two parts over and under a bar, between the feet and the inch sign.
  const Word& feet = find(all, "1'-6");
  const Word& inch = find(all, "\"");
  const Word& numerator = find(all, "1");
  const Word& denominator = find(all, "2");
  for (const Word* part : {&numerator, &denominator}) {
    EXPECT_GT(part->x0, feet.x1 - tolerance);
    EXPECT_LT(part->x1, inch.x0 + tolerance);
  }
  EXPECT_LT(numerator.y1, denominator.y1 - 3);
  const plottest::GreyImage img = render(pdf);
  const int left = static_cast<int>(kPxPerMm * numerator.x0) + 2,
            right = static_cast<int>(kPxPerMm * numerator.x1) - 2;
  const Ink parts = inkIn(img, left, static_cast<int>(kPxPerMm * numerator.y0), right,
                          static_cast<int>(kPxPerMm * denominator.y1));
  ASSERT_TRUE(parts.any());
  int bar = -1;  // a row inked all across the fraction
  for (int y = parts.top; y <= parts.bottom && bar < 0; ++y)
    if (img.inkIn(left, y, right, y + 1) == right - left) bar = y;
  ASSERT_GT(bar, 0);
  EXPECT_TRUE(inkIn(img, left, parts.top, right, bar - 3).any());
  EXPECT_TRUE(inkIn(img, left, bar + 4, right, parts.bottom + 1).any());

  // A diagonal fraction: the upper part, the slash, the lower part, the upper one higher.
  const Word& upper = find(all, "3");
  const Word& slash = find(all, "/");
  const Word& lower = find(all, "4");
  EXPECT_GT(upper.x0, find(all, "W").x1 - tolerance);
  EXPECT_LT(upper.x1, slash.x0 + tolerance);
  EXPECT_LT(slash.x1, lower.x0 + tolerance);
  EXPECT_LT(upper.y1, lower.y1 - 1);

  // A tolerance: both deviations after the size, the upper one over the lower, smaller than
  // the size.
  const Word& size = find(all, "20");
  const Word& plus = find(all, "+0.021");
  const Word& minus = find(all, "-0.005");
  EXPECT_GT(plus.x0, size.x1 - tolerance);
  EXPECT_NEAR(minus.x0, plus.x0, tolerance);
  EXPECT_LT(plus.y1, minus.y1 - 3);
  EXPECT_LT(plus.y1 - plus.y0, 0.8 * (size.y1 - size.y0));
}

TEST_F(PlotTextTest, TabsAndLineFeedsPrintAsWhatTheyStandFor) {
  auto note = [&](double y, const char* s) {
    doc.modelSpace().addMText(pt(10, y), 0, s).setHeight(5);
  };
  note(190, "1.^IFirst note");  // the default stops: every 20 mm
  note(170, "\\pxt6;A^IB^IC");  // a stop at 30 mm, then the default ones
  note(150, "top^Jbottom");
  text("X^IY", 10, 100).setHeight(5);
  text("P^JQ", 10, 80).setHeight(5);
  const std::string pdf = plot("tabs.pdf");
  const std::string plain = plottest::run({"pdftotext", pdf, "-"}).output;
  EXPECT_EQ(plain.find('^'), std::string::npos) << plain;
  const std::vector<Word> all = words(pdf);
  const double left = find(all, "1.").x0;
  EXPECT_NEAR(find(all, "First").x0 - left, 20, 0.3);
  EXPECT_NEAR(find(all, "B").x0 - left, 30, 0.3);
  EXPECT_NEAR(find(all, "C").x0 - left, 40, 0.3);
  EXPECT_NEAR(find(all, "Y").x0 - find(all, "X").x0, 20, 0.3);
  // A line feed starts a new line of a note, one line spacing lower; in a TEXT it is not
  // drawn.
  EXPECT_NEAR(find(all, "bottom").y1 - find(all, "top").y1, 5 * 5.0 / 3, 0.3);
  EXPECT_NEAR(find(all, "bottom").x0, left, 0.3);
  find(all, "PQ");
}

TEST_F(PlotTextTest, TabStopsFarOutLeaveOutOnlyTheTextTheyWouldPutOffTheSheet) {
  // A stop beyond the numbers of drawing units is no stop: the default ones serve. One a
  // little nearer puts the text after its tab on no sheet: that text is left out, not folded
  // back onto the sheet, and the text before the tab plots.
  auto note = [&](double y, const char* s) {
    doc.modelSpace().addMText(pt(10, y), 0, s).setHeight(5);
  };
  note(150, "\\pxt1e308;first^Isecond");
  note(100, "\\pxt1e300;kept^Igone");
  const std::string pdf = plot("far.pdf");
  const std::vector<Word> all = words(pdf);
  EXPECT_NEAR(find(all, "second").x0 - find(all, "first").x0, 20, 0.3);
  find(all, "kept");
  for (const Word& w : all) EXPECT_NE(w.text, "gone") << w.x0 << " " << w.y0;

  // No vector of an HP-GL plot leaves the sheet.
  std::ifstream in(plot("far.plt", "HP-GL2 Plotter.pc3"));
  const std::string hpgl((std::istreambuf_iterator<char>(in)), {});
  const std::regex number("-?\\d+");
  int count = 0;
  for (auto it = std::sregex_iterator(hpgl.begin(), hpgl.end(), number);
       it != std::sregex_iterator(); ++it, ++count)
    EXPECT_LE(std::abs(std::stod(it->str())), 300 * 40) << it->str();
  EXPECT_GT(count, 20);
}

TEST_F(PlotTextTest, UnderlinesAndOverlinesAreDrawnAlongTheirRuns) {
  // Letters with no ink below the baseline or over the top; the lines alone reach there.
  text("%%uHHHH%%u", 10, 180);
  doc.modelSpace().addMText(pt(10, 160), 0, "\\LHHHH\\l").setHeight(10);
  text("%%oHHHH", 10, 120);
  doc.modelSpace().addMText(pt(10, 100), 0, "{\\OHHHH}").setHeight(10);
  const std::string pdf = plot("lines.pdf");
  const plottest::GreyImage img = render(pdf);
  std::vector<Word> found;
  for (const Word& w : words(pdf))
    if (w.text == "HHHH") found.push_back(w);
  ASSERT_EQ(found.size(), 4u);
  std::sort(found.begin(), found.end(), [](const Word& a, const Word& b) { return a.y0 < b.y0; });
  for (std::size_t i = 0; i < found.size(); ++i) {
    SCOPED_TRACE(i);
    const bool under = i < 2;
    const Word& w = found[i];
    const int left = static_cast<int>(kPxPerMm * w.x0), right = static_cast<int>(kPxPerMm * w.x1);
    // Rows inked along most of the word are the line; the others hold the letters.
    int letterTop = -1, letterBottom = -1, lineTop = -1, lineBottom = -1;
    for (int y = static_cast<int>(kPxPerMm * (w.y0 - 3)); y < kPxPerMm * (w.y1 + 3); ++y) {
      const int ink = img.inkIn(left, y, right, y + 1);
      if (ink > 0.8 * (right - left)) {
        if (lineTop < 0) lineTop = y;
        lineBottom = y;
      } else if (ink > 0) {
        if (letterTop < 0) letterTop = y;
        letterBottom = y;
      }
    }
    ASSERT_GE(letterTop, 0);
    ASSERT_GE(lineTop, 0);
    if (under)
      EXPECT_GT(lineTop, letterBottom);
    else
      EXPECT_LT(lineBottom, letterTop);
  }
  // An HP-GL plot draws the underline as a vector of the text's pen.
  std::ifstream in(plot("lines.plt", "HP-GL2 Plotter.pc3"));
  const std::string hpgl((std::istreambuf_iterator<char>(in)), {});
  const std::regex vector("PU(\\d+),(\\d+);PD(\\d+),(\\d+);");
  int lines = 0;
  for (auto it = std::sregex_iterator(hpgl.begin(), hpgl.end(), vector);
       it != std::sregex_iterator(); ++it)
    if ((*it)[2] == (*it)[4] && std::stod((*it)[3]) - std::stod((*it)[1]) > 40 * 25) ++lines;
  EXPECT_EQ(lines, 4);
}

}  // namespace
