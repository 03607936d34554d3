#pragma once

// The plot settings of a CAD object: nine keyed values that every plot reads.

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace tarvik {

// The keys of a complete set of plot settings, in the order they are copied.
inline const QStringList kPlotCfgKeys = {
    QStringLiteral("驱动"),         QStringLiteral("样式"),     QStringLiteral("输出路径"),
    QStringLiteral("路径类型"),     QStringLiteral("输出类别"), QStringLiteral("纸张大小"),
    QStringLiteral("纸张匹配失败"), QStringLiteral("比例"),     QStringLiteral("绘图类别")};
inline const QString kPlotOutputFolderKey = QStringLiteral("输出路径");
inline const QString kPlotScaleKey = QStringLiteral("比例");

// A string-keyed collection that keeps the order in which entries were added; lookups are by
// key (exact), a key occurs at most once.
class PlotSettings {
 public:
  bool isEmpty() const { return items_.empty(); }
  int count() const { return static_cast<int>(items_.size()); }
  bool contains(const QString& key) const;
  // The value under `key`; nullptr when there is none.
  const QString* find(const QString& key) const;
  // Adds the entry at the end, or replaces the value of an existing key where it stands.
  void set(const QString& key, const QString& value);
  // Removes the entry; false when there was none.
  bool remove(const QString& key);
  void clear() { items_.clear(); }
  const std::vector<std::pair<QString, QString>>& items() const { return items_; }

 private:
  std::vector<std::pair<QString, QString>> items_;
};

}  // namespace tarvik
