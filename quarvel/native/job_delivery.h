// Where the native printer sends a finished print job: to files, to
// standard output, to a CUPS print queue, or straight to an IPP printer.
// A job is delivered whole or not at all.
#ifndef QUARVEL_NATIVE_JOB_DELIVERY_H_
#define QUARVEL_NATIVE_JOB_DELIVERY_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarvel {

class AtomicFile;

// The formats in which the native printer renders a job.
enum class OutputFormat { kPdf, kPostScript, kSvg, kPng };

inline constexpr OutputFormat kOutputFormats[] = {OutputFormat::kPdf, OutputFormat::kPostScript,
                                                  OutputFormat::kSvg, OutputFormat::kPng};

struct OutputFormatInfo {
  std::string_view name;       // as --format names it: "pdf", "ps", "svg", "png"
  std::string_view extension;  // ".pdf", ...
  std::string_view mime_type;  // as a printer is told it
  bool file_per_page;          // one file per page, instead of one per job
};

const OutputFormatInfo& InfoOf(OutputFormat format);

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

class JobDelivery {
 public:
  virtual ~JobDelivery() = default;

  // Delivers the files of one finished job named `job_name`. Returns false
  // when the job could not be delivered whole, after reporting why on
  // standard error; nothing of the job is left behind then.
  virtual bool Deliver(std::string_view job_name, std::span<const JobFile> files) = 0;
};

// The path of `page` (0 for the whole job) of the `job`th job (counted from
// 1) of a run whose first job goes to `first`. The first job's file is
// `first` itself; later jobs add "-JOB", pages "-pPAGE", before the
// format's extension when `first` ends in it (in any case), else at the end:
// MyDoc.pdf, MyDoc-2.pdf; MyDoc-p1.png, MyDoc-p2.png, MyDoc-2-p1.png.
std::filesystem::path NumberedJobPath(const std::filesystem::path& first, OutputFormat format,
                                      int job, int page);

// Writes each job to its numbered paths. Each file is written to a
// temporary file in its folder and put in place only once every file of the
// job is complete, so that a failed or killed run leaves no part of a job
// behind and keeps the file that was there before.
class FileDelivery : public JobDelivery {
 public:
  FileDelivery(std::filesystem::path first, OutputFormat format)
      : first_(std::move(first)), format_(format) {}

  bool Deliver(std::string_view job_name, std::span<const JobFile> files) override;

 private:
  bool ReportWriteFailure(const JobFile& file, const AtomicFile& written) const;

  std::filesystem::path first_;
  OutputFormat format_;
  int jobs_ = 0;
};

// Writes each job to standard output, one after the other.
class StandardOutputDelivery : public JobDelivery {
 public:
  bool Deliver(std::string_view job_name, std::span<const JobFile> files) override;
};

// Submits each job to a CUPS queue under the job's name. A job whose
// transfer fails after the queue created it is cancelled.
class CupsDelivery : public JobDelivery {
 public:
  CupsDelivery(std::string queue, OutputFormat format)
      : queue_(std::move(queue)), format_(format) {}

  // Returns true when CUPS knows a queue named `queue`.
  static bool QueueExists(const std::string& queue);

  bool Deliver(std::string_view job_name, std::span<const JobFile> files) override;

 private:
  std::string queue_;
  OutputFormat format_;
};

// Sends each job straight to the IPP printer at `uri` ("ipp://..." or
// "ipps://..."), as one Print-Job request: the printer creates the job only
// once it has the whole document.
class IppDelivery : public JobDelivery {
 public:
  IppDelivery(std::string uri, OutputFormat format) : uri_(std::move(uri)), format_(format) {}

  // Returns true when `destination` names a printer by an IPP URI.
  static bool IsPrinterUri(std::string_view destination);

  bool Deliver(std::string_view job_name, std::span<const JobFile> files) override;

 private:
  std::string uri_;
  OutputFormat format_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_JOB_DELIVERY_H_
