#include "native/job/print_job.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace quarvel {

namespace {

constexpr OutputFormatInfo kFormats[] = {
    {"pdf", ".pdf", "application/pdf", false, false, false},
    {"ps", ".ps", "application/postscript", false, false, false},
    {"svg", ".svg", "image/svg+xml", true, false, false},
    {"png", ".png", "image/png", true, true, false},
    {"pwg", ".pwg", "image/pwg-raster", false, true, true},
    {"urf", ".urf", "image/urf", false, true, true},
    {"jpeg", ".jpg", "image/jpeg", true, true, false},
};

// A streamed job held whole, then delivered as one file.
class WholeJobStream : public JobStream {
 public:
  WholeJobStream(JobDelivery& delivery, std::string_view job_name)
      : delivery_(delivery), job_name_(job_name) {}

  Status Write(std::string_view bytes) override {
    try {
      file_.bytes.append(bytes);
    } catch (const std::bad_alloc&) {
      return Status::Error(delivery_.NextTarget() + ": out of memory");
    }
    return Status::Ok();
  }

  Status Finish(int pages) override {
    return delivery_.Deliver(job_name_, pages, std::span<const JobFile>(&file_, 1));
  }

 private:
  JobDelivery& delivery_;
  const std::string job_name_;
  JobFile file_;
};

}  // namespace

Status JobDelivery::StartJob(std::string_view job_name, int, std::unique_ptr<JobStream>* stream) {
  *stream = std::make_unique<WholeJobStream>(*this, job_name);
  return Status::Ok();
}

const OutputFormatInfo& InfoOf(OutputFormat format) { return kFormats[static_cast<int>(format)]; }

bool HasExtensionOf(std::string_view path, OutputFormat format) {
  const std::string_view ending = InfoOf(format).extension;
  return path.size() > ending.size() &&
         std::equal(
             ending.begin(), ending.end(), path.end() - ending.size(),
             [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

std::optional<OutputFormat> FormatOfPath(std::string_view path) {
  for (const OutputFormat format : kOutputFormats) {
    if (HasExtensionOf(path, format)) return format;
  }
  return std::nullopt;
}

}  // namespace quarvel
