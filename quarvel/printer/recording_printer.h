// The recording printer of the tests: a log printer that keeps its log in
// memory, answers the print dialog as a test tells it to, and also records
// the steps that the log leaves out:
//
//   graphics              the graphics library started
//   surface               the drawing surface created
//   load "PATH"           an image loaded
//   dispose "PATH"        an image released
//   stdout "MESSAGE"      a message written to standard output
//
// Files and text conversion are the host's own, so traces are real files.
#ifndef QUARVEL_PRINTER_RECORDING_PRINTER_H_
#define QUARVEL_PRINTER_RECORDING_PRINTER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "printer/log_printer.h"

namespace quarvel {

class RecordingPrinter : public LogPrinter {
 public:
  // How the print dialog is answered.
  enum class Answer { kPrinterChosen, kCancelled, kDialogFailed };

  explicit RecordingPrinter(Answer answer = Answer::kPrinterChosen)
      : LogPrinter(nullptr), answer_(answer) {}

  const std::vector<std::string>& operations() const { return operations_; }

  // The recorded operations that draw: text, line and image.
  std::vector<std::string> Drawings() const;

  void StartGraphics() override { Log("graphics"); }
  PrinterChoice ChoosePrinter(const std::string& orientation) override;
  void CreateDrawingSurface() override { Log("surface"); }
  bool InstallAbortProc() override;
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void WriteStandardOutput(std::string_view message) override;

 protected:
  void Log(std::string_view line) override { operations_.emplace_back(line); }

 private:
  const Answer answer_;
  std::vector<std::string> operations_;
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_RECORDING_PRINTER_H_
