// Plain text of multi-line text contents, and the plot-settings collection.

#include <gtest/gtest.h>

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
