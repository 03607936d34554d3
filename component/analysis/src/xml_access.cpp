#include "tarvik/xml_access.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sheetcut/error.h>
#include <sheetcut/regular_file.h>

#include <QFile>
#include <QStringList>
#include <limits>

#include "tarvik/xml_parsing.h"

namespace tarvik {

namespace {

std::shared_ptr<xmlDoc> wrap(xmlDoc* doc) {
  if (doc == nullptr) return nullptr;
  if (xmlDocGetRootElement(doc) == nullptr) {
    xmlFreeDoc(doc);
    return nullptr;
  }
  return std::shared_ptr<xmlDoc>(doc, xmlFreeDoc);
}

QString fromXml(const xmlChar* s) {
  return s ? QString::fromUtf8(reinterpret_cast<const char*>(s)) : QString();
}

bool isTextNode(const xmlNode* n) {
  return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE;
}

bool isBlankText(const xmlNode* n) {
  return isTextNode(n) && fromXml(n->content).trimmed().isEmpty();
}

QString qualifiedName(const xmlNode* n) {
  QString name = fromXml(n->name);
  if (n->ns != nullptr && n->ns->prefix != nullptr) name = fromXml(n->ns->prefix) + u':' + name;
  return name;
}

void appendText(const xmlNode* n, QString& out) {
  for (const xmlNode* c = n->children; c != nullptr; c = c->next) {
    if (isTextNode(c)) {
      if (!isBlankText(c)) out += fromXml(c->content);
    } else if (c->type == XML_ELEMENT_NODE || c->type == XML_ENTITY_REF_NODE) {
      appendText(c, out);
    }
  }
}

const xmlAttr* attributeAt(const xmlNode* n, int position) {
  if (n == nullptr || n->type != XML_ELEMENT_NODE || position < 0) return nullptr;
  const xmlAttr* a = n->properties;
  for (int i = 0; a != nullptr && i < position; ++i) a = a->next;
  return a;
}

// The module's shared state: the loaded document and the last node list.
struct ModuleState {
  std::shared_ptr<xmlDoc> doc;
  std::vector<XmlNode> nodes;
};

ModuleState& state() {
  thread_local ModuleState s;
  return s;
}

[[noreturn]] void missingAttribute(const XmlNode& node, int position, const char* source) {
  throw sheetcut::Error(sheetcut::errnum::kGeneric,
                        "The element " + node.nodeName().toStdString() + " has no attribute " +
                            std::to_string(position + 1),
                        source);
}

}  // namespace

bool XmlNode::isElement() const {
  return node_ != nullptr && node_->type == XML_ELEMENT_NODE;
}

bool XmlNode::isComment() const {
  return node_ != nullptr && (node_->type == XML_COMMENT_NODE || node_->type == XML_PI_NODE);
}

QString XmlNode::nodeName() const {
  if (node_ == nullptr) return {};
  switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return qualifiedName(node_);
    case XML_TEXT_NODE:
      return QStringLiteral("#text");
    case XML_CDATA_SECTION_NODE:
      return QStringLiteral("#cdata-section");
    case XML_COMMENT_NODE:
      return QStringLiteral("#comment");
    case XML_DOCUMENT_NODE:
      return QStringLiteral("#document");
    default:
      return fromXml(node_->name);
  }
}

QString XmlNode::text() const {
  if (node_ == nullptr) return {};
  if (isTextNode(node_) || node_->type == XML_COMMENT_NODE || node_->type == XML_PI_NODE)
    return fromXml(node_->content);
  QString out;
  appendText(node_, out);
  return out;
}

std::vector<XmlNode> XmlNode::childNodes() const {
  std::vector<XmlNode> out;
  if (node_ == nullptr) return out;
  for (xmlNode* c = node_->children; c != nullptr; c = c->next)
    if (!isBlankText(c) && c->type != XML_DTD_NODE) out.emplace_back(doc_, c);
  return out;
}

std::vector<XmlNode> XmlNode::childElements() const {
  std::vector<XmlNode> out;
  if (node_ == nullptr) return out;
  for (xmlNode* c = node_->children; c != nullptr; c = c->next)
    if (c->type == XML_ELEMENT_NODE) out.emplace_back(doc_, c);
  return out;
}

std::vector<XmlNode> XmlNode::selectNodes(const QString& path) const {
  const QStringList steps = path.split(u'/', Qt::SkipEmptyParts);
  std::vector<XmlNode> out;
  if (steps.isEmpty()) return out;
  std::vector<xmlNode*> current;
  if (node_ != nullptr) current.push_back(node_);
  for (const QString& step : steps) {
    std::vector<xmlNode*> next;
    for (xmlNode* n : current)
      for (xmlNode* c = n->children; c != nullptr; c = c->next)
        if (c->type == XML_ELEMENT_NODE && qualifiedName(c) == step) next.push_back(c);
    current = std::move(next);
  }
  out.reserve(current.size());
  for (xmlNode* n : current) out.emplace_back(doc_, n);
  return out;
}

