#include "native/program/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

#include "checker/check_command.h"
#include "cli/options.h"
#include "native/render/page_geometry.h"
#include "posix/posix_host.h"

namespace quarvel {

namespace {

constexpr std::string_view kDefaultJobName = "MyDoc";
constexpr int kDefaultDpi = 600;
constexpr int kDefaultTimeout = 30;
// The largest side of a raster page, as cairo can draw it.
constexpr double kMaxRasterSide = 32767;

// The options as the command line gives them, before the defaults.
struct Given {
  CommandLine line;
  std::vector<Destination> destinations;
  std::optional<std::string> output;
  std::optional<std::string> printer;
  std::optional<OutputFormat> format;
  std::optional<int> dpi;
  std::optional<Paper> paper;
  std::optional<Orientation> orientation;
  std::optional<std::string> encoding;
  std::optional<int> timeout;
  std::optional<int> copies;
  // The options that apply to printers only, as given.
  std::vector<std::string_view> printer_options;
  // Whether a -W option was given.
  bool kinds_chosen = false;
};

std::optional<OutputFormat> ParseFormat(std::string_view text) {
  for (const OutputFormat format : kOutputFormats) {
    if (InfoOf(format).name == text) return format;
  }
  return std::nullopt;
}

std::optional<Orientation> ParseOrientation(std::string_view text) {
  if (text == "portrait") return Orientation::kPortrait;
  if (text == "landscape") return Orientation::kLandscape;
  return std::nullopt;
}

std::optional<std::string> ParseEncoding(std::string_view text) {
  const std::string name(text);
  if (name.empty() || !IsKnownCodePage(name.c_str())) return std::nullopt;
  return name;
}

// A time as SOURCE_DATE_EPOCH gives it: a whole number of seconds since
// 1970, in UTC.
std::optional<int64_t> ParseEpoch(std::string_view text) {
  int64_t seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 0) return std::nullopt;
  return seconds;
}

// A whole number from `low` to `high`.
std::optional<int> ParseNumber(std::string_view text, int low, int high) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < low || number > high) {
    return std::nullopt;
  }
  return number;
}

std::optional<int> ParseTimeout(std::string_view text) { return ParseNumber(text, 1, 86400); }

// `text` when it is one of `keywords`.
std::optional<std::string> OneOf(std::string_view text,
                                 std::initializer_list<std::string_view> keywords) {
  for (const std::string_view keyword : keywords) {
    if (text == keyword) return std::string(text);
  }
  return std::nullopt;
}

std::optional<std::string> ParseMedia(std::string_view text) {
  if (!MediaSize(text)) return std::nullopt;
  return std::string(text);
}

std::optional<std::string> NonEmpty(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return std::string(text);
}

// Stores `parsed` in `field`, or tells what was expected instead.
template <typename T, typename U>
std::optional<std::string_view> Store(std::optional<T> parsed, std::optional<U>& field,
                                      std::string_view expected) {
  if (!parsed) return expected;
  field = std::move(*parsed);
  return std::nullopt;
}

constexpr std::string_view kDpiExpected = "a resolution from 72 to 4800";
constexpr std::string_view kPaperExpected = "a4, letter, legal, a3, a5 or WIDTHxHEIGHTmm";
constexpr std::string_view kEncodingExpected = "a code page that iconv knows";
constexpr std::string_view kTimeoutExpected = "a number of seconds from 1 to 86400";

// Notes that the printer option `name` was given.
template <typename T>
std::optional<std::string_view> StorePrinterOption(std::string_view name, std::optional<T> parsed,
                                                   std::optional<T>& field,
                                                   std::string_view expected, Given& given) {
  given.printer_options.push_back(name);
  return Store(std::move(parsed), field, expected);
}

