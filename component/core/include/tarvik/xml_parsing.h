#pragma once

// The one way the component parses XML. Entity references are replaced while the document is
// read, so that libxml2's limits hold: a document whose entities expand far beyond its own
// size (or loop) is refused instead of being expanded when its text is read. External
// entities and DTDs are never loaded, nor is anything fetched from the network.

#include <libxml/tree.h>

#include <QByteArray>
#include <QString>

namespace tarvik {

struct XmlParseResult {
  xmlDoc* doc = nullptr;       // owned by the caller (xmlFreeDoc); null when refused
  QString error;               // why, when refused: libxml2's message and the line
  bool amplification = false;  // refused for the expansion of its entities
};

// `url` names the document in libxml2's messages and resolves nothing; `encoding` overrides
// the document's declaration when not null. `options` are further XML_PARSE_* flags.
XmlParseResult parseXml(const QByteArray& data, const char* url, const char* encoding, int options);

}  // namespace tarvik
