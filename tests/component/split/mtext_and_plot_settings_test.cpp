// Plain text of multi-line text contents, and the plot-settings collection.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <random>

#include <tarvik/cad.h>
#include <tarvik/plot_settings.h>
#include <tarvik/scripted_ui.h>

#include "qstring_printer.h"

namespace tarvik {
namespace {

TEST(MTextPlain, FormatCodesGoTextStays) {
  CAD cad;
  const struct {
    QString in, out;
  } cases[] = {
      {"", ""},
      {R"({\H2.5x;ABC})", "ABC"},
      {"{\\fkaiti|b0|i0;图号}", "图号"},
      {R"(A\PB)", "AB"},
      {R"(\S1^2;\s3#4;)", "1234"},
      {R"(\S1/2;)", R"(\S1/2;)"},
      {R"(\S1^2^3;)", "1^23"},  // the last separator splits
      {R"(a\\b\{x\})", R"(a\b{x})"},
      {R"(\pxqc;AB)", "xqc;AB"},
      {R"(A\PIB;C)", "AC"},
      {R"(\H;x;y)", "y"},
      {R"(\pi1,l2;\pt3;\C1;\W0.8;\Lu\l\Oo\o a\~b)", "uo a b"},
      {"A1\nB2", "A1B2"},
  };
  for (const auto& c : cases) EXPECT_EQ(cad.GetMTextStr(c.in), c.out) << c.in.toStdString();
}

// The codes read as regular expressions, case ignored, one global replacement after another.
QString plainByPatterns(QString text) {
  static const std::pair<QString, QString> steps[] = {
      {R"(\\\\)", "\x01"},
      {R"(\\\{)", "\x02"},
      {R"(\\\})", "\x03"},
      {R"(\\pi(.[^;]*);)", ""},
      {R"(\\pt(.[^;]*);)", ""},
      {R"(\\S(.[^;]*)(\^|#|\\)(.[^;]*);)", R"(\1\3)"},
      {R"((\\F|\\C|\\H|\\T|\\Q|\\W|\\A)(.[^;]*);)", ""},
      {R"((\\L|\\O|\\l|\\o))", ""},
      {R"(\\~)", " "},
      {R"(\\P)", ""},
      {"\n", ""},
      {R"((\{|\}))", ""},
      {R"(\x01)", R"(\)"},
      {R"(\x02)", "{"},
      {R"(\x03)", "}"},
  };
  static const std::vector<QRegularExpression> compiled = [] {
    std::vector<QRegularExpression> out;
    for (const auto& step : steps)
      out.emplace_back("(*LF)" + step.first, QRegularExpression::CaseInsensitiveOption);
    return out;
  }();
  for (std::size_t i = 0; i < compiled.size(); ++i) text.replace(compiled[i], steps[i].second);
  return text;
}

// Where the codes meet line feeds, missing semicolons, several dividers and each other.
TEST(MTextPlain, CodeBoundaries) {
  CAD cad;
  const struct {
    QString in, out;
  } cases[] = {
      {R"(\\pi1;x)", R"(\pi1;x)"},   // an escaped backslash starts no code
      {R"(\\\H1;x)", R"(\x)"},       // the third backslash does
      {"\\pi\n;x;", "i;x;"},         // no line feed right after the code; \p then goes
      {R"(\pi;x;y)", "y"},           // the semicolon right after the code is its argument
      {R"(\H1)", R"(\H1)"},          // no semicolon: nothing removed
      {R"(\S1^;)", R"(\S1^;)"},      // a divider needs a character after it ...
      {R"(\S1^;;)", "1;"},           // ... which may be the semicolon
      {"\\S1^\n2;", "\\S1^2;"},      // ... but not a line feed
      {R"(\S1;^2;)", R"(\S1;^2;)"},  // no divider before the first semicolon
      {R"(a\S1^2;b\S3#4;c\S5\6;d)", "a12b34c56d"},
      {QString::fromUtf16(u"\\\u017F1^2;"), "12"},  // long s reads as s
  };
  for (const auto& c : cases) EXPECT_EQ(cad.GetMTextStr(c.in), c.out) << c.in.toStdString();
  for (const auto& c : cases) EXPECT_EQ(plainByPatterns(c.in), c.out) << c.in.toStdString();
}

// Random texts of code characters read the same as the patterns read them.
TEST(MTextPlain, ReadsAsThePatterns) {
  CAD cad;
  const QString alphabet = QString::fromUtf16(u"\\\\\\pPiItTSs\u017F^#;;{}\nHfaLlo~x1");
  std::mt19937 random(7);
  std::uniform_int_distribution<qsizetype> letter(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 16);
  for (int n = 0; n < 20000; ++n) {
    QString text;
    for (int k = length(random); k > 0; --k) text += alphabet[letter(random)];
    ASSERT_EQ(cad.GetMTextStr(text), plainByPatterns(text)) << text.toStdString();
  }
}

// An unpaired surrogate leaves the whole text as it is.
TEST(MTextPlain, UnpairedSurrogateKeepsText) {
  CAD cad;
  QString text = R"({\H2;A}\PB)";
  text += QChar(0xD800);
  EXPECT_EQ(cad.GetMTextStr(text), text);
}

TEST(PlotSettings, CompleteSetIsTakenAMissingKeyEmptiesAndTells) {
  auto ui = std::make_shared<ScriptedUi>();
  CAD cad;
  cad.setUi(ui);
  PlotSettings given;
  for (const QString& key : kPlotCfgKeys) given.set(key, "v");
  for (const char* folder : {"/tmp/out", "/tmp/out/", ""}) {
    given.set(kPlotOutputFolderKey, folder);
    EXPECT_EQ(cad.SetPlotCfg(given), "");
  }
  EXPECT_TRUE(ui->messages().empty());

  ASSERT_TRUE(given.remove(kPlotScaleKey));
  EXPECT_EQ(
      cad.SetPlotCfg(given),
      "打印参数包括: 驱动,样式,输出路径,路径类型,输出类别,纸张大小,纸张匹配失败,比例,绘图类别");
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].title, "Tarvik");
  EXPECT_TRUE(ui->messages()[0].text.contains(kPlotScaleKey));
}

}  // namespace
}  // namespace tarvik
