#include "testing/recording_printer.h"

#include "text/quoted_text.h"
#include "testing/test_support.h"

namespace quarvel {

namespace {

bool IsDrawing(const std::string& operation) {
  return operation.starts_with("text ") || operation.starts_with("line ") ||
         operation.starts_with("image ");
}

// A picture that records its own release.
class RecordedPicture : public LogPrinter::PathPicture {
 public:
  RecordedPicture(WideString path, LineSink& log) : PathPicture(std::move(path)), log_(log) {}
  ~RecordedPicture() override { log_.WriteLine("dispose " + QuoteForLog(path) + "\n"); }

 private:
  LineSink& log_;
};

}  // namespace

std::vector<std::string> OperationLog::Drawings() const {
  std::vector<std::string> drawings;
  for (const std::string& operation : lines_) {
    if (IsDrawing(operation)) drawings.push_back(operation);
  }
  return drawings;
}

DialogOutcome RecordingPrinter::ChoosePrinter(Orientation orientation) {
  PrinterWrapper::ChoosePrinter(orientation);
  return answer_;
}

bool RecordingPrinter::InstallAbortProc() {
  return PrinterWrapper::InstallAbortProc() && answer_ == DialogOutcome::kPrinterChosen;
}

std::unique_ptr<Picture> RecordingPrinter::LoadPicture(const WideString& path) {
  log().WriteLine("load " + QuoteForLog(path) + "\n");
  return std::make_unique<RecordedPicture>(path, log());
}

RecordingHost::RecordingHost(OperationLog& log) : HostWrapper(TestHost()), log_(log) {}

void RecordingHost::WriteStandardOutput(std::string_view message) {
  log_.WriteLine("stdout \"" + std::string(message) + "\"\n");
}

}  // namespace quarvel
