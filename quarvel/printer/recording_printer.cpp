#include "printer/recording_printer.h"

namespace quarvel {

namespace {

bool IsDrawing(const std::string& operation) {
  return operation.starts_with("text ") || operation.starts_with("line ") ||
         operation.starts_with("image ");
}

// A picture that records its own release.
class RecordedPicture : public LogPrinter::PathPicture {
 public:
  RecordedPicture(WideString path, std::vector<std::string>* operations)
      : PathPicture(std::move(path)), operations_(operations) {}
  ~RecordedPicture() override { operations_->push_back("dispose " + QuoteForLog(path)); }

 private:
  std::vector<std::string>* operations_;
};

}  // namespace

std::vector<std::string> RecordingPrinter::Drawings() const {
  std::vector<std::string> drawings;
  for (const std::string& operation : operations_) {
    if (IsDrawing(operation)) drawings.push_back(operation);
  }
  return drawings;
}

PrinterChoice RecordingPrinter::ChoosePrinter(const std::string& orientation) {
  LogPrinter::ChoosePrinter(orientation);
  return {.has_device_context = answer_ == Answer::kPrinterChosen,
          .dialog_failed = answer_ == Answer::kDialogFailed};
}

bool RecordingPrinter::InstallAbortProc() {
  return LogPrinter::InstallAbortProc() && answer_ == Answer::kPrinterChosen;
}

std::unique_ptr<Picture> RecordingPrinter::LoadPicture(const WideString& path) {
  Log("load " + QuoteForLog(path));
  return std::make_unique<RecordedPicture>(path, &operations_);
}

void RecordingPrinter::WriteStandardOutput(std::string_view message) {
  Log("stdout \"" + std::string(message) + "\"");
}

}  // namespace quarvel
