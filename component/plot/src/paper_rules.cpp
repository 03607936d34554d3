#include "tarvik/paper_rules.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "tarvik/attempt.h"

namespace tarvik {

namespace {

constexpr int kShortMax = 32767;
constexpr double kClearance = 30.0;

std::optional<double> number(const QString& text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

PlotScale parsePlotScale(const QString& value) {
  if (value == u"zoom") return {PlotScale::Zoom, 1};
  if (value.contains(u"auto")) {
    QString rest = value;
    rest.remove(QStringLiteral("auto"));
    if (rest.trimmed().isEmpty()) return {PlotScale::AutoNone, 0};
    const auto v = number(rest);
    if (v && *v == 0) return {PlotScale::AutoNone, 0};
    if (!v || *v < 0) return {PlotScale::Bad, 0};
    return {PlotScale::AutoOnce, *v};
  }
  const auto v = number(value);
  if (!v || *v <= 0) return {PlotScale::Bad, 0};
  return {PlotScale::Number, *v};
}

std::pair<QString, QString> styleTableSlots(const QString& value) {
  if (value == u"无") return {};
  const QStringList parts = (value.toLower() + QStringLiteral(",,")).split(u',');
  const QString first = parts.value(0), second = parts.value(1);
  if (first.right(4).toLower() == u".ctb") return {first, second};
  return {second, first};
}

bool paperFits(double pw, double ph, double w, double h) {
  return pw - w >= kClearance && ph - h >= kClearance;
}

bool plotsToDevice(const QString& folder) {
  return std::all_of(folder.begin(), folder.end(), [](QChar c) { return c == u'/' || c == u'\\'; });
}

std::optional<QString> PaperSizeName(int a, int b) {
  auto side = [](int v) -> std::optional<int> {
    if (v + 28 > kShortMax) return std::nullopt;  // the 16-bit rule overflows
    for (int t = v + 28; t >= v + 21; --t)
      if (t % 10 == 0) return t;
    return v + 20;
  };
  const auto sa = side(a), sb = side(b);
  if (!sa || !sb) return std::nullopt;
  return QStringLiteral("%1×%2mm").arg(*sa).arg(*sb);
}

QString SetLayoutPaper(cadhost::Document& doc, const QString& driver, const QString& paper) {
  cadhost::Layout layout;
  if (!attemptGet(layout, [&] { return doc.modelSpace().layout(); })) return QStringLiteral("Z");
  attempt([&] { layout.refreshPlotDeviceInfo(); });
  attempt([&] { layout.setConfigName(driver.toStdString()); });
  attempt([&] { layout.setPaperUnits(1); });
  attempt([&] { doc.regen(0); });
  attempt([&] { layout.setCanonicalMediaName(paper.toStdString()); });
  double width = 0, height = 0;
  attempt([&] { layout.getPaperSize(width, height); });
  return width > height ? QStringLiteral("H") : QStringLiteral("Z");
}

}  // namespace tarvik
