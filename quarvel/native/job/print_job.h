// A print job between the printer that renders it and the delivery that
// takes it: the formats it is rendered in, the files it is made of, and the
// seam through which a finished job is handed on. A job is delivered whole
// or not at all.
#ifndef QUARVEL_NATIVE_JOB_PRINT_JOB_H_
#define QUARVEL_NATIVE_JOB_PRINT_JOB_H_

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "native/job/status.h"

namespace quarvel {

// The formats in which a job is rendered.
// PWG Raster and Apple raster (URF) are the raster formats of printers
// without PDF; a JPEG file a page is the last resort of such printers.
enum class OutputFormat { kPdf, kPostScript, kSvg, kPng, kPwgRaster, kUrf, kJpeg };

inline constexpr OutputFormat kOutputFormats[] = {
    OutputFormat::kPdf,       OutputFormat::kPostScript, OutputFormat::kSvg, OutputFormat::kPng,
    OutputFormat::kPwgRaster, OutputFormat::kUrf,        OutputFormat::kJpeg};

struct OutputFormatInfo {
  std::string_view name;       // as --format names it: "pdf", "ps", "svg", "png", ...
  std::string_view extension;  // ".pdf", ...
  std::string_view mime_type;  // as a printer is told it
  bool file_per_page;          // one file per page, instead of one per job
  bool raster;                 // pages of device pixels
  // Written page by page as the pages end, to a JobStream, instead of whole
  // at the job's end: the raster streams, whose pages are independent.
  bool streamed;
};

const OutputFormatInfo& InfoOf(OutputFormat format);

// Whether `path` ends in the extension of `format`, in any case, after a
// name.
bool HasExtensionOf(std::string_view path, OutputFormat format);

// The format whose extension ends `path`, in any case; none for another
// ending.
std::optional<OutputFormat> FormatOfPath(std::string_view path);

// One file of a finished job: the whole job, or one of its pages.
struct JobFile {
  // 0 for the whole job; the page, counted from 1, in a format of a file
  // per page.
  int page = 0;
  std::string bytes;
};

// The bytes of one job in a streamed format, taken as they are made: the
// job is delivered once Finish succeeded, and a stream destroyed before
// that discards it (a printer's job is cancelled).
class JobStream {
 public:
  virtual ~JobStream() = default;

  // Appends `bytes` to the job. On failure the job is lost: later calls
  // fail alike, and the status names the file or printer and the reason.
  virtual Status Write(std::string_view bytes) = 0;
  // Delivers the job, whose `pages` have all been written.
  virtual Status Finish(int pages) = 0;
};

// Where finished jobs go.
class JobDelivery {
 public:
  virtual ~JobDelivery() = default;

  // What the next job goes to, for messages: its file, "standard output",
  // or the printer.
  virtual std::string NextTarget() const = 0;

  // Delivers the files of one finished job named `job_name`. On failure,
  // nothing of the job is left behind, and the status names the file or
  // printer and the reason.
  // The job has `pages` pages.
  virtual Status Deliver(std::string_view job_name, int pages, std::span<const JobFile> files) = 0;

  // Begins a job named `job_name` in a streamed format, whose bytes go to
  // `*stream` as they are made; it is to have `pages` pages, 0 when that is
  // not known. On failure no job was begun. By default the bytes are held,
  // and delivered with Deliver as one file at the end.
  virtual Status StartJob(std::string_view job_name, int pages, std::unique_ptr<JobStream>* stream);
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_JOB_PRINT_JOB_H_
