// The template list file: a root element with one element per template. A template element
// carries its name in its first attribute, its category text in its first child and its
// insertion-point list ("x,y") in its second child. The file's own encoding declaration
// (GB2312, GBK, UTF-8, ...) is honoured by the parser.

#include "template_list_file.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QFile>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "sheetcut/regular_file.h"
#include "tarvik/xml_parsing.h"

namespace tarvik {

namespace {

struct XmlDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct XmlCharFree {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

QString nodeText(const xmlNode* node) {
  std::unique_ptr<xmlChar, XmlCharFree> text(xmlNodeGetContent(node));
  return text ? QString::fromUtf8(reinterpret_cast<const char*>(text.get())) : QString();
}

// Whitespace between elements is layout, not a node of the list.
bool isBlankText(const xmlNode* node) {
  return (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) &&
         nodeText(node).trimmed().isEmpty();
}

std::vector<const xmlNode*> childNodes(const xmlNode* parent) {
  std::vector<const xmlNode*> nodes;
  for (const xmlNode* n = parent->children; n != nullptr; n = n->next) {
    if (!isBlankText(n)) nodes.push_back(n);
  }
  return nodes;
}

std::vector<const xmlNode*> childElements(const xmlNode* parent) {
  std::vector<const xmlNode*> nodes;
  for (const xmlNode* n = parent->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE) nodes.push_back(n);
  }
  return nodes;
}

// Fills `entry` from one template element; false when the element lacks a part.
bool readTemplate(const xmlNode* element, BlkTYpe& entry) {
  const xmlAttr* first = element->properties;
  if (first == nullptr) return false;
  const std::vector<const xmlNode*> children = childNodes(element);
  entry.n = nodeText(reinterpret_cast<const xmlNode*>(first));
  entry.p = entry.n + QStringLiteral(".DWG");
  if (children.empty()) return false;
  entry.T = templateCategoryCode(nodeText(children[0]));
  if (children.size() < 2) return false;
  const QString insertion = nodeText(children[1]);
  entry.InsPo = insertion.isEmpty() ? QStringList() : insertion.split(u',');
  return true;
}

}  // namespace

QString templateCategoryCode(const QString& text) {
  if (text == QStringLiteral("图签模板")) return QStringLiteral("1");
  if (text == QStringLiteral("目录模板")) return QStringLiteral("0");
  if (text == QStringLiteral("其它模板")) return QStringLiteral("2");
  return QStringLiteral("3");
}

bool readTemplateListFile(const QString& path, std::vector<BlkTYpe>& list, int& count,
                          QString* reason) {
  const auto refuse = [&](const QString& why) {
    if (reason != nullptr) *reason = why;
    return false;
  };
  // A list that cannot be read lists no template: the list of another folder must not stand
  // for it.
  list.assign(1, BlkTYpe{});
  count = 0;
  // A named pipe or a device is never read as a list: the one would block, the other never
  // ends.
  const std::string name = QFile::encodeName(path).toStdString();
  std::string bytes;
  if (const int error = sheetcut::readRegularFile(name, bytes); error != 0) {
    if (error == ENOENT) return refuse(QStringLiteral("the file does not exist"));
    const std::string special = error == EINVAL ? sheetcut::nonRegularFileReason(name) : "";
    return refuse(special.empty() ? QString::fromLocal8Bit(std::strerror(error))
                                  : QString::fromStdString(special));
  }
  const QByteArray data = QByteArray::fromStdString(bytes);
  XmlParseResult parsed = parseXml(data, QFile::encodeName(path).constData(), nullptr, 0);
  const std::unique_ptr<xmlDoc, XmlDocFree> doc(parsed.doc);
  if (!doc) return refuse(parsed.error);
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (root == nullptr) return refuse(QStringLiteral("it has no root element"));
  const std::vector<const xmlNode*> templates = childElements(root);
  // The count is a 16-bit number where callers keep it.
  if (templates.size() > static_cast<size_t>(std::numeric_limits<std::int16_t>::max())) {
    return refuse(QStringLiteral("it lists %1 templates, more than %2")
                      .arg(templates.size())
                      .arg(std::numeric_limits<std::int16_t>::max()));
  }

  count = static_cast<int>(templates.size());
  list.assign(templates.size() + 1, BlkTYpe{});
  for (size_t k = 0; k < templates.size(); ++k) {
    if (!readTemplate(templates[k], list[k + 1])) {
      return refuse(QStringLiteral("template %1 lacks its name, its category or its insertion "
                                   "point")
                        .arg(k + 1));
    }
  }
  if (reason != nullptr) reason->clear();
  return true;
}

}  // namespace tarvik
