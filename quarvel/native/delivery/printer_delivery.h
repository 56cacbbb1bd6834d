// The delivery of jobs to a printer: an IPP printer at its URI, or a CUPS
// queue, over IPP alike. The printer is asked first what it takes, so that a
// wrong address, a printer that takes no jobs or an option it does not
// support is told before any page is rendered. A job is created, sent and
// then told of (its id, whether it is held), or, once the printer holds any
// of it, cancelled when it cannot be sent whole: a failed or interrupted
// upload leaves no job behind.
#ifndef QUARVEL_NATIVE_DELIVERY_PRINTER_DELIVERY_H_
#define QUARVEL_NATIVE_DELIVERY_PRINTER_DELIVERY_H_

#include <memory>
#include <string>
#include <string_view>

#include "native/ipp/ipp_client.h"
#include "native/ipp/job_plan.h"
#include "native/ipp/printer_address.h"
#include "native/job/print_job.h"

namespace quarvel {

// Hears what a printer's delivery has to tell.
class PrinterListener {
 public:
  virtual ~PrinterListener() = default;

  // What became of a job: "MyDoc is job 12 on P".
  virtual void Note(std::string_view message) = 0;
  // What the user should know: a printer that is stopped, a job held.
  virtual void Warn(std::string_view message) = 0;
  // The state of a job that is waited for, as it changes.
  virtual void Waiting(std::string_view state) = 0;
};

// How the printer is spoken to.
struct PrinterSettings {
  JobOptions options;
  // Bounds each wait on the printer.
  int timeout_seconds = 30;
  // Whether each job is followed until the printer ends it.
  bool wait = false;
};

class PrinterDelivery : public JobDelivery {
 public:
  // Asks the printer at `address` what it takes, and plans the jobs of
  // `settings` for it. On failure, `*delivery` is left null.
  static Status Open(const PrinterAddress& address, const PrinterSettings& settings,
                     PrinterListener& listener, std::unique_ptr<PrinterDelivery>* delivery);

  // The format, resolution and options of the jobs.
  const JobPlan& plan() const { return plan_; }

  std::string NextTarget() const override { return client_.address().name; }
  Status Deliver(std::string_view job_name, int pages, std::span<const JobFile> files) override;
  Status StartJob(std::string_view job_name, int pages,
                  std::unique_ptr<JobStream>* stream) override;

 private:
  class Job;

  PrinterDelivery(IppClient client, PrinterCapabilities printer, JobPlan plan,
                  const PrinterSettings& settings, PrinterListener& listener);

  // Checks the plan with Validate-Job, where the printer has it.
  Status Validate();
  Status DeliverDocuments(std::string_view job_name, int pages, std::span<const JobFile> files);

  IppClient client_;
  const PrinterCapabilities printer_;
  const JobPlan plan_;
  const PrinterSettings settings_;
  PrinterListener& listener_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_DELIVERY_PRINTER_DELIVERY_H_
