#include "tarvik/xml_parsing.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <limits>
#include <mutex>

namespace tarvik {

namespace {

// Loads no external entity or DTD: the component's files are self-contained, and a reference
// to another file or URL must not make a read reach it. libxml2 has one loader per process;
// nothing else in it loads external XML resources.
xmlParserInputPtr refuseExternal(const char* /*url*/, const char* /*id*/, xmlParserCtxtPtr) {
  return nullptr;
}

void installLoader() {
  static std::once_flag once;
  std::call_once(once, [] { xmlSetExternalEntityLoader(refuseExternal); });
}

}  // namespace

XmlParseResult parseXml(const QByteArray& data, const char* url, const char* encoding,
                        int options) {
  XmlParseResult result;
  if (data.size() > std::numeric_limits<int>::max()) {
    result.error = QStringLiteral("the file is too large");
    return result;
  }
  installLoader();
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (ctxt == nullptr) {
    result.error = QStringLiteral("out of memory");
    return result;
  }
  options |= XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  options &= ~(XML_PARSE_HUGE | XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID | XML_PARSE_RECOVER);
  xmlDoc* doc = xmlCtxtReadMemory(ctxt, data.constData(), static_cast<int>(data.size()), url,
                                  encoding, options);
  if (doc != nullptr && ctxt->wellFormed) {
    result.doc = doc;
  } else {
    if (doc != nullptr) xmlFreeDoc(doc);
    const xmlError& e = ctxt->lastError;
    result.amplification = e.code == XML_ERR_ENTITY_LOOP;
    QString message = e.message != nullptr ? QString::fromUtf8(e.message).trimmed()
                                           : QStringLiteral("the document is not well-formed");
    if (result.amplification)
      message = QStringLiteral("its entities expand far beyond its size (%1)").arg(message);
    if (e.line > 0) message += QStringLiteral(" at line %1").arg(e.line);
    result.error = message;
  }
  xmlFreeParserCtxt(ctxt);
  return result;
}

}  // namespace tarvik
