// The recording fakes of the tests. The recording printer is a log printer
// (see printer/log_printer.h) that writes into an operation log of its own,
// answers the print dialog as a test tells it to, and also records the
// steps that the log leaves out:
//
//   load "PATH"           an image loaded
//   dispose "PATH"        an image released
//
// The recording host is the system's host, except that what the program
// writes to standard output is recorded in an operation log, as
//
//   stdout "MESSAGE"
//
// so that a test can see it among the printer's operations.
#ifndef QUARVEL_TESTING_RECORDING_PRINTER_H_
#define QUARVEL_TESTING_RECORDING_PRINTER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"
#include "printer/log_printer.h"
#include "printer/printer.h"
#include "testing/printer_wrapper.h"

namespace quarvel {

// The lines of an operation log, kept in memory.
class OperationLog : public LineSink {
 public:
  // Keeps the line without its line feed.
  void WriteLine(std::string_view line) override {
    lines_.emplace_back(line.substr(0, line.size() - 1));
  }

  const std::vector<std::string>& lines() const { return lines_; }

  // The lines that draw: text, line and image.
  std::vector<std::string> Drawings() const;

 private:
  std::vector<std::string> lines_;
};

// The log and the log printer that writes into it, made before the wrapper
// that forwards to them.
struct RecordingPrinterParts {
  OperationLog log;
  LogPrinter log_printer{log};
};

class RecordingPrinter : private RecordingPrinterParts, public PrinterWrapper {
 public:
  explicit RecordingPrinter(DialogOutcome answer = DialogOutcome::kPrinterChosen)
      : PrinterWrapper(log_printer), answer_(answer) {}

  OperationLog& log() { return RecordingPrinterParts::log; }
  const std::vector<std::string>& operations() const { return RecordingPrinterParts::log.lines(); }
  std::vector<std::string> Drawings() const { return RecordingPrinterParts::log.Drawings(); }

  // Logs the dialog, and answers it with the test's answer.
  DialogOutcome ChoosePrinter(Orientation orientation) override;
  // Logs the abort procedure, which is installed only on a chosen printer.
  bool InstallAbortProc() override;
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;

 private:
  const DialogOutcome answer_;
};

class RecordingHost : public HostWrapper {
 public:
  // Records into `log`, which must outlive the host.
  explicit RecordingHost(OperationLog& log);

  void WriteStandardOutput(std::string_view message) override;

 private:
  OperationLog& log_;
};

}  // namespace quarvel

#endif  // QUARVEL_TESTING_RECORDING_PRINTER_H_
