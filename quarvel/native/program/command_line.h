// The command line of the native program:
//
//   quarvel [OPTION]... SCRIPT
//   quarvel --check [-WNAME | -Wno-NAME]... SCRIPT...
//   quarvel --list-printers
//
// Options in the GNU manner: short ones bundled ("-qo out.pdf") or with
// their value attached ("-oout.pdf"), long ones abbreviated to any unique
// start, with "=VALUE" or the next argument as value, anywhere among the
// operands; "--" ends them. The settings in the environment are the
// defaults, and options win over them.
#ifndef QUARVEL_NATIVE_PROGRAM_COMMAND_LINE_H_
#define QUARVEL_NATIVE_PROGRAM_COMMAND_LINE_H_

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "checker/diagnostics.h"
#include "native/ipp/job_plan.h"
#include "native/job/print_job.h"
#include "native/render/page_settings.h"

namespace quarvel {

// What a run does.
enum class Mode { kPrint, kCheck, kLanguageServer, kListPrinters, kHelp, kVersion };

// Where the jobs of a run go.
enum class Destination { kFile, kPrinter, kLog };

// A command line after parsing, with every default filled in.
struct CommandLine {
  Mode mode = Mode::kPrint;
  Destination destination = Destination::kFile;
  // The file of the first job, "-" for standard output.
  std::string output = "MyDoc.pdf";
  // A CUPS queue, or the URI of an IPP printer.
  std::string printer;
  PageSettings page;
  // What a printer is asked for: the options of the job (and whether the
  // format and the resolution were chosen), how long a wait on it may last,
  // and whether each job is followed until the printer ends it.
  JobOptions job;
  int timeout_seconds = 30;
  bool wait = false;
  // The code page of the script, an iconv name.
  std::string encoding;
  bool quiet = false;
  std::vector<std::string> scripts;
  // The kinds of finding that --check reports.
  WarningSet checks = WarningSet::Default();
  // Settings of the environment that were ignored, one message each.
  std::vector<std::string> warnings;
};

// What is wrong with a command line, as one line without the program's
// name.
struct UsageError {
  std::string message;
};

// Reads the environment's settings by name; null when one is not set.
using Environment = std::function<const char*(const char* name)>;

// Parses `arguments` (without the program's name) over the settings of
// `environment` (QUARVEL_PRINTER, QUARVEL_OUTPUT, QUARVEL_DPI, QUARVEL_PAPER,
// QUARVEL_CODEPAGE, QUARVEL_TIMEOUT, and SOURCE_DATE_EPOCH for the date of the files made,
// by default now). An invalid setting in the environment is ignored, with
// a warning; an invalid option is a usage error.
std::variant<CommandLine, UsageError> ParseCommandLine(std::span<const std::string> arguments,
                                                       const Environment& environment);

// The text of --help.
std::string UsageText();

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PROGRAM_COMMAND_LINE_H_
