// The native program: the same interpreter, printing to a PDF file, to a
// CUPS print queue, or as an operation log.
//
//   QUARVEL_PRINTER   "pdf" (the default), "log", or the name of a CUPS queue
//   QUARVEL_OUTPUT    the PDF file of the first job (default "MyDoc.pdf")
//   QUARVEL_DPI       the device resolution (default 600)
//   QUARVEL_PAPER     "a4" (the default) or "letter"
//   QUARVEL_CODEPAGE  the code page of the script, an iconv name (default
//                     WINDOWS-1250)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "native/job_delivery.h"
#include "native/page_geometry.h"
#include "native/pdf_printer.h"
#include "posix/posix_host.h"
#include "print_document.h"
#include "printer/log_printer.h"

namespace {

std::string Setting(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

// The device that the environment describes; a setting that cannot be read
// is reported and left at its default.
quarvel::Device DeviceFromEnvironment() {
  quarvel::Device device;
  const std::string dpi = Setting("QUARVEL_DPI", "600");
  if (const auto parsed = quarvel::ParseDpi(dpi)) {
    device.dpi = *parsed;
  } else {
    std::fprintf(stderr, "quarvel: QUARVEL_DPI=%s is no resolution, using 600\n", dpi.c_str());
  }
  const std::string paper = Setting("QUARVEL_PAPER", "a4");
  if (const auto parsed = quarvel::ParsePaper(paper)) {
    device.paper = *parsed;
  } else {
    std::fprintf(stderr, "quarvel: QUARVEL_PAPER=%s is no paper, using a4\n", paper.c_str());
  }
  return device;
}

int PrintAsPdf(quarvel::Host& host, const char* script_path, quarvel::JobDelivery& delivery) {
  quarvel::PdfPrinter printer(DeviceFromEnvironment(), delivery);
  return quarvel::PrintDocument(host, printer, script_path);
}

int PrintWithLog(quarvel::Host& host, const char* script_path) {
  quarvel::StreamLineSink standard_output(stdout);
  quarvel::LogPrinter log(standard_output);
  return quarvel::PrintDocument(host, log, script_path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 0;
  quarvel::PosixHost host(Setting("QUARVEL_CODEPAGE", quarvel::kDefaultCodePage).c_str());
  const std::string printer = Setting("QUARVEL_PRINTER", "pdf");
  if (printer == "log") return PrintWithLog(host, argv[1]);
  if (printer == "pdf") {
    quarvel::FileDelivery files(Setting("QUARVEL_OUTPUT", "MyDoc.pdf"));
    return PrintAsPdf(host, argv[1], files);
  }
  if (!quarvel::CupsDelivery::QueueExists(printer)) {
    std::fprintf(stderr, "quarvel: there is no printer named \"%s\"\n", printer.c_str());
    return 0;
  }
  quarvel::CupsDelivery queue(printer);
  return PrintAsPdf(host, argv[1], queue);
}
