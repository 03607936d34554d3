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

// The first error of a parse: later ones only follow from it.
struct FirstError {
  bool seen = false;
  int code = 0;
  int line = 0;
  QString message;
};

// The parse under way on this thread (libxml2 may reset the context's own fields).
thread_local FirstError* current = nullptr;

void keepFirstError(void* /*data*/, xmlErrorPtr error) {
  FirstError* first = current;
  if (first == nullptr || first->seen || error == nullptr || error->level < XML_ERR_ERROR) return;
  first->seen = true;
  first->code = error->code;
  first->line = error->line;
  first->message =
      error->message != nullptr ? QString::fromUtf8(error->message).trimmed() : QString();
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
  FirstError first;
  current = &first;
  ctxt->sax->serror = keepFirstError;
  options |= XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  options &= ~(XML_PARSE_HUGE | XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID | XML_PARSE_RECOVER);
  xmlDoc* doc = xmlCtxtReadMemory(ctxt, data.constData(), static_cast<int>(data.size()), url,
                                  encoding, options);
  current = nullptr;
  if (doc != nullptr && ctxt->wellFormed) {
    result.doc = doc;
  } else {
    if (doc != nullptr) xmlFreeDoc(doc);
    if (!first.seen) {
      const xmlError& e = ctxt->lastError;
      first.code = e.code;
      first.line = e.line;
      first.message = e.message != nullptr ? QString::fromUtf8(e.message).trimmed() : QString();
    }
    // libxml2 stops entity text past its limits as an entity loop, or, inside an attribute
    // value, as a value too long.
    result.amplification = first.code == XML_ERR_ENTITY_LOOP ||
                           (ctxt->nbentities > 0 && first.code == XML_ERR_ATTRIBUTE_NOT_FINISHED &&
                            first.message.contains(QStringLiteral("too long")));
    QString message =
        first.message.isEmpty() ? QStringLiteral("the document is not well-formed") : first.message;
    if (result.amplification)
      message = QStringLiteral("its entities expand far beyond its size (%1)").arg(message);
    if (first.line > 0) message += QStringLiteral(" at line %1").arg(first.line);
    result.error = message;
  }
  xmlFreeParserCtxt(ctxt);
  return result;
}

}  // namespace tarvik