// The options, in the order of the help.
constexpr Option<Given> kOptions[] = {
    {{'o', "output", "FILE", "write the first job to FILE (\"-\": standard output)"},
     [](std::string_view value, Given& given) -> std::optional<std::string_view> {
       given.destinations.push_back(Destination::kFile);
       return Store(NonEmpty(value), given.output, "a file name");
     }},
    {{'P', "printer", "DEST",
      "print to the CUPS queue DEST, or to the IPP printer at the URI DEST"},
     [](std::string_view value, Given& given) -> std::optional<std::string_view> {
       given.destinations.push_back(Destination::kPrinter);
       return Store(NonEmpty(value), given.printer, "a printer");
     }},
    {{'T', "format", "FORMAT",
      "pdf, ps, svg, png, pwg, urf, jpeg (default: by FILE, or as the printer takes)"},
     [](std::string_view value, Given& given) {
       return Store(ParseFormat(value), given.format, "pdf, ps, svg, png, pwg, urf or jpeg");
     }},
    {{'n', "copies", "N", "with --printer: print N copies"},
     [](std::string_view value, Given& given) {
       return StorePrinterOption("--copies", ParseNumber(value, 1, 9999), given.copies,
                                 "a number of copies from 1 to 9999", given);
     }},
    {{'\0', "sides", "SIDES",
      "with --printer: one-sided, two-sided-long-edge, two-sided-short-edge"},
     [](std::string_view value, Given& given) {
       return StorePrinterOption(
           "--sides", OneOf(value, {"one-sided", "two-sided-long-edge", "two-sided-short-edge"}),
           given.line.job.sides, "one-sided, two-sided-long-edge or two-sided-short-edge", given);
     }},
    {{'\0', "media", "NAME", "with --printer: the paper by its PWG name, as iso_a4_210x297mm"},
     [](std::string_view value, Given& given) {
       return StorePrinterOption("--media", ParseMedia(value), given.line.job.media,
                                 "a PWG media name such as iso_a4_210x297mm", given);
     }},
    {{'\0', "color-mode", "MODE", "with --printer: auto, color or monochrome"},
     [](std::string_view value, Given& given) {
       return StorePrinterOption("--color-mode", OneOf(value, {"auto", "color", "monochrome"}),
                                 given.line.job.color_mode, "auto, color or monochrome", given);
     }},
    {{'\0', "timeout", "SECONDS", "give up on a printer silent for SECONDS (default 30)"},
     [](std::string_view value, Given& given) {
       return Store(ParseTimeout(value), given.timeout, kTimeoutExpected);
     }},
    {{'\0', "wait", "", "with --printer: wait until each job is printed"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.printer_options.push_back("--wait");
       given.line.wait = true;
       return std::nullopt;
     }},
    {{'\0', "list-printers", "", "list the CUPS queues and the network's IPP printers"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kListPrinters;
       return std::nullopt;
     }},
    {{'\0', "log", "", "write the operation log to standard output instead"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.destinations.push_back(Destination::kLog);
       return std::nullopt;
     }},
    {{'\0', "dpi", "N", "the printer's resolution, 72 to 4800 (default 600)"},
     [](std::string_view value, Given& given) {
       return Store(ParseDpi(value), given.dpi, kDpiExpected);
     }},
    {{'\0', "paper", "SIZE", "a4 (the default), letter, legal, a3, a5, or WIDTHxHEIGHTmm"},
     [](std::string_view value, Given& given) {
       return Store(ParsePaper(value), given.paper, kPaperExpected);
     }},
    {{'\0', "orientation", "NAME", "portrait or landscape (default: as the script asks)"},
     [](std::string_view value, Given& given) {
       return Store(ParseOrientation(value), given.orientation, "portrait or landscape");
     }},
    {{'\0', "encoding", "NAME", "the code page of the script (default WINDOWS-1250)"},
     [](std::string_view value, Given& given) {
       return Store(ParseEncoding(value), given.encoding, kEncodingExpected);
     }},
    {{'\0', "check", "", "check each SCRIPT (one or more) and report its faults instead"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kCheck;
       return std::nullopt;
     }},
    {{'\0', "lsp", "", "serve editors as a language server on standard input and output"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kLanguageServer;
       return std::nullopt;
     }},
    {{'W', "", "NAME", "with --check: report findings of kind NAME; -Wno-NAME: do not"},
     [](std::string_view value, Given& given) -> std::optional<std::string_view> {
       given.kinds_chosen = true;
       return ApplyWarningOption(value, given.line.checks);
     }},
    {{'q', "quiet", "", "show no progress and no warnings"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.quiet = true;
       return std::nullopt;
     }},
    {{'h', "help", "", "show this help and exit"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kHelp;
       return std::nullopt;
     }},
    {{'\0', "version", "", "show the version and exit"},
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kVersion;
       return std::nullopt;
     }},
};

