// The deliveries of finished print jobs to files and to standard output
// (those to printers are in printer_delivery.h). Each delivers a job whole
// or not at all.
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
  Status Deliver(std::string_view job_name, int pages, std::span<const JobFile> files) override;
  // Streams the job into its file, staged as a whole job's is.
  Status StartJob(std::string_view job_name, int pages,
                  std::unique_ptr<JobStream>* stream) override;

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
  class Stream;

  // Whether the jobs go to a device: a path that is not a regular file.
  bool ToDevice() const;
  Status WriteToDevice(std::string_view bytes);

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
  Status Deliver(std::string_view job_name, int pages, std::span<const JobFile> files) override;
  Status StartJob(std::string_view job_name, int pages,
                  std::unique_ptr<JobStream>* stream) override;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_DELIVERY_JOB_DELIVERY_H_
