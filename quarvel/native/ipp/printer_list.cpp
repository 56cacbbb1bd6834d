#include "native/ipp/printer_list.h"

#include <cups/cups.h>

#include <algorithm>

#include "native/ipp/ipp_client.h"
#include "native/ipp/printer_address.h"

namespace quarvel {

namespace {

// How long the network is browsed for printers.
constexpr int kBrowseMilliseconds = 2000;

struct Found {
  std::vector<ListedPrinter> queues;
  std::vector<cups_dest_t*> announced;
};

std::string OptionOf(const cups_dest_t* dest, const char* name) {
  const char* value = cupsGetOption(name, dest->num_options, dest->options);
  return value != nullptr ? value : "";
}

int OnDestination(void* data, unsigned flags, cups_dest_t* dest) {
  auto* found = static_cast<Found*>(data);
  if ((flags & CUPS_DEST_FLAGS_REMOVED) != 0 || dest->instance != nullptr) return 1;
  // The queues of the CUPS server have a printer URI; printers announced on
  // the network only the address of their announcement.
  if (!OptionOf(dest, "printer-uri-supported").empty()) {
    found->queues.push_back({dest->name, OptionOf(dest, "printer-make-and-model"),
                             OptionOf(dest, "printer-is-accepting-jobs") == "true"});
  } else {
    cups_dest_t* copy = nullptr;
    cupsCopyDest(dest, 0, &copy);
    if (copy != nullptr) found->announced.push_back(copy);
  }
  return 1;
}

// The IPP URI of a printer announced on the network, resolved by
// connecting to it; empty when it cannot be reached.
std::string ResolvedUri(cups_dest_t* dest, int timeout_seconds) {
  char resource[1024];
  const HttpHandle http(cupsConnectDest(dest, CUPS_DEST_FLAGS_DEVICE, timeout_seconds * 1000,
                                        nullptr, resource, sizeof resource, nullptr, nullptr));
  if (http == nullptr || httpGetAddress(http.get()) == nullptr) return "";
  char host[256];
  if (httpGetHostname(http.get(), host, sizeof host) == nullptr) return "";
  char uri[1024];
  const bool encrypted = OptionOf(dest, "device-uri").find("._ipps.") != std::string::npos;
  if (httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, encrypted ? "ipps" : "ipp", nullptr,
                      host, httpAddrPort(httpGetAddress(http.get())),
                      resource) < HTTP_URI_STATUS_OK) {
    return "";
  }
  return uri;
}

// Whether the printer at `uri` accepts jobs, as it answers.
bool Accepting(const std::string& uri, int timeout_seconds) {
  const std::optional<PrinterAddress> address = ParsePrinterUri(uri);
  if (!address) return false;
  IppClient client(*address, timeout_seconds);
  IppHandle request = client.NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-is-accepting-jobs");
  IppHandle response;
  if (!client.Call(request.get(), &response).ok()) return false;
  ipp_attribute_t* accepting =
      ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
  return accepting != nullptr && ippGetBoolean(accepting, 0) != 0;
}

}  // namespace

std::vector<ListedPrinter> FindPrinters(int timeout_seconds) {
  Found found;
  cupsEnumDests(CUPS_DEST_FLAGS_NONE, std::min(kBrowseMilliseconds, timeout_seconds * 1000),
                nullptr, 0, 0, OnDestination, &found);
  std::vector<ListedPrinter> printers = std::move(found.queues);
  for (cups_dest_t* dest : found.announced) {
    if (const std::string uri = ResolvedUri(dest, timeout_seconds); !uri.empty()) {
      printers.push_back(
          {uri, OptionOf(dest, "printer-make-and-model"), Accepting(uri, timeout_seconds)});
    }
    cupsFreeDests(1, dest);
  }
  return printers;
}

}  // namespace quarvel
