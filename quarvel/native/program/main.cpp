// The native program: the same interpreter, printing to files (PDF,
// PostScript, SVG, PNG), to a CUPS queue or an IPP printer, or as an
// operation log. The command line is described in command_line.h and by
// `quarvel --help`.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "checker/script_checker.h"
#include "native/delivery/job_delivery.h"
#include "native/images/image_file.h"
#include "native/program/command_line.h"
#include "native/program/messages.h"
#include "native/program/progress_line.h"
#include "native/render/rendering_printer.h"
#include "posix/posix_host.h"
#include "print_document.h"
#include "printer/log_printer.h"
#include "text/utf8.h"
#include "stdio_file.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

// The system's host, reading the script "-" from standard input and keeping
// why the script could not be opened.
class ScriptHost : public quarvel::HostWrapper {
 public:
  using HostWrapper::HostWrapper;

  std::unique_ptr<quarvel::InputFile> OpenScript(const quarvel::PathChar* path) override {
    std::unique_ptr<quarvel::InputFile> script = std::strcmp(path, "-") == 0
                                                     ? quarvel::NewStdioInputFile(stdin)
                                                     : HostWrapper::OpenScript(path);
    const int error = errno;
    std::error_code ignored;
    if (script == nullptr)
      open_error_ = std::filesystem::is_directory(path, ignored) ? EISDIR : error;
    return script;
  }

  // The system's error number of the failed opening; 0 when the script was
  // opened.
  int open_error() const { return open_error_; }

 private:
  int open_error_ = 0;
};

// Where the jobs go; null, after a message, when the printer is unknown.
std::unique_ptr<quarvel::JobDelivery> NewDelivery(const quarvel::CommandLine& line) {
  const quarvel::OutputFormat format = line.page.format;
  if (line.destination == quarvel::Destination::kFile) {
    if (line.output == "-") return std::make_unique<quarvel::StandardOutputDelivery>();
    return std::make_unique<quarvel::FileDelivery>(line.output, format);
  }
  if (quarvel::IppDelivery::IsPrinterUri(line.printer)) {
    return std::make_unique<quarvel::IppDelivery>(line.printer, format);
  }
  if (!quarvel::CupsDelivery::QueueExists(line.printer)) {
    quarvel::ReportError("there is no printer named \"" + line.printer + "\"");
    return nullptr;
  }
  return std::make_unique<quarvel::CupsDelivery>(line.printer, format);
}

// Shows the progress of the run, and reports each job that failed and each
// image that was not drawn.
class RunEvents : public quarvel::PrintEvents {
 public:
  explicit RunEvents(quarvel::ProgressLine& progress) : progress_(progress) {}

  void PageRendered() override { progress_.PageRendered(); }
  void JobDelivered() override { progress_.JobDelivered(); }
  void JobFailed(std::string_view why) override { quarvel::ReportError(why); }
  void Warn(std::string_view message) override { quarvel::ReportWarning(message); }

 private:
  quarvel::ProgressLine& progress_;
};

// Renders the script's jobs and delivers them; returns false when one could
// not be delivered.
bool PrintPages(quarvel::Host& host, const quarvel::CommandLine& line) {
  const std::unique_ptr<quarvel::JobDelivery> delivery = NewDelivery(line);
  if (delivery == nullptr) return false;
  quarvel::ProgressLine progress(stderr, !line.quiet && isatty(STDERR_FILENO));
  RunEvents events(progress);
  quarvel::RenderingPrinter printer(line.page, *delivery, events);
  quarvel::PrintDocument(host, printer, line.scripts.front().c_str());
  return printer.all_delivered();
}

void PrintLog(quarvel::Host& host, const quarvel::CommandLine& line) {
  // A log to a file or a pipe is written in large pieces; to a terminal,
  // line by line as ever.
  constexpr size_t kLogBufferBytes = 1 << 20;
  if (!isatty(STDOUT_FILENO)) std::setvbuf(stdout, nullptr, _IOFBF, kLogBufferBytes);
  quarvel::StreamLineSink standard_output(stdout);
  quarvel::LogPrinter log(standard_output);
  quarvel::PrintDocument(host, log, line.scripts.front().c_str());
}

int Print(const quarvel::CommandLine& line) {
  quarvel::SetQuiet(line.quiet);
  for (const std::string& warning : line.warnings) quarvel::ReportWarning(warning);
  quarvel::PosixHost system_host(line.encoding.c_str());
  ScriptHost host(system_host);
  bool delivered = true;
  if (line.destination == quarvel::Destination::kLog) {
    PrintLog(host, line);
  } else {
    delivered = PrintPages(host, line);
  }
  if (host.open_error() != 0) {
    quarvel::ReportError("cannot open " + line.scripts.front() + ": " +
                         std::strerror(host.open_error()));
    return kFailure;
  }
  return delivered ? kSuccess : kFailure;
}

// Why the image file at `path` cannot be loaded by the printer's loader; ""
// when it can.
std::string WhyImageCannotLoad(const quarvel::WideString& path) {
  const quarvel::ImageFault fault = quarvel::LoadImageFile(quarvel::ToUtf8(path)).fault;
  return fault == quarvel::ImageFault::kNone ? "" : std::string(DescribeImageFault(fault));
}

int Check(const quarvel::CommandLine& line) {
  quarvel::PosixHost system_host(line.encoding.c_str());
  ScriptHost host(system_host);
  std::vector<quarvel::ScriptArgument> scripts;
  for (const std::string& script : line.scripts) scripts.push_back({script, script});
  return quarvel::CheckScripts(host, WhyImageCannotLoad, scripts, line.checks, "quarvel", stdout,
                               stderr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = quarvel::ParseCommandLine(arguments, std::getenv);
  if (const auto* usage = std::get_if<quarvel::UsageError>(&parsed)) {
    std::fprintf(stderr, "quarvel: %s\nTry 'quarvel --help' for more information.\n",
                 usage->message.c_str());
    return kUsageError;
  }
  const quarvel::CommandLine& line = std::get<quarvel::CommandLine>(parsed);
  switch (line.mode) {
    case quarvel::Mode::kHelp: std::fputs(quarvel::UsageText().c_str(), stdout); return kSuccess;
    case quarvel::Mode::kVersion: std::printf("quarvel %s\n", QUARVEL_VERSION); return kSuccess;
    case quarvel::Mode::kPrint: return Print(line);
    case quarvel::Mode::kCheck: return Check(line);
  }
  return kSuccess;
}
