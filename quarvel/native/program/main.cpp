// The native program: the same interpreter, printing to files (PDF,
// PostScript, SVG, PNG), to a CUPS queue or an IPP printer, or as an
// operation log. The command line is described in command_line.h and by
// `quarvel --help`.
#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "checker/script_checker.h"
#include "lsp/language_server.h"
#include "native/delivery/job_delivery.h"
#include "native/delivery/printer_delivery.h"
#include "native/ipp/interruption.h"
#include "native/ipp/printer_list.h"
#include "native/images/image_file.h"
#include "native/program/command_line.h"
#include "native/program/document_watch.h"
#include "native/program/messages.h"
#include "native/program/page_count.h"
#include "native/program/progress_line.h"
#include "native/program/script_file.h"
#include "native/render/rendering_printer.h"
#include "posix/posix_host.h"
#include "print_document.h"
#include "printer/log_printer.h"
#include "text/utf8.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

// Where the jobs go, and the files among them; no delivery, after a
// message, when the printer cannot take them.
struct Destination {
  std::unique_ptr<quarvel::JobDelivery> delivery;
  quarvel::FileDelivery* files = nullptr;
};

// Tells the user what a printer's delivery has to say.
class PrinterMessages : public quarvel::PrinterListener {
 public:
  void Note(std::string_view message) override { quarvel::ReportWarning(message); }
  void Warn(std::string_view message) override {
    quarvel::ReportWarning("warning: " + std::string(message));
  }
  void Waiting(std::string_view state) override {
    if (progress_ != nullptr) progress_->PrinterState(state);
  }

  void set_progress(quarvel::ProgressLine* progress) { progress_ = progress; }

 private:
  quarvel::ProgressLine* progress_ = nullptr;
};

// The delivery to the printer of `line`, once it was asked what it takes;
// `page` becomes what the jobs are rendered in for it.
Destination NewPrinterDestination(const quarvel::CommandLine& line,
                                  quarvel::PrinterListener& listener, quarvel::PageSettings* page) {
  const std::optional<quarvel::PrinterAddress> address =
      quarvel::IsPrinterUri(line.printer) ? quarvel::ParsePrinterUri(line.printer)
                                          : quarvel::CupsQueueAddress(line.printer);
  if (!address) {
    quarvel::ReportError("cannot print to " + line.printer + ": not a printer URI");
    return {};
  }
  std::unique_ptr<quarvel::PrinterDelivery> printer;
  const quarvel::PrinterSettings settings = {line.job, line.timeout_seconds, line.wait};
  if (const quarvel::Status opened =
          quarvel::PrinterDelivery::Open(*address, settings, listener, &printer);
      !opened.ok()) {
    quarvel::ReportError(opened.message());
    return {};
  }
  const quarvel::JobPlan& plan = printer->plan();
  page->format = plan.format;
  page->device.dpi = plan.dpi;
  page->raster = {plan.gray, plan.sides.empty() ? "one-sided" : plan.sides};
  return {std::move(printer)};
}

Destination NewDestination(const quarvel::CommandLine& line, quarvel::PrinterListener& listener,
                           quarvel::PageSettings* page) {
  const quarvel::OutputFormat format = line.page.format;
  if (line.destination == quarvel::Destination::kPrinter) {
    return NewPrinterDestination(line, listener, page);
  }
  if (line.output == "-") return {std::make_unique<quarvel::StandardOutputDelivery>()};
  auto files = std::make_unique<quarvel::FileDelivery>(line.output, format);
  quarvel::FileDelivery* kept = files.get();
  return {std::move(files), kept};
}

// Shows the progress of the run, reports each job that failed and each
// image that was not drawn, and keeps the files that the job reads from
// being written over.
class RunEvents : public quarvel::PrintEvents {
 public:
  RunEvents(quarvel::ProgressLine& progress, quarvel::FileDelivery* files)
      : progress_(progress), files_(files) {}

  void PageRendered() override { progress_.PageRendered(); }
  void JobDelivered() override {
    progress_.JobDelivered();
    ++delivered_;
  }
  // A job cancelled for a signal ends the run as the signal asks.
  void JobFailed(std::string_view why) override {
    quarvel::ReportError(why);
    if (quarvel::HeldInterruption() != 0) quarvel::EndForInterruption();
  }
  void Warn(std::string_view message) override { quarvel::ReportWarning(message); }
  void ImageRead(std::string_view path) override {
    if (files_ != nullptr) files_->Protect(std::string(path), "an image that the script draws");
  }

