// The deliveries of finished print jobs: to files, to standard output, to a
// CUPS print queue, or straight to an IPP printer. Each delivers a job
// whole or not at all.
#ifndef QUARVEL_NATIVE_DELIVERY_JOB_DELIVERY_H_
#define QUARVEL_NATIVE_DELIVERY_JOB_DELIVERY_H_

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "native/job/print_job.h"

namespace quarvel {

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

  // The file of the next job; for a format of a file per page, as the
  // first job's is named: its pages are numbered.
  std::string NextTarget() const override;
  Status Deliver(std::string_view job_name, std::span<const JobFile> files) override;

 private:
  std::filesystem::path first_;
  OutputFormat format_;
  int jobs_ = 0;
};

// Writes each job to standard output, one after the other.
class StandardOutputDelivery : public JobDelivery {
 public:
  std::string NextTarget() const override { return "standard output"; }
  Status Deliver(std::string_view job_name, std::span<const JobFile> files) override;
};

// Submits each job to a CUPS queue under the job's name. A job whose
// transfer fails after the queue created it is cancelled.
class CupsDelivery : public JobDelivery {
 public:
  CupsDelivery(std::string queue, OutputFormat format)
      : queue_(std::move(queue)), format_(format) {}

  // Returns true when CUPS knows a queue named `queue`.
  static bool QueueExists(const std::string& queue);

  std::string NextTarget() const override { return queue_; }
  Status Deliver(std::string_view job_name, std::span<const JobFile> files) override;

 private:
  std::string queue_;
  OutputFormat format_;
};

// Sends each job straight to the IPP printer at `uri` ("ipp://..." or
// "ipps://..."), as one Print-Job request.
class IppDelivery : public JobDelivery {
 public:
  IppDelivery(std::string uri, OutputFormat format) : uri_(std::move(uri)), format_(format) {}

  // Returns true when `destination` names a printer by an IPP URI.
  static bool IsPrinterUri(std::string_view destination);

  std::string NextTarget() const override { return uri_; }
  Status Deliver(std::string_view job_name, std::span<const JobFile> files) override;

 private:
  std::string uri_;
  OutputFormat format_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_DELIVERY_JOB_DELIVERY_H_
