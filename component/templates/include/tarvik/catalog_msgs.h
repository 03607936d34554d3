#pragma once

// CatalogMsgs: the values a caller passes for a title block or a catalogue. Items are texts
// addressed by a key; keys are compared with ASCII letters folded to one case and every other
// character exactly. Three kinds of key:
//   a template cell's name   the text for every cell of that name;
//   "R000"                   the catalogue's header: its column names joined by "{*}";
//   "R001", "R002", ...      one catalogue row: its fields in header order, joined by "{*}";
//                            from row 1000 on the number takes as many digits as it has.

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace tarvik {

class CatalogMsgs {
 public:
  CatalogMsgs() = default;
  // The pairs (key, item) in order; sheetcut::Error when a key occurs twice.
  CatalogMsgs(std::initializer_list<std::pair<QString, QString>> items);
  explicit CatalogMsgs(const std::vector<std::pair<QString, QString>>& items);

  // Appends an item; sheetcut::Error naming the key when the collection holds it already.
  void Add(const QString& item, const QString& key);
  // The item of `key`, or none.
  std::optional<QString> Item(const QString& key) const;
  int Count() const { return static_cast<int>(items_.size()); }

  // The key of catalogue row `row` (from 1): "R" and the number, at least three digits.
  static QString rowKey(int row);
  // A row or header text split into its fields at every "{*}", fields unchanged.
  static QStringList fields(const QString& row);

 private:
  QHash<QString, QString> items_;  // folded key -> item
};

// `key` with the ASCII letters A-Z lower-cased and every other character unchanged.
QString foldAsciiCase(const QString& key);

}  // namespace tarvik
