#include "native/ipp/printer_address.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

// Guards against a URI read as a queue's name, and against the defaults
// that CUPS gives a URI left short.
TEST(PrinterAddress, UrisReadAsCupsReadsThem) {
  struct Case {
    std::string_view uri;
    std::string host;
    int port;
    bool encrypted;
    std::string resource;
  };
  const Case cases[] = {
      {"ipp://printer.local/ipp/print", "printer.local", 631, false, "/ipp/print"},
      {"IPP://Printer.local", "Printer.local", 631, false, "/ipp/print"},
      {"Ipps://10.0.0.7:8443/ipp/print/2", "10.0.0.7", 8443, true, "/ipp/print/2"},
      {"ipp://[::1]:8631/", "::1", 8631, false, "/ipp/print"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(IsPrinterUri(c.uri)) << c.uri;
    const std::optional<PrinterAddress> address = ParsePrinterUri(c.uri);
    ASSERT_TRUE(address) << c.uri;
    EXPECT_EQ(address->name, c.uri);
    EXPECT_EQ(address->host, c.host) << c.uri;
    EXPECT_EQ(address->port, c.port) << c.uri;
    EXPECT_EQ(address->encrypted, c.encrypted) << c.uri;
    EXPECT_EQ(address->resource, c.resource) << c.uri;
    EXPECT_EQ(address->uri.substr(0, 3), "ipp") << "sent in lower case";
  }
  for (const std::string_view other : {"Office", "http://printer/ipp", "ipp:/printer", "ipp://"}) {
    EXPECT_FALSE(ParsePrinterUri(other)) << other;
  }
}

}  // namespace
}  // namespace quarvel
