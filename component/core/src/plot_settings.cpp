// The plot-settings collection of CAD and the members that fill, change and empty it.

#include "tarvik/plot_settings.h"

#include <algorithm>

#include "tarvik/cad.h"

namespace tarvik {

namespace {

const QString kRequiredKeysMessage = QStringLiteral(
    "打印参数包括: 驱动,样式,输出路径,路径类型,输出类别,纸张大小,纸张匹配失败,比例,绘图类别");

}  // namespace

bool PlotSettings::contains(const QString& key) const {
  return find(key) != nullptr;
}

const QString* PlotSettings::find(const QString& key) const {
  const auto it = std::find_if(items_.begin(), items_.end(),
                               [&](const auto& item) { return item.first == key; });
  return it == items_.end() ? nullptr : &it->second;
}

void PlotSettings::set(const QString& key, const QString& value) {
  for (auto& item : items_) {
    if (item.first == key) {
      item.second = value;
      return;
    }
  }
  items_.emplace_back(key, value);
}

bool PlotSettings::remove(const QString& key) {
  const auto it = std::find_if(items_.begin(), items_.end(),
                               [&](const auto& item) { return item.first == key; });
  if (it == items_.end()) return false;
  items_.erase(it);
  return true;
}

QString CAD::SetPlotCfg(const PlotSettings& oColl) {
  ClearPlotCfg();
  for (const QString& key : kPlotCfgKeys) {
    const QString* value = oColl.find(key);
    if (value == nullptr) {
      // Never a partial set: empty it, tell the user which key was missing, list them all.
      ClearPlotCfg();
      ui_->showMessage(QStringLiteral("Tarvik"), QStringLiteral("打印参数缺少\"%1\"").arg(key));
      return kRequiredKeysMessage;
    }
    QString stored = *value;
    if (key == kPlotOutputFolderKey && !stored.endsWith(u'/')) stored += u'/';
    PlotCfg.set(key, stored);
  }
  return {};
}

void CAD::ClearPlotCfg() {
  PlotCfg.clear();
}

void CAD::SetPlotItem(const QString& key, const QString& value) {
  // A key that is not there is left out: the collection stays as it was.
  if (PlotCfg.remove(key)) PlotCfg.set(key, value);
}

}  // namespace tarvik
