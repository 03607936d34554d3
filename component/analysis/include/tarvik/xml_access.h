#pragma once

// XML access over libxml2 with the document-model rules the component's files are written
// for: whitespace-only text nodes are not nodes, a node's text is all its descendant text,
// attributes are addressed by position, node paths are plain child paths ("a/b/c") taken in
// document order. A file's encoding declaration (GB2312, GBK, UTF-8, ...) is honoured.
//
// mXML keeps one document and the last node list for all its callers, as the frame-definition
// readers expect: SelectNode loads the file again on every call, GetNodeAttrs releases it.
// Nodes keep their document alive, so a node stays valid after FreeXmlDoc.

#include <QString>
#include <memory>
#include <optional>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace tarvik {

class XmlNode {
 public:
  XmlNode() = default;
  XmlNode(std::shared_ptr<_xmlDoc> doc, _xmlNode* node) : doc_(std::move(doc)), node_(node) {}

  bool isNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  bool isElement() const;
  bool isComment() const;  // comments and processing instructions
  // The qualified name of an element or attribute; "#text", "#comment", "#document" otherwise.
  QString nodeName() const;
  // All descendant text in document order, whitespace-only text nodes left out.
  QString text() const;
  // Child nodes without the whitespace-only text nodes.
  std::vector<XmlNode> childNodes() const;
  std::vector<XmlNode> childElements() const;
  // The elements on a plain child path from this node, in document order.
  std::vector<XmlNode> selectNodes(const QString& path) const;
  // The first of them, or a null node.
  XmlNode selectSingleNode(const QString& path) const;
  int attributeCount() const;
  // The text of the attribute at `position` (from 0); nullopt when there is none.
  std::optional<QString> attribute(int position) const;
  // The value of the attribute named `name`; nullopt when there is none.
  std::optional<QString> getAttribute(const QString& name) const;

  bool operator==(const XmlNode& o) const { return node_ == o.node_; }

 private:
  std::shared_ptr<_xmlDoc> doc_;
  _xmlNode* node_ = nullptr;
};

// Parses a file; nullptr when it is missing, unreadable, not a regular file or not well-formed
// XML.
std::shared_ptr<_xmlDoc> loadXmlFile(const QString& path);
// Parses a text; nullptr when it is not well-formed XML.
std::shared_ptr<_xmlDoc> loadXmlText(const QString& text);
// The document itself as a node (paths from it start with the root element's name).
XmlNode documentNode(const std::shared_ptr<_xmlDoc>& doc);
// The root element, or a null node.
XmlNode documentElement(const std::shared_ptr<_xmlDoc>& doc);

namespace mXML {

// Loads `filePath` and returns the element on `nodePath` whose attribute at `attrPos` has the
// text `attrValue` (exact), the only element when the path matches exactly one, or a null
// node. A missing or malformed file gives a null node. When several elements match the path,
// one without an attribute at `attrPos` raises sheetcut::Error.
XmlNode SelectNode(const QString& filePath, const QString& nodePath, int attrPos,
                   const QString& attrValue);

// "NULL", then ";NULL" per element on `nodePath` (from `startNode`, or from the loaded file when
// it is null) and ",<text>" per position of `attrList` ("0,1"). "" when the file cannot be
// read. Releases the module's document and sets `startNode` to null. An element without one
// of the attributes raises sheetcut::Error.
QString GetNodeAttrs(const QString& filePath, const QString& nodePath, const QString& attrList,
                     XmlNode& startNode);

// Releases the module's document and node list.
void FreeXmlDoc();

}  // namespace mXML

}  // namespace tarvik
