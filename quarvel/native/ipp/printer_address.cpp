#include "native/ipp/printer_address.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>

namespace quarvel {

namespace {

constexpr std::string_view kDefaultResource = "/ipp/print";

// The scheme of `uri` in lower case, and where the rest begins.
std::string SchemeOf(std::string_view uri, size_t* rest) {
  const size_t colon = uri.find("://");
  if (colon == std::string_view::npos) return "";
  std::string scheme(uri.substr(0, colon));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  *rest = colon + 3;
  return scheme;
}

}  // namespace

bool IsPrinterUri(std::string_view destination) {
  size_t rest = 0;
  const std::string scheme = SchemeOf(destination, &rest);
  return scheme == "ipp" || scheme == "ipps";
}

std::optional<PrinterAddress> ParsePrinterUri(std::string_view uri) {
  size_t rest = 0;
  const std::string scheme = SchemeOf(uri, &rest);
  if (scheme != "ipp" && scheme != "ipps") return std::nullopt;
  const std::string lowered = scheme + "://" + std::string(uri.substr(rest));
  char parsed_scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, lowered.c_str(), parsed_scheme, sizeof parsed_scheme,
                      user, sizeof user, host, sizeof host, &port, resource,
                      sizeof resource) < HTTP_URI_STATUS_OK ||
      host[0] == '\0') {
    return std::nullopt;
  }
  PrinterAddress address;
  address.name = std::string(uri);
  address.host = host;
  address.port = port;
  address.encrypted = scheme == "ipps";
  address.resource = std::string_view(resource) == "/" ? std::string(kDefaultResource) : resource;
  char assembled[1024];
  if (httpAssembleURI(HTTP_URI_CODING_ALL, assembled, sizeof assembled, scheme.c_str(), nullptr,
                      host, address.port, address.resource.c_str()) < HTTP_URI_STATUS_OK) {
    return std::nullopt;
  }
  address.uri = assembled;
  return address;
}

PrinterAddress CupsQueueAddress(std::string_view queue) {
  PrinterAddress address;
  address.name = std::string(queue);
  address.host = cupsServer();
  address.port = ippPort();
  address.encrypted = cupsEncryption() == HTTP_ENCRYPTION_ALWAYS;
  address.resource = "/printers/" + std::string(queue);
  char assembled[1024];
  httpAssembleURIf(HTTP_URI_CODING_ALL, assembled, sizeof assembled, "ipp", nullptr, "localhost",
                   address.port, "/printers/%s", std::string(queue).c_str());
  address.uri = assembled;
  address.cups_queue = true;
  return address;
}

}  // namespace quarvel
