// The printers that a user can give to --printer: the CUPS queues, and the
// IPP printers that DNS-SD announces on the network.
#ifndef QUARVEL_NATIVE_IPP_PRINTER_LIST_H_
#define QUARVEL_NATIVE_IPP_PRINTER_LIST_H_

#include <string>
#include <vector>

namespace quarvel {

struct ListedPrinter {
  // What to give to --printer: a queue's name, or a printer's URI.
  std::string destination;
  std::string make_and_model;
  bool accepting = false;
};

// The printers found within `timeout_seconds`: the queues first, then the
// printers on the network, each in the order found. A printer announced
// whose address cannot be resolved in that time is left out.
std::vector<ListedPrinter> FindPrinters(int timeout_seconds);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IPP_PRINTER_LIST_H_