XmlNode XmlNode::selectSingleNode(const QString& path) const {
  std::vector<XmlNode> nodes = selectNodes(path);
  return nodes.empty() ? XmlNode() : nodes.front();
}

int XmlNode::attributeCount() const {
  int n = 0;
  if (node_ != nullptr && node_->type == XML_ELEMENT_NODE)
    for (const xmlAttr* a = node_->properties; a != nullptr; a = a->next) ++n;
  return n;
}

std::optional<QString> XmlNode::attribute(int position) const {
  const xmlAttr* a = attributeAt(node_, position);
  if (a == nullptr) return std::nullopt;
  QString out;
  appendText(reinterpret_cast<const xmlNode*>(a), out);
  return out;
}

std::optional<QString> XmlNode::getAttribute(const QString& name) const {
  if (node_ == nullptr || node_->type != XML_ELEMENT_NODE) return std::nullopt;
  for (const xmlAttr* a = node_->properties; a != nullptr; a = a->next) {
    if (qualifiedName(reinterpret_cast<const xmlNode*>(a)) != name) continue;
    QString out;
    appendText(reinterpret_cast<const xmlNode*>(a), out);
    return out;
  }
  return std::nullopt;
}

std::shared_ptr<xmlDoc> loadXmlFile(const QString& path) {
  // Only a regular file is read: a named pipe would block and a device never ends.
  std::string bytes;
  if (sheetcut::readRegularFile(QFile::encodeName(path).toStdString(), bytes) != 0) {
    return nullptr;
  }
  XmlParseResult parsed =
      parseXml(QByteArray::fromStdString(bytes), QFile::encodeName(path).constData(), nullptr, 0);
  if (parsed.amplification) {
    throw sheetcut::Error(
        sheetcut::errnum::kGeneric,
        "The XML file \"" + path.toStdString() + "\" was refused: " + parsed.error.toStdString(),
        "mXML");
  }
  return wrap(parsed.doc);
}

std::shared_ptr<xmlDoc> loadXmlText(const QString& text) {
  // The text is already decoded: its own declaration must not re-decode it.
  XmlParseResult parsed = parseXml(text.toUtf8(), nullptr, "UTF-8", XML_PARSE_IGNORE_ENC);
  if (parsed.amplification) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          "An XML text was refused: " + parsed.error.toStdString(), "mXML");
  }
  return wrap(parsed.doc);
}

XmlNode documentNode(const std::shared_ptr<xmlDoc>& doc) {
  if (!doc) return {};
  return XmlNode(doc, reinterpret_cast<xmlNode*>(doc.get()));
}

XmlNode documentElement(const std::shared_ptr<xmlDoc>& doc) {
  if (!doc) return {};
  return XmlNode(doc, xmlDocGetRootElement(doc.get()));
}

namespace mXML {

XmlNode SelectNode(const QString& filePath, const QString& nodePath, int attrPos,
                   const QString& attrValue) {
  ModuleState& s = state();
  s.doc = loadXmlFile(filePath);
  if (!s.doc) {
    FreeXmlDoc();
    return {};
  }
  s.nodes = documentNode(s.doc).selectNodes(nodePath);
  if (s.nodes.size() == 1) return s.nodes.front();
  XmlNode found;
  for (const XmlNode& n : s.nodes) {
    const std::optional<QString> value = n.attribute(attrPos);
    if (!value) missingAttribute(n, attrPos, "SelectNode");
    if (*value == attrValue) {
      found = n;
      break;
    }
  }
  s.nodes.clear();
  return found;
}

QString GetNodeAttrs(const QString& filePath, const QString& nodePath, const QString& attrList,
                     XmlNode& startNode) {
  ModuleState& s = state();
  XmlNode start = startNode;
  if (start.isNull()) {
    s.doc = loadXmlFile(filePath);
    if (!s.doc) {
      FreeXmlDoc();
      return {};
    }
    start = documentNode(s.doc);
  }
  std::vector<int> positions;
  for (const QString& p : attrList.split(u',')) {
    bool ok = false;
    const int v = p.trimmed().toInt(&ok);
    if (!ok)
      throw sheetcut::Error(sheetcut::errnum::kGeneric,
                            "\"" + p.toStdString() + "\" is not an attribute position",
                            "GetNodeAttrs");
    positions.push_back(v);
  }
  s.nodes = start.selectNodes(nodePath);
  QString result = QStringLiteral("NULL");
  for (const XmlNode& n : s.nodes) {
    result += QStringLiteral(";NULL");
    for (int p : positions) {
      const std::optional<QString> value = n.attribute(p);
      if (!value) missingAttribute(n, p, "GetNodeAttrs");
      result += u',' + *value;
    }
  }
  FreeXmlDoc();
  startNode = XmlNode();
  return result;
}

void FreeXmlDoc() {
  ModuleState& s = state();
  s.nodes.clear();
  s.doc.reset();
}

}  // namespace mXML

}  // namespace tarvik