// The modes that need nothing but themselves: the rest of the command line
// is left unread.
bool EndsParsing(const Given& given) {
  return given.line.mode == Mode::kHelp || given.line.mode == Mode::kVersion;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The setting `name` of the environment, read by `parse`; a setting that
// does not read is ignored with a warning.
template <typename T, typename Parse>
std::optional<T> FromEnvironment(const Environment& environment, const char* name, Parse parse,
                                 std::string_view expected, std::vector<std::string>& warnings) {
  const char* value = environment(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  std::optional<T> parsed = parse(value);
  if (!parsed) {
    warnings.push_back("ignoring " + std::string(name) + "=" + Quoted(value) + ": expected " +
                       std::string(expected));
  }
  return parsed;
}

// The destination and its file or printer, from the options, else from
// QUARVEL_PRINTER and QUARVEL_OUTPUT.
std::optional<std::string> ResolveDestination(const Given& given, const Environment& environment,
                                              CommandLine& line) {
  std::vector<Destination> chosen = given.destinations;
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  if (chosen.size() > 1) return "--output, --printer and --log exclude one another";
  const std::string printer = environment("QUARVEL_PRINTER") ? environment("QUARVEL_PRINTER") : "";
  line.destination = printer == "log"                      ? Destination::kLog
                     : printer.empty() || printer == "pdf" ? Destination::kFile
                                                           : Destination::kPrinter;
  if (!chosen.empty()) line.destination = chosen.front();
  line.printer = given.printer.value_or(printer);
  const char* output = environment("QUARVEL_OUTPUT");
  line.output = given.output.value_or(output != nullptr ? output : "");
  return std::nullopt;
}

// What a printer is asked for: the format as chosen, and the paper of
// --media, else that of --paper.
void ResolveJobOptions(const Given& given, CommandLine& line) {
  JobOptions& job = line.job;
  job.format = given.format;
  job.fallback_dpi = kDefaultDpi;
  job.copies = given.copies.value_or(1);
  if (job.media) {
    const auto [width, height] = *MediaSize(*job.media);
    line.page.device.paper = {width, height};
  }
  job.paper_media =
      MediaName(line.page.device.paper.width_points, line.page.device.paper.height_points);
}

// The format from --format, else from the output file's ending, else PDF;
// and the output file by the format when none was named.
void ResolveFormat(const Given& given, CommandLine& line) {
  const std::optional<OutputFormat> by_ending =
      line.destination == Destination::kFile ? FormatOfPath(line.output) : std::nullopt;
  line.page.format = given.format.value_or(by_ending.value_or(OutputFormat::kPdf));
  if (line.output.empty()) {
    line.output = std::string(kDefaultJobName) + std::string(InfoOf(line.page.format).extension);
  }
}

// The combinations of settings that a check cannot take.
std::optional<std::string> CheckCheckingCombination(const Given& given, const CommandLine& line) {
  if (line.mode == Mode::kPrint) {
    if (given.kinds_chosen) return "-W applies to --check and --lsp only";
    return std::nullopt;
  }
  if (line.mode == Mode::kListPrinters) {
    if (!line.scripts.empty()) return "--list-printers takes no SCRIPT operand";
    return std::nullopt;
  }
  const std::string mode = line.mode == Mode::kCheck ? "--check" : "--lsp";
  if (!given.destinations.empty() || given.format) {
    return mode + " prints nothing: it takes no --output, --printer, --log or --format";
  }
  if (line.mode == Mode::kLanguageServer) {
    if (!line.scripts.empty()) return "--lsp takes no SCRIPT operand";
    return std::nullopt;
  }
  if (line.scripts.empty()) return "missing SCRIPT operand";
  return std::nullopt;
}

// The combinations of settings that cannot be carried out.
std::optional<std::string> CheckCombination(const Given& given, const CommandLine& line) {
  const OutputFormatInfo& format = InfoOf(line.page.format);
  if (line.destination == Destination::kLog && given.format) {
    return "--format does not apply to --log";
  }
  if (line.destination != Destination::kPrinter && !given.printer_options.empty()) {
    return std::string(given.printer_options.front()) + " applies to --printer only";
  }
  if (line.destination == Destination::kFile && line.output == "-" && format.file_per_page) {
    return std::string(format.name) + " writes a file per page, not standard output";
  }
  if (const std::optional<OutputFormat> named = FormatOfPath(line.output);
      line.destination == Destination::kFile && named && *named != line.page.format) {
    return "the output " + Quoted(line.output) + " ends in " +
           std::string(InfoOf(*named).extension) + ", not in the " + std::string(format.extension) +
           " of --format " + std::string(format.name);
  }
  const SheetSize sheet = SheetOf(line.page.device);
  if (format.raster &&
      std::ceil(std::max(sheet.width_pixels, sheet.height_pixels)) > kMaxRasterSide) {
    return "pages of this paper at " + std::to_string(line.page.device.dpi) +
           " dpi exceed the 32767 pixels of a " +
           (line.page.format == OutputFormat::kPng ? std::string("PNG") : "raster page's") +
           " side; lower --dpi";
  }
  if (line.scripts.empty()) return "missing SCRIPT operand";
  if (line.scripts.size() > 1) {
    return "extra operand " + Quoted(line.scripts[1]);
  }
  return std::nullopt;
}

std::variant<CommandLine, UsageError> Resolve(Given given, const Environment& environment) {
  CommandLine line = std::move(given.line);
  if (const auto error = ResolveDestination(given, environment, line)) return UsageError{*error};
  std::vector<std::string>& warnings = line.warnings;
  line.job.dpi = given.dpi ? given.dpi
                           : FromEnvironment<int>(environment, "QUARVEL_DPI", ParseDpi,
                                                  kDpiExpected, warnings);
  line.page.device.dpi = line.job.dpi.value_or(kDefaultDpi);
  line.page.device.paper = given.paper
                               ? *given.paper
                               : FromEnvironment<Paper>(environment, "QUARVEL_PAPER", ParsePaper,
                                                        kPaperExpected, warnings)
                                     .value_or(kA4);
  line.encoding = given.encoding
                      ? *given.encoding
                      : FromEnvironment<std::string>(environment, "QUARVEL_CODEPAGE", ParseEncoding,
                                                     kEncodingExpected, warnings)
                            .value_or(kDefaultCodePage);
  line.page.orientation = given.orientation;
  line.timeout_seconds = given.timeout
                             ? *given.timeout
                             : FromEnvironment<int>(environment, "QUARVEL_TIMEOUT", ParseTimeout,
                                                    kTimeoutExpected, warnings)
                                   .value_or(kDefaultTimeout);
  ResolveJobOptions(given, line);
  line.page.created = FromEnvironment<int64_t>(environment, "SOURCE_DATE_EPOCH", ParseEpoch,
                                               "seconds since 1970", warnings)
                          .value_or(static_cast<int64_t>(std::time(nullptr)));
  if (const auto error = CheckCheckingCombination(given, line)) return UsageError{*error};
  if (line.mode != Mode::kPrint) return line;
  ResolveFormat(given, line);
  if (const auto error = CheckCombination(given, line)) return UsageError{*error};
  return line;
}

}  // namespace

std::variant<CommandLine, UsageError> ParseCommandLine(std::span<const std::string> arguments,
                                                       const Environment& environment) {
  Given given;
  const ParsedOptions parsed =
      ParseOptions(std::span<const Option<Given>>(kOptions), arguments, given, EndsParsing);
  if (const auto* error = std::get_if<std::string>(&parsed)) return UsageError{*error};
  if (EndsParsing(given)) return given.line;
  for (const size_t operand : std::get<std::vector<size_t>>(parsed)) {
    given.line.scripts.push_back(arguments[operand]);
  }
  return Resolve(std::move(given), environment);
}

std::string UsageText() {
  std::string text =
      "Usage: quarvel [OPTION]... SCRIPT\n"
      "  or:  quarvel --check [-WNAME | -Wno-NAME]... SCRIPT...\n"
      "  or:  quarvel --lsp [-WNAME | -Wno-NAME]...\n"
      "Print the document that the document script SCRIPT describes: to a PDF file\n"
      "by default, to a file of another format, to a printer, or as an operation log.\n"
      "With SCRIPT -, the script is read from standard input.\n"
      "\n";
  text += OptionsHelp(FormsOf(std::span<const Option<Given>>(kOptions)));
  text +=
      "\n"
      "The first job goes to FILE (default MyDoc.pdf, or MyDoc.ps, .svg, .png by the\n"
      "format); later jobs add -2, -3, ... before the format's ending (MyDoc-2.pdf).\n"
      "SVG, PNG and JPEG make a file per page, which adds -pPAGE: MyDoc-p1.png,\n"
      "MyDoc-p2.png, and MyDoc-2-p1.png for the second job. A file appears only once\n"
      "it is whole. A printer is asked first what it takes; see quarvel(1).\n"
      "\n"
      "With --check, nothing is printed: each line of SCRIPT whose effect is likely\n"
      "not the one meant is reported on standard output as\n"
      "PATH:LINE: warning: MESSAGE [-WNAME], and a count per script on standard error.\n"
      "With --lsp, the same findings go to an editor as the diagnostics of a language\n"
      "server (LSP 3.17) on standard input and output, with hover, an outline,\n"
      "completion, fixes and semantic tokens; see quarvel(1).\n" +
      WarningKindsHelp() +
      "\n"
      "Environment, the defaults of the options, which win over it:\n"
      "  QUARVEL_PRINTER   pdf (files, the default), log (as --log), or DEST as --printer\n"
      "  QUARVEL_OUTPUT    FILE, as --output\n"
      "  QUARVEL_DPI       as --dpi\n"
      "  QUARVEL_PAPER     as --paper\n"
      "  QUARVEL_CODEPAGE  as --encoding\n"
      "  QUARVEL_TIMEOUT   as --timeout\n"
      "  SOURCE_DATE_EPOCH the PDF files' date, in seconds since 1970 (default: now)\n"
      "\n"
      "Exit status: 0 when every job was delivered, 1 when the script cannot be opened\n"
      "or a job could not be written or printed, 2 when the command line is wrong.\n"
      "With --check: 0 when no script has a finding, 1 when one has, 2 when a script\n"
      "cannot be opened or the command line is wrong.\n";
  return text;
}

}  // namespace quarvel
