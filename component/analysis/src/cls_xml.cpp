#include "tarvik/cls_xml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sheetcut/error.h>

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

std::shared_ptr<xmlDoc> emptyDocument() {
  return std::shared_ptr<xmlDoc>(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")), xmlFreeDoc);
}

}  // namespace

ClsXml::ClsXml() : doc_(emptyDocument()) {}

ClsXml::~ClsXml() = default;

void ClsXml::setXml(const QString& text) {
  doc_ = loadXmlText(text);
  if (!doc_) doc_ = emptyDocument();
  record_ = actionElement(doc_.get());
}

std::optional<QString> ClsXml::getNodeAttribute(const QString& name) const {
  if (record_ == nullptr) return QString();
  return XmlNode(doc_, record_).getAttribute(name);
}

QString ClsXml::getNodeValue(const QString& name) const {
  if (record_ == nullptr) return {};
  return XmlNode(doc_, record_).selectSingleNode(name).text();
}

void ClsXml::createDocument(const QString& recordName) {
  doc_ = emptyDocument();
  record_ = xmlNewDocNode(doc_.get(), nullptr, reinterpret_cast<const xmlChar*>("action"), nullptr);
  xmlSetProp(record_, reinterpret_cast<const xmlChar*>("name"), x(recordName.toUtf8()));
  xmlDocSetRootElement(doc_.get(), record_);
}

void ClsXml::appendNode(const QString& name, const QString& value) {
  if (record_ == nullptr) return;
  const QByteArray n = name.toUtf8();
  if (xmlValidateName(x(n), 0) != 0)
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          "\"" + name.toStdString() + "\" is not an element name", "appendNode");
  xmlNode* child = xmlNewDocNode(doc_.get(), nullptr, x(n), nullptr);
  // A text node keeps the value literal: markup characters are escaped when written.
  xmlAddChild(child, xmlNewDocText(doc_.get(), x(value.toUtf8())));
  xmlAddChild(record_, child);
}

QString ClsXml::xml() const {
  xmlChar* out = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc_.get(), &out, &size, "UTF-8");
  QString text = QString::fromUtf8(reinterpret_cast<const char*>(out), size);
  xmlFree(out);
  return text;
}

}  // namespace tarvik
