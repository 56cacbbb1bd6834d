#include "native/delivery/printer_delivery.h"

#include <chrono>
#include <optional>
#include <thread>

#include "native/ipp/interruption.h"

namespace quarvel {

namespace {

constexpr auto kWaitInterval = std::chrono::seconds(1);
// How long a job is given to end once cancelled, and how often it is
// cancelled at most.
constexpr auto kCancelSettling = std::chrono::milliseconds(200);
constexpr int kCancels = 3;

std::string Joined(const std::vector<std::string>& values, std::string_view separator) {
  std::string text;
  for (const std::string& value : values) {
    if (value == "none") continue;
    if (!text.empty()) text += separator;
    text += value;
  }
  return text;
}

// The reasons of a printer's state and its message, " (REASONS: MESSAGE)",
// or nothing when it gives neither.
std::string StateText(const std::vector<std::string>& reasons, const std::string& message) {
  std::string text = Joined(reasons, ", ");
  if (!message.empty()) text += (text.empty() ? "" : ": ") + message;
  return text.empty() ? "" : " (" + text + ")";
}

std::string JobStateName(int state) {
  const char* name = ippEnumString("job-state", state);
  return name != nullptr ? name : std::to_string(state);
}

}  // namespace

// One job on the printer: created, its documents sent, and told of; a job
// destroyed before it was delivered whole is cancelled.
class PrinterDelivery::Job : public JobStream {
 public:
  Job(PrinterDelivery& printer, std::string_view name)
      : printer_(printer),
        client_(printer.client_.address(), printer.settings_.timeout_seconds),
        name_(name),
        with_create_(printer.printer_.Supports(IPP_OP_CREATE_JOB) &&
                     printer.printer_.Supports(IPP_OP_SEND_DOCUMENT)) {}

  ~Job() override {
    if (!delivered_) Cancel();
  }

  // Creates the job of `pages` (0: not known yet), with Create-Job where
  // the printer has it; else the job begins with its document.
  Status Create(int pages) {
    pages_ = pages;
    if (!with_create_) return Status::Ok();
    IppHandle request = client_.NewRequest(IPP_OP_CREATE_JOB);
    AddJobTemplate(request.get());
    IppHandle response;
    in_flight_.emplace();
    if (Status created = client_.Call(request.get(), &response); !created.ok()) return created;
    id_ = AttributeInteger(response.get(), "job-id");
    return Status::Ok();
  }

  // Begins a document of the job; `last` for its last one.
  Status StartDocument(bool last) {
    IppHandle request = client_.NewRequest(with_create_ ? IPP_OP_SEND_DOCUMENT : IPP_OP_PRINT_JOB);
    if (with_create_) {
      ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id_);
    } else {
      AddJobTemplate(request.get());
      in_flight_.emplace();
    }
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                 std::string(InfoOf(printer_.plan_.format).mime_type).c_str());
    if (with_create_) {
      ippAddBoolean(request.get(), IPP_TAG_OPERATION, "last-document", last ? 1 : 0);
    }
    return client_.Send(request.get());
  }

  Status Write(std::string_view bytes) override { return client_.Write(bytes); }

  // Ends the document under way, and reads the printer's answer.
  Status EndDocument() {
    if (Status answered = client_.Receive(&answer_); !answered.ok()) return answered;
    if (!with_create_) id_ = AttributeInteger(answer_.get(), "job-id");
    return Status::Ok();
  }

  Status Finish(int) override {
    if (Status ended = EndDocument(); !ended.ok()) return ended;
    return Delivered();
  }

  // Tells of the job, sent whole, and follows it when asked to.
  Status Delivered() {
    delivered_ = true;
    in_flight_.reset();
    printer_.listener_.Note(Name() + " is job " + std::to_string(id_) + " on " + Printer());
    if (AttributeInteger(answer_.get(), "job-state") == IPP_JSTATE_HELD) {
      printer_.listener_.Warn(Described() + " is held" +
                              StateText(AttributeStrings(answer_.get(), "job-state-reasons"), ""));
    }
    return printer_.settings_.wait ? Follow() : Status::Ok();
  }

 private:
  std::string Name() const { return name_; }
  std::string Printer() const { return client_.address().name; }
  // "MyDoc (job 12 on P)".
  std::string Described() const {
    return name_ + " (job " + std::to_string(id_) + " on " + Printer() + ")";
  }

  void AddJobTemplate(ipp_t* request) const {
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, name_.c_str());
    if (pages_ > 0) {
      ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-impressions", pages_);
    }
    AddJobAttributes(printer_.plan_, request);
  }

  // Cancels the job, and again while the printer goes on with it: a
  // printer may take the cancel of a job whose document it has just had,
  // then start the job all the same.
  void Cancel() {
    if (id_ <= 0) return;
    IppClient client(client_.address(), printer_.settings_.timeout_seconds,
                     IppClient::Signals::kIgnored);
    for (int asked = 1;; ++asked) {
      IppHandle request = client.NewRequest(IPP_OP_CANCEL_JOB);
      ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id_);
      IppHandle response;
      if (const Status cancelled = client.Call(request.get(), &response); !cancelled.ok()) {
        printer_.listener_.Warn("could not cancel " + Described() + ": " + cancelled.message());
        return;
      }
      std::this_thread::sleep_for(kCancelSettling);
      IppHandle job;
      if (!AskJob(client, &job).ok()) return;
      const int state = AttributeInteger(job.get(), "job-state");
      if (state == IPP_JSTATE_COMPLETED) {
        printer_.listener_.Warn(Described() + " was printed before it could be cancelled");
      }
      if (state >= IPP_JSTATE_CANCELED || asked == kCancels) return;
    }
  }

  // The job's attributes, asked of the printer through `client`.
  Status AskJob(IppClient& client, IppHandle* job) const {
    IppHandle request = client.NewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id_);
    return client.Call(request.get(), job);
  }

  // Polls the job until the printer ends it; fails unless it completed.
  Status Follow() {
    for (;;) {
      IppHandle job;
      if (Status asked = AskJob(client_, &job); !asked.ok()) return asked;
      const int state = AttributeInteger(job.get(), "job-state");
      const std::string reasons = StateText(AttributeStrings(job.get(), "job-state-reasons"), "");
      if (state >= IPP_JSTATE_CANCELED) {
        if (state == IPP_JSTATE_COMPLETED) return Status::Ok();
        return Status::Error(Described() + " was " + JobStateName(state) + reasons);
      }
      printer_.listener_.Waiting("job " + std::to_string(id_) + " " + JobStateName(state) +
                                 reasons + PrinterReasons());
      std::this_thread::sleep_for(kWaitInterval);
    }
  }

  // The printer's state reasons, as "; printer: media-empty", or nothing.
  std::string PrinterReasons() {
    IppHandle request = client_.NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-state-reasons");
    IppHandle response;
    if (!client_.Call(request.get(), &response).ok()) return "";
    const std::string reasons =
        Joined(AttributeStrings(response.get(), "printer-state-reasons"), ", ");
    return reasons.empty() ? "" : "; printer: " + reasons;
  }

  PrinterDelivery& printer_;
  IppClient client_;
  const std::string name_;
  const bool with_create_;
  int pages_ = 0;
  int id_ = 0;
  IppHandle answer_;
  bool delivered_ = false;
  // While the printer holds the job, a signal waits for it to be cancelled.
  std::optional<JobInFlight> in_flight_;
};

