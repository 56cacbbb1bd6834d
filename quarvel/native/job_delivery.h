// Where the native PDF printer sends a finished print job: to a PDF file, or
// to a CUPS print queue.
#ifndef QUARVEL_NATIVE_JOB_DELIVERY_H_
#define QUARVEL_NATIVE_JOB_DELIVERY_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace quarvel {

class JobDelivery {
 public:
  virtual ~JobDelivery() = default;

  // Delivers the PDF document `pdf` of one finished job named `job_name`.
  // Failures are reported on standard error; the run goes on.
  virtual void Deliver(std::string_view job_name, std::string_view pdf) = 0;
};

// The path of the `job`th job (counted from 1) of a run whose first job goes
// to `first`: the first job takes `first` itself, later ones get "-2", "-3",
// ... before the ".pdf" ending, or at the end of a path without it.
std::filesystem::path NumberedJobPath(const std::filesystem::path& first, int job);

// Writes each job to its numbered path.
class FileDelivery : public JobDelivery {
 public:
  explicit FileDelivery(std::filesystem::path first) : first_(std::move(first)) {}

  void Deliver(std::string_view job_name, std::string_view pdf) override;

 private:
  std::filesystem::path first_;
  int jobs_ = 0;
};

// Submits each job to a CUPS queue under the job's name.
class CupsDelivery : public JobDelivery {
 public:
  explicit CupsDelivery(std::string queue) : queue_(std::move(queue)) {}

  // Returns true when CUPS knows a queue named `queue`.
  static bool QueueExists(const std::string& queue);

  void Deliver(std::string_view job_name, std::string_view pdf) override;

 private:
  std::string queue_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_JOB_DELIVERY_H_
