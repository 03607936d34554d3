#pragma once

// The XML records that table recognition writes into a cell's text field, and a reader for
// them.
//
// TextRowsXml, the words of one cell in reading order:
//   <Root> <Text> <S>word</S> <XL>..</XL> <XR>..</XR> <Y>..</Y> <H>..</H> </Text> ...</Root>
// HeaderActionXml, the description of a value cell:
//   <action name="年度"> <表头名>name</表头名><单元类型>1 单行文本</单元类型>...</action>
// Texts are written with &, < and > escaped; numbers through numberText.

#include <libxml/tree.h>

#include <QString>
#include <memory>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// s with &, < and > replaced by their entity references.
QString xmlEscape(const QString& s);

QString textRowsXml(const std::vector<TextType>& words);

// personName: the "是否人名" element says "1 是" instead of "0 否".
QString headerActionXml(const QString& headerName, bool personName);

struct XmlDocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// Parses a record; a record written before texts were escaped (a bare "&" or "<" that starts no
// markup) is read by escaping those characters first. Null when it still does not parse.
XmlDocPtr parseRecordXml(const QString& text);

// The text content of a node, "" for null.
QString nodeText(const xmlNode* node);

}  // namespace tarvik
