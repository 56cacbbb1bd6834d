#include "native/job_delivery.h"

#include <cups/cups.h>

#include <cstdio>
#include <fstream>

namespace quarvel {

std::filesystem::path NumberedJobPath(const std::filesystem::path& first, int job) {
  if (job <= 1) return first;
  const std::string suffix = "-" + std::to_string(job);
  std::filesystem::path numbered = first;
  if (first.extension() == ".pdf") {
    numbered.replace_filename(first.stem().string() + suffix + ".pdf");
  } else {
    numbered += suffix;
  }
  return numbered;
}

void FileDelivery::Deliver(std::string_view, std::string_view pdf) {
  const std::filesystem::path path = NumberedJobPath(first_, ++jobs_);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
  out.close();
  if (!out) std::fprintf(stderr, "quarvel: cannot write %s\n", path.c_str());
}

bool CupsDelivery::QueueExists(const std::string& queue) {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr);
  cupsFreeDests(dest == nullptr ? 0 : 1, dest);
  return dest != nullptr;
}

void CupsDelivery::Deliver(std::string_view job_name, std::string_view pdf) {
  const std::string title(job_name);
  const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, queue_.c_str(), title.c_str(), 0, nullptr);
  const bool sent =
      job > 0 &&
      cupsStartDocument(CUPS_HTTP_DEFAULT, queue_.c_str(), job, title.c_str(), CUPS_FORMAT_PDF,
                        1) == HTTP_STATUS_CONTINUE &&
      cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE &&
      cupsFinishDocument(CUPS_HTTP_DEFAULT, queue_.c_str()) == IPP_STATUS_OK;
  if (!sent) {
    std::fprintf(stderr, "quarvel: printing to %s failed: %s\n", queue_.c_str(),
                 cupsLastErrorString());
  }
}

}  // namespace quarvel