PrinterDelivery::PrinterDelivery(IppClient client, PrinterCapabilities printer, JobPlan plan,
                                 const PrinterSettings& settings, PrinterListener& listener)
    : client_(std::move(client)),
      printer_(std::move(printer)),
      plan_(std::move(plan)),
      settings_(settings),
      listener_(listener) {}

Status PrinterDelivery::Open(const PrinterAddress& address, const PrinterSettings& settings,
                             PrinterListener& listener,
                             std::unique_ptr<PrinterDelivery>* delivery) {
  delivery->reset();
  IppClient client(address, settings.timeout_seconds);
  IppHandle request = client.NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kPrinterAttributeCount, nullptr, kPrinterAttributes);
  IppHandle response;
  if (Status asked = client.Call(request.get(), &response); !asked.ok()) {
    if (address.cups_queue && client.last_status() == IPP_STATUS_ERROR_NOT_FOUND) {
      return Status::Error("there is no printer named \"" + address.name + "\"");
    }
    return asked;
  }
  PrinterCapabilities printer = ReadCapabilities(response.get());
  const std::string state = StateText(printer.state_reasons, printer.state_message);
  if (!printer.accepting) return client.Failure("it is not accepting jobs" + state);
  auto plan = PlanJob(printer, settings.options);
  if (const auto* refusal = std::get_if<std::string>(&plan)) return client.Failure(*refusal);
  if (printer.state == IPP_PSTATE_STOPPED) {
    listener.Warn(address.name + " is stopped" + state + ": its jobs wait until it is started");
  }
  std::unique_ptr<PrinterDelivery> opened(new PrinterDelivery(std::move(client), std::move(printer),
                                                              std::get<JobPlan>(std::move(plan)),
                                                              settings, listener));
  if (Status valid = opened->Validate(); !valid.ok()) return valid;
  *delivery = std::move(opened);
  return Status::Ok();
}

Status PrinterDelivery::Validate() {
  if (!printer_.Supports(IPP_OP_VALIDATE_JOB)) return Status::Ok();
  IppHandle request = client_.NewRequest(IPP_OP_VALIDATE_JOB);
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
               std::string(InfoOf(plan_.format).mime_type).c_str());
  AddJobAttributes(plan_, request.get());
  IppHandle response;
  return client_.Call(request.get(), &response);
}

Status PrinterDelivery::Deliver(std::string_view job_name, int pages,
                                std::span<const JobFile> files) {
  if (files.size() <= 1 || printer_.multiple_documents) {
    return DeliverDocuments(job_name, pages, files);
  }
  // A printer of one document a job takes a job a page.
  for (size_t page = 0; page < files.size(); ++page) {
    if (Status delivered = DeliverDocuments(job_name, 1, files.subspan(page, 1)); !delivered.ok()) {
      return delivered;
    }
  }
  return Status::Ok();
}

Status PrinterDelivery::DeliverDocuments(std::string_view job_name, int pages,
                                         std::span<const JobFile> files) {
  Job job(*this, job_name);
  Status status = job.Create(pages);
  for (size_t i = 0; status.ok() && i < files.size(); ++i) {
    status = job.StartDocument(i + 1 == files.size());
    if (status.ok()) status = job.Write(files[i].bytes);
    if (status.ok()) status = job.EndDocument();
  }
  return status.ok() ? job.Delivered() : status;
}

Status PrinterDelivery::StartJob(std::string_view job_name, int pages,
                                 std::unique_ptr<JobStream>* stream) {
  auto job = std::make_unique<Job>(*this, job_name);
  Status status = job->Create(pages);
  if (status.ok()) status = job->StartDocument(true);
  if (status.ok()) *stream = std::move(job);
  return status;
}

}  // namespace quarvel
