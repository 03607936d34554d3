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
      {R"(\S1^2;)", "12"},
      {R"(\S1#2;)", "12"},
      {R"(\s1^2;)", "12"},
      {R"(\S1/2;)", R"(\S1/2;)"},
      {R"(\S1^2^3;)", "1^23"},  // the last separator splits
      {R"(a\\b)", R"(a\b)"},
      {R"(\{x\})", "{x}"},
      {R"(\pxqc;AB)", "xqc;AB"},
      {R"(A\PIB;C)", "AC"},
      {R"(\H;x;y)", "y"},
      {R"(\pi1,l2;\pt3;X)", "X"},
      {R"(\Lund\lerline \Oover\o)", "underline over"},
      {R"(\C1;\W0.8;\T1.1;\Q15;\A1;Z)", "Z"},
      {R"(a\~b)", "a b"},
      {"A1\nB2", "A1B2"},
      {R"(\\\{)", R"(\{)"},
      {"A12/3-B4-05", "A12/3-B4-05"},
  };
  for (const auto& c : cases) EXPECT_EQ(cad.GetMTextStr(c.in), c.out) << c.in.toStdString();
}

PlotSettings fullSettings() {
  PlotSettings s;
  for (const QString& key : kPlotCfgKeys) s.set(key, key + "-value");
  return s;
}

TEST(PlotSettings, CompleteSetIsCopiedInOrder) {
  auto ui = std::make_shared<ScriptedUi>();
  CAD cad;
  cad.setUi(ui);
  PlotSettings given;
  // Given in another order: stored in the order of the keys.
  for (auto it = kPlotCfgKeys.crbegin(); it != kPlotCfgKeys.crend(); ++it) {
    given.set(*it, *it == kPlotOutputFolderKey ? "/tmp/out" : "v");
  }
  EXPECT_EQ(cad.SetPlotCfg(given), "");
  given.set(kPlotOutputFolderKey, "/tmp/out/");
  EXPECT_EQ(cad.SetPlotCfg(given), "");
  given.set(kPlotOutputFolderKey, "");
  EXPECT_EQ(cad.SetPlotCfg(given), "");
  EXPECT_TRUE(ui->messages().empty());
}

TEST(PlotSettings, MissingKeyEmptiesAndTells) {
  auto ui = std::make_shared<ScriptedUi>();
  CAD cad;
  cad.setUi(ui);
  PlotSettings given = fullSettings();
  ASSERT_TRUE(given.remove(kPlotScaleKey));
  EXPECT_EQ(
      cad.SetPlotCfg(given),
      "打印参数包括: 驱动,样式,输出路径,路径类型,输出类别,纸张大小,纸张匹配失败,比例,绘图类别");
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].title, "Tarvik");
  EXPECT_TRUE(ui->messages()[0].text.contains(kPlotScaleKey));
}

TEST(PlotSettings, CollectionKeepsOrderAndKeys) {
  PlotSettings s;
  s.set("a", "1");
  s.set("b", "2");
  s.set("a", "3");  // replaced where it stands
  ASSERT_EQ(s.count(), 2);
  EXPECT_EQ(s.items()[0].first, "a");
  EXPECT_EQ(*s.find("a"), "3");
  EXPECT_EQ(s.find("c"), nullptr);
  EXPECT_TRUE(s.remove("a"));
  EXPECT_FALSE(s.remove("a"));
  EXPECT_EQ(s.count(), 1);
}

}  // namespace
}  // namespace tarvik
