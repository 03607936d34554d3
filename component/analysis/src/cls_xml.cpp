#include "tarvik/cls_xml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sheetcut/error.h>

#include <limits>

#include "tarvik/xml_access.h"

namespace tarvik {

namespace {

const xmlChar* x(const QByteArray& s) {
  return reinterpret_cast<const xmlChar*>(s.constData());
}

xmlNode* actionElement(xmlDoc* doc) {
  xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
  if (root == nullptr || xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("action")) != 0)
    return nullptr;
  return root;
}

}  // namespace

ClsXml::ClsXml() : doc_(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"))) {}

ClsXml::~ClsXml() {
  xmlFreeDoc(doc_);
}

void ClsXml::setXml(const QString& text) {
  xmlFreeDoc(doc_);
  record_ = nullptr;
  const QByteArray data = text.toUtf8();
  doc_ = data.size() < std::numeric_limits<int>::max()
             ? xmlReadMemory(
                   data.constData(), static_cast<int>(data.size()), nullptr, "UTF-8",
                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC)
             : nullptr;
  if (doc_ == nullptr) doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  record_ = actionElement(doc_);
}

std::optional<QString> ClsXml::getNodeAttribute(const QString& name) const {
  if (record_ == nullptr) return QString();
  return XmlNode(nullptr, record_).getAttribute(name);
}

QString ClsXml::getNodeValue(const QString& name) const {
  if (record_ == nullptr) return {};
  return XmlNode(nullptr, record_).selectSingleNode(name).text();
}

void ClsXml::createDocument(const QString& recordName) {
  xmlFreeDoc(doc_);
  doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  record_ = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>("action"), nullptr);
  xmlSetProp(record_, reinterpret_cast<const xmlChar*>("name"), x(recordName.toUtf8()));
  xmlDocSetRootElement(doc_, record_);
}

void ClsXml::appendNode(const QString& name, const QString& value) {
  if (record_ == nullptr) return;
  const QByteArray n = name.toUtf8();
  if (xmlValidateName(x(n), 0) != 0)
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          "\"" + name.toStdString() + "\" is not an element name", "appendNode");
  xmlNode* child = xmlNewDocNode(doc_, nullptr, x(n), nullptr);
  // A text node keeps the value literal: markup characters are escaped when written.
  xmlAddChild(child, xmlNewDocText(doc_, x(value.toUtf8())));
  xmlAddChild(record_, child);
}

QString ClsXml::xml() const {
  xmlChar* out = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc_, &out, &size, "UTF-8");
  QString text = QString::fromUtf8(reinterpret_cast<const char*>(out), size);
  xmlFree(out);
  return text;
}

}  // namespace tarvik
