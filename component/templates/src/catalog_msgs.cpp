// The value collection of title blocks and catalogues.

#include "tarvik/catalog_msgs.h"

#include <sheetcut/error.h>

namespace tarvik {

QString foldAsciiCase(const QString& key) {
  QString out = key;
  for (QChar& c : out) {
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
  }
  return out;
}

CatalogMsgs::CatalogMsgs(std::initializer_list<std::pair<QString, QString>> items) {
  for (const auto& [key, item] : items) Add(item, key);
}

CatalogMsgs::CatalogMsgs(const std::vector<std::pair<QString, QString>>& items) {
  for (const auto& [key, item] : items) Add(item, key);
}

void CatalogMsgs::Add(const QString& item, const QString& key) {
  QString folded = foldAsciiCase(key);
  if (items_.contains(folded)) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          "The key \"" + key.toStdString() + "\" is given twice",
                          "CatalogMsgs.Add");
  }
  items_.insert(folded, item);
}

std::optional<QString> CatalogMsgs::Item(const QString& key) const {
  const auto it = items_.constFind(foldAsciiCase(key));
  if (it == items_.constEnd()) return std::nullopt;
  return *it;
}

QString CatalogMsgs::rowKey(int row) {
  return QStringLiteral("R%1").arg(row, 3, 10, QChar(u'0'));
}

QStringList CatalogMsgs::fields(const QString& row) {
  return row.split(QStringLiteral("{*}"));
}

}  // namespace tarvik
