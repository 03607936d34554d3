#include "plot/print_queues.h"

#include <cups/cups.h>

#include <memory>

namespace cadhost::plot {

namespace {

// How long a server may take to accept the connection: a local one answers at once.
constexpr int kConnectMilliseconds = 3000;

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
struct IppDelete {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};

}  // namespace

PrintQueues printQueues() {
  // The server is looked up again on every call, so that a changed CUPS_SERVER is honoured.
  cupsSetServer(nullptr);
  std::unique_ptr<http_t, HttpClose> http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                                       cupsEncryption(), 1, kConnectMilliseconds,
                                                       nullptr));
  PrintQueues queues;
  if (!http) return queues;

  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  std::unique_ptr<ipp_t, IppDelete> response(cupsDoRequest(http.get(), request, "/"));
  if (response) {
    for (ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME);
         a != nullptr; a = ippFindNextAttribute(response.get(), "printer-name", IPP_TAG_NAME)) {
      if (const char* name = ippGetString(a, 0, nullptr)) queues.names.emplace_back(name);
    }
  }
  // The user's default (LPDEST, PRINTER) before the server's.
  if (const char* name = cupsGetDefault2(http.get())) queues.defaultName = name;
  return queues;
}

}  // namespace cadhost::plot
