// The deliveries of finished print jobs: to files, to standard output, to a
// CUPS print queue, or straight to an IPP printer. Each delivers a job
// whole or not at all.
#ifndef QUARVEL_NATIVE_DELIVERY_JOB_DELIVERY_H_
#define QUARVEL_NATIVE_DELIVERY_JOB_DELIVERY_H_

#include <sys/types.h>

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "native/job/print_job.h"

namespace quarvel {

// The path of `page` (0 for the whole job) of the `job`th job (counted from
// 1) of a run whose first job goes to `first`. The first job's file is
// `first` itself; later jobs add "-JOB", pages "-pPAGE", before the
// format's extension when `first` ends in it (in any case), else at the end:
// MyDoc.pdf, MyDoc-2.pdf; MyDoc-p1.png, MyDoc-p2.png, MyDoc-2-p1.png.
std::filesystem::path NumberedJobPath(const std::filesystem::path& first, OutputFormat format,
                                      int job, int page);

// Writes each job to its numbered paths, whole or not at all: every file of
// a job is written beside the file it replaces (see staged_file.h), and put
// in place only once all of them are complete, so that a failed or killed
// run leaves no part of a job behind and keeps the files that were there
// before. A path that names a device, a pipe or anything else that is not
// a regular file takes every job and every page, one after the other, and
// nothing is made beside it.
class FileDelivery : public JobDelivery {
 public:
  FileDelivery(std::filesystem::path first, OutputFormat format);
  ~FileDelivery() override;
  FileDelivery(const FileDelivery&) = delete;
  FileDelivery& operator=(const FileDelivery&) = delete;

  // Refuses every path that names the file at `input` (the same file by
  // device and inode), which the run reads as `what` ("the script", "an
  // image of the job"); nothing when no file is there.
  void Protect(const std::filesystem::path& input, std::string_view what);
  // Protect for the file open as `fd`.
  void Protect(int fd, std::string_view what);

  // The file of the next job; for a format of a file per page, as the
  // first job's is named: its pages are numbered.
  std::string NextTarget() const override;
  Status Deliver(std::string_view job_name, std::span<const JobFile> files) override;

  // Why the output cannot be written at all, found before any job is made:
  // it is a file that the run reads, or a folder. Empty when it may be.
  std::string Refusal() const;

 private:
  struct Input {
    dev_t device;
    ino_t inode;
    std::string what;
  };

  // Why `path` may not be written: it is one of the inputs. Empty when it
  // may be.
  std::string InputAt(const std::filesystem::path& path) const;
  Status DeliverToDevice(std::span<const JobFile> files);

  std::filesystem::path first_;
  OutputFormat format_;
  int jobs_ = 0;
  std::vector<Input> inputs_;
  // The device that takes every job, once opened; -1 before.
  int device_ = -1;
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
