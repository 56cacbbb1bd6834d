// Where a printer is reached: an IPP printer by its URI, or a CUPS queue
// through the CUPS server.
#ifndef QUARVEL_NATIVE_IPP_PRINTER_ADDRESS_H_
#define QUARVEL_NATIVE_IPP_PRINTER_ADDRESS_H_

#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

struct PrinterAddress {
  // The printer as the user named it, for messages: the URI or the queue.
  std::string name;
  // The server to connect to: a host name or address, or the path of a
  // local socket; its port; and whether the connection is TLS.
  std::string host;
  int port = 0;
  bool encrypted = false;
  // The path of the requests, and the printer-uri that they name.
  std::string resource;
  std::string uri;
  // Whether it is a queue of the CUPS server.
  bool cups_queue = false;
};

// Whether `destination` is a URI of the "ipp" or "ipps" scheme, in any case.
bool IsPrinterUri(std::string_view destination);

// The printer at an "ipp://" or "ipps://" URI, its scheme in any case. A URI
// without a port means port 631, and one without a path "/ipp/print", as
// CUPS takes them. Nothing for a URI that does not read.
std::optional<PrinterAddress> ParsePrinterUri(std::string_view uri);

// The CUPS queue `queue` of the server that libcups is set to use
// (CUPS_SERVER, client.conf, else the local one).
PrinterAddress CupsQueueAddress(std::string_view queue);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IPP_PRINTER_ADDRESS_H_
