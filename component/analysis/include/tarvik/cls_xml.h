#pragma once

// One "action" record held as an XML document: an element "action" with an attribute "name"
// and one child element per value, the value as its text. Reads a record from text and
// builds one element by element.

#include <QString>
#include <memory>
#include <optional>

struct _xmlDoc;
struct _xmlNode;

namespace tarvik {

class ClsXml {
 public:
  ClsXml();
  ~ClsXml();
  ClsXml(const ClsXml&) = delete;
  ClsXml& operator=(const ClsXml&) = delete;

  // Loads a record from text; malformed text leaves an empty document and no record.
  void setXml(const QString& text);
  // The value of the record's attribute `name`: "" when there is no record, nullopt when the
  // record lacks that attribute.
  std::optional<QString> getNodeAttribute(const QString& name) const;
  // The text of the record's first child element `name`; "" when there is none.
  QString getNodeValue(const QString& name) const;
  // Starts a new record named `recordName`.
  void createDocument(const QString& recordName);
  // Adds a child element holding `value` to the record (nothing without a record).
  void appendNode(const QString& name, const QString& value);
  // The document as XML text.
  QString xml() const;

 private:
  std::shared_ptr<_xmlDoc> doc_;
  _xmlNode* record_ = nullptr;
};

}  // namespace tarvik