  int delivered() const { return delivered_; }

 private:
  quarvel::ProgressLine& progress_;
  quarvel::FileDelivery* const files_;
  int delivered_ = 0;
};

// Why the run must stop before it prints: the output is a file that it
// reads, or a folder; empty when it may print.
std::string OutputRefusal(quarvel::FileDelivery* files, const std::string& script) {
  if (files == nullptr) return "";
  if (script == "-") {
    files->Protect(STDIN_FILENO, "the script");
  } else {
    files->Protect(script, "the script");
  }
  return files->Refusal();
}

// What the end of the script left unprinted: the document begun and never
// ended, which fails the run, or no document at all, which is a warning.
bool ReportDocuments(const quarvel::DocumentWatch& watch, const quarvel::ScriptHost& host,
                     const std::string& script, int delivered) {
  if (watch.open_line() != 0) {
    quarvel::ReportError(quarvel::NeverEnded(script, watch.open_line(), delivered));
    return false;
  }
  if (watch.documents() == 0) {
    quarvel::ReportWarning(quarvel::NoDocument(script, host.reading().start));
  }
  return true;
}

// Renders the script's jobs and delivers them; returns false when one could
// not be delivered, or the script left one unprinted.
bool PrintPages(quarvel::ScriptHost& host, const quarvel::CommandLine& line) {
  PrinterMessages printer_messages;
  quarvel::PageSettings page = line.page;
  const Destination destination = NewDestination(line, printer_messages, &page);
  if (destination.delivery == nullptr) return false;
  const std::string& script = line.scripts.front();
  if (const std::string refusal = OutputRefusal(destination.files, script); !refusal.empty()) {
    quarvel::ReportError(refusal);
    return false;
  }
  quarvel::ProgressLine progress(stderr, !line.quiet && isatty(STDERR_FILENO));
  printer_messages.set_progress(&progress);
  RunEvents events(progress, destination.files);
  quarvel::RenderingPrinter printer(page, *destination.delivery, events);
  if (quarvel::InfoOf(page.format).streamed)
    printer.ExpectJobs(quarvel::CountJobPages(host, script));
  quarvel::DocumentWatch watch;
  quarvel::PrintDocument(host, printer, script.c_str(), &watch);
  if (host.open_error() != 0 || host.reading().error != 0 || host.reading().long_line != 0) {
    return false;
  }
  return ReportDocuments(watch, host, script, events.delivered()) && printer.all_delivered();
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

// Reports why the script could not be opened or read to its end; returns
// false when it could not.
bool ReportReading(const quarvel::ScriptHost& host, const std::string& script) {
  if (host.open_error() != 0) {
    quarvel::ReportError("cannot open " + script + ": " + std::strerror(host.open_error()));
    return false;
  }
  if (host.reading().error != 0) {
    quarvel::ReportError(script + ": " + std::strerror(host.reading().error));
    return false;
  }
  if (host.reading().long_line != 0) {
    quarvel::ReportError(script + ":" + std::to_string(host.reading().long_line) +
                         ": the line is longer than 256 MiB; nothing more is read");
    return false;
  }
  return true;
}

int Print(const quarvel::CommandLine& line) {
  quarvel::SetQuiet(line.quiet);
  if (line.destination == quarvel::Destination::kPrinter) quarvel::CatchInterruptions();
  for (const std::string& warning : line.warnings) quarvel::ReportWarning(warning);
  quarvel::PosixHost system_host(line.encoding.c_str());
  const bool log = line.destination == quarvel::Destination::kLog;
  quarvel::ScriptHost host(
      system_host, log || (line.destination == quarvel::Destination::kFile && line.output == "-"));
  bool printed = true;
  if (log) {
    PrintLog(host, line);
  } else {
    printed = PrintPages(host, line);
  }
  return ReportReading(host, line.scripts.front()) && printed ? kSuccess : kFailure;
}

// Why the image file at `path` cannot be loaded by the printer's loader; ""
// when it can.
std::string WhyImageCannotLoad(const quarvel::WideString& path) {
  const quarvel::LoadedImage loaded = quarvel::LoadImageFile(quarvel::ToUtf8(path));
  return loaded.fault == quarvel::ImageFault::kNone ? "" : DescribeImageFault(loaded);
}

// Whether `host` reads script text as UTF-8: "\u0159" as its two bytes.
bool ReadsUtf8(quarvel::Host& host) {
  quarvel::WideString wide;
  host.ConvertAnsiText("\xC5\x99", &wide);
  return wide == quarvel::WideString(1, 0x0159);
}

int Check(const quarvel::CommandLine& line) {
  quarvel::PosixHost system_host(line.encoding.c_str());
  quarvel::ScriptHost host(system_host, false);
  std::vector<quarvel::ScriptArgument> scripts;
  for (const std::string& script : line.scripts) scripts.push_back({script, script});
  const quarvel::CheckOptions options{line.checks, ReadsUtf8(host)};
  return quarvel::CheckScripts(host, WhyImageCannotLoad, scripts, options, "quarvel", stdout,
                               stderr);
}

// Lists the printers, one a line: what to give --printer, the make and
// model, and whether it accepts jobs.
int ListPrinters(const quarvel::CommandLine& line) {
  for (const quarvel::ListedPrinter& printer : quarvel::FindPrinters(line.timeout_seconds)) {
    std::printf("%s\t%s\t%s\n", printer.destination.c_str(), printer.make_and_model.c_str(),
                printer.accepting ? "accepting" : "not accepting");
  }
  return kSuccess;
}

int ServeLanguage(const quarvel::CommandLine& line) {
  quarvel::PosixHost system_host(line.encoding.c_str());
  const quarvel::CheckOptions options{line.checks, ReadsUtf8(system_host)};
  quarvel::LanguageServer server(system_host, WhyImageCannotLoad, options, QUARVEL_VERSION);
  return quarvel::RunLanguageServer(server, stdin, stdout, stderr, "quarvel");
}

// Closes standard output as the GNU tools do at their end: a write to it
// that failed, or that closing it makes fail, fails the run, with one
// message unless the run failed already. Standard output closed before the
// run is no failure when nothing was written to it.
int CloseStandardOutput(int status) {
  const bool pending = __fpending(stdout) != 0;
  const bool failed_before = std::ferror(stdout) != 0;
  const bool failed_now = std::fclose(stdout) != 0;
  if (!failed_before && !(failed_now && (pending || errno != EBADF))) return status;
  if (status == kSuccess) {
    quarvel::ReportError(std::string("write error") +
                         (failed_now ? std::string(": ") + std::strerror(errno) : ""));
  }
  return kFailure;
}

int Run(const quarvel::CommandLine& line) {
  switch (line.mode) {
    case quarvel::Mode::kHelp: std::fputs(quarvel::UsageText().c_str(), stdout); return kSuccess;
    case quarvel::Mode::kVersion: std::printf("quarvel %s\n", QUARVEL_VERSION); return kSuccess;
    case quarvel::Mode::kPrint: return Print(line);
    case quarvel::Mode::kCheck: return Check(line);
    case quarvel::Mode::kLanguageServer: return ServeLanguage(line);
    case quarvel::Mode::kListPrinters: return ListPrinters(line);
  }
  return kSuccess;
}

// Holds the place of a standard stream that the run was started without,
// so that no file that the run opens takes its number: what is written to
// a closed standard output would go into it. The place is /dev/null, open
// the other way, so that the stream still fails as a closed one does.
void HoldClosedStandardStreams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardStreams();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = quarvel::ParseCommandLine(arguments, std::getenv);
  if (const auto* usage = std::get_if<quarvel::UsageError>(&parsed)) {
    std::fprintf(stderr, "quarvel: %s\nTry 'quarvel --help' for more information.\n",
                 usage->message.c_str());
    return kUsageError;
  }
  int status = kFailure;
  try {
    status = Run(std::get<quarvel::CommandLine>(parsed));
  } catch (const std::bad_alloc&) {
    quarvel::ReportError("out of memory");
  }
  return CloseStandardOutput(status);
}
