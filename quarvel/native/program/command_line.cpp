#include "native/program/command_line.h"

#include <algorithm>
#include <cmath>

#include "native/render/page_geometry.h"
#include "posix/posix_host.h"

namespace quarvel {

namespace {

constexpr std::string_view kDefaultJobName = "MyDoc";
constexpr int kDefaultDpi = 600;
// The largest side of a PNG page, as cairo can draw it.
constexpr double kMaxPngSide = 32767;

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
  // Whether a -W option was given.
  bool kinds_chosen = false;
};

// Applies an option's value; returns what the value should have been when
// it is not valid.
using ApplyOption = std::optional<std::string_view> (*)(std::string_view value, Given& given);

struct OptionSpec {
  char short_name;  // '\0' when the option has none
  std::string_view long_name;
  // The value's name in the help; empty for an option without a value.
  std::string_view value_name;
  std::string_view help;
  ApplyOption apply;
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

// The options, in the order of the help.
constexpr OptionSpec kOptions[] = {
    {'o', "output", "FILE", "write the first job to FILE (\"-\": standard output)",
     [](std::string_view value, Given& given) -> std::optional<std::string_view> {
       given.destinations.push_back(Destination::kFile);
       return Store(NonEmpty(value), given.output, "a file name");
     }},
    {'P', "printer", "DEST", "print to the CUPS queue DEST, or to the IPP printer at the URI DEST",
     [](std::string_view value, Given& given) -> std::optional<std::string_view> {
       given.destinations.push_back(Destination::kPrinter);
       return Store(NonEmpty(value), given.printer, "a printer");
     }},
    {'T', "format", "FORMAT", "pdf, ps, svg or png (default: by FILE's ending, else pdf)",
     [](std::string_view value, Given& given) {
       return Store(ParseFormat(value), given.format, "pdf, ps, svg or png");
     }},
    {'\0', "log", "", "write the operation log to standard output instead",
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.destinations.push_back(Destination::kLog);
       return std::nullopt;
     }},
    {'\0', "dpi", "N", "the printer's resolution, 72 to 4800 (default 600)",
     [](std::string_view value, Given& given) {
       return Store(ParseDpi(value), given.dpi, kDpiExpected);
     }},
    {'\0', "paper", "SIZE", "a4 (the default), letter, legal, a3, a5, or WIDTHxHEIGHTmm",
     [](std::string_view value, Given& given) {
       return Store(ParsePaper(value), given.paper, kPaperExpected);
     }},
    {'\0', "orientation", "NAME", "portrait or landscape (default: as the script asks)",
     [](std::string_view value, Given& given) {
       return Store(ParseOrientation(value), given.orientation, "portrait or landscape");
     }},
    {'\0', "encoding", "NAME", "the code page of the script (default WINDOWS-1250)",
     [](std::string_view value, Given& given) {
       return Store(ParseEncoding(value), given.encoding, kEncodingExpected);
     }},
    {'\0', "check", "", "check each SCRIPT (one or more) and report its faults instead",
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kCheck;
       return std::nullopt;
     }},
    {'W', "", "NAME", "with --check: report findings of kind NAME; -Wno-NAME: do not",
     [](std::string_view value, Given& given) -> std::optional<std::string_view> {
       given.kinds_chosen = true;
       if (given.line.checks.Apply("-W" + std::string(value))) return std::nullopt;
       return "a kind of finding, or no- and a kind (see below)";
     }},
    {'q', "quiet", "", "show no progress and no warnings",
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.quiet = true;
       return std::nullopt;
     }},
    {'h', "help", "", "show this help and exit",
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kHelp;
       return std::nullopt;
     }},
    {'\0', "version", "", "show the version and exit",
     [](std::string_view, Given& given) -> std::optional<std::string_view> {
       given.line.mode = Mode::kVersion;
       return std::nullopt;
     }},
};

// The modes that need nothing but themselves: the rest of the command line
// is left unread.
bool EndsParsing(Mode mode) { return mode == Mode::kHelp || mode == Mode::kVersion; }

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The arguments of a command line, read one after the other.
class Arguments {
 public:
  explicit Arguments(std::span<const std::string> arguments) : arguments_(arguments) {}

  bool done() const { return next_ == arguments_.size(); }
  const std::string& Take() { return arguments_[next_++]; }

 private:
  std::span<const std::string> arguments_;
  size_t next_ = 0;
};

std::optional<std::string> Apply(const OptionSpec& option, std::string_view shown,
                                 std::string_view value, Given& given) {
  const std::optional<std::string_view> expected = option.apply(value, given);
  if (!expected) return std::nullopt;
  return "invalid argument " + Quoted(value) + " for " + Quoted(shown) + ": expected " +
         std::string(*expected);
}

// The long option that `name` names in full or as the start of one name.
std::variant<const OptionSpec*, std::string> FindLongOption(std::string_view name) {
  std::vector<const OptionSpec*> found;
  for (const OptionSpec& option : kOptions) {
    if (option.long_name == name) return &option;
    if (option.long_name.starts_with(name)) found.push_back(&option);
  }
  if (found.size() == 1) return found.front();
  if (found.empty()) return "unrecognized option " + Quoted("--" + std::string(name));
  std::string message =
      "option " + Quoted("--" + std::string(name)) + " is ambiguous; possibilities:";
  for (const OptionSpec* option : found)
    message += " " + Quoted("--" + std::string(option->long_name));
  return message;
}

// Reads "--NAME", "--NAME=VALUE" or "--NAME VALUE".
std::optional<std::string> ParseLongOption(std::string_view body, Arguments& arguments,
                                           Given& given) {
  const size_t equals = body.find('=');
  const auto found = FindLongOption(body.substr(0, equals));
  if (const auto* message = std::get_if<std::string>(&found)) return *message;
  const OptionSpec& option = *std::get<const OptionSpec*>(found);
  const std::string shown = "--" + std::string(option.long_name);
  if (option.value_name.empty()) {
    if (equals != std::string_view::npos)
      return "option " + Quoted(shown) + " doesn't allow an argument";
    return Apply(option, shown, "", given);
  }
  if (equals != std::string_view::npos) return Apply(option, shown, body.substr(equals + 1), given);
  if (arguments.done()) return "option " + Quoted(shown) + " requires an argument";
  return Apply(option, shown, arguments.Take(), given);
}

const OptionSpec* FindShortOption(char name) {
  for (const OptionSpec& option : kOptions) {
    if (option.short_name == name) return &option;
  }
  return nullptr;
}

// Reads "-X", bundles such as "-qX", and "-oVALUE" or "-o VALUE".
std::optional<std::string> ParseShortOptions(std::string_view body, Arguments& arguments,
                                             Given& given) {
  for (size_t i = 0; i < body.size(); ++i) {
    const OptionSpec* option = FindShortOption(body[i]);
    if (option == nullptr) return "invalid option -- " + Quoted(body.substr(i, 1));
    const std::string shown = "-" + std::string(1, body[i]);
    if (option->value_name.empty()) {
      if (const auto error = Apply(*option, shown, "", given)) return error;
      continue;
    }
    if (i + 1 < body.size()) return Apply(*option, shown, body.substr(i + 1), given);
    if (arguments.done()) return "option requires an argument -- " + Quoted(body.substr(i, 1));
    return Apply(*option, shown, arguments.Take(), given);
  }
  return std::nullopt;
}

// Reads every option and operand, up to --help or --version.
std::optional<std::string> ParseArguments(Arguments& arguments, Given& given) {
  bool options_ended = false;
  while (!arguments.done() && !EndsParsing(given.line.mode)) {
    const std::string& argument = arguments.Take();
    std::optional<std::string> error;
    if (options_ended || argument == "-" || !argument.starts_with("-")) {
      given.line.scripts.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument.starts_with("--")) {
      error = ParseLongOption(std::string_view(argument).substr(2), arguments, given);
    } else {
      error = ParseShortOptions(std::string_view(argument).substr(1), arguments, given);
    }
    if (error) return error;
  }
  return std::nullopt;
}

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
  if (line.mode != Mode::kCheck) {
    if (given.kinds_chosen) return "-W applies to --check only";
    return std::nullopt;
  }
  if (!given.destinations.empty() || given.format) {
    return "--check prints nothing: it takes no --output, --printer, --log or --format";
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
  if (line.destination == Destination::kPrinter && format.file_per_page) {
    return "a printer takes pdf or ps, not " + std::string(format.name);
  }
  if (line.destination == Destination::kFile && line.output == "-" && format.file_per_page) {
    return std::string(format.name) + " writes a file per page, not standard output";
  }
  const SheetSize sheet = SheetOf(line.page.device);
  if (line.page.format == OutputFormat::kPng &&
      std::ceil(std::max(sheet.width_pixels, sheet.height_pixels)) > kMaxPngSide) {
    return "pages of this paper at " + std::to_string(line.page.device.dpi) +
           " dpi exceed the 32767 pixels of a PNG side; lower --dpi";
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
  line.page.device.dpi =
      given.dpi ? *given.dpi
                : FromEnvironment<int>(environment, "QUARVEL_DPI", ParseDpi, kDpiExpected, warnings)
                      .value_or(kDefaultDpi);
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
  if (const auto error = CheckCheckingCombination(given, line)) return UsageError{*error};
  if (line.mode == Mode::kCheck) return line;
  ResolveFormat(given, line);
  if (const auto error = CheckCombination(given, line)) return UsageError{*error};
  return line;
}

}  // namespace

std::variant<CommandLine, UsageError> ParseCommandLine(std::span<const std::string> arguments,
                                                       const Environment& environment) {
  Given given;
  Arguments reader(arguments);
  if (const auto error = ParseArguments(reader, given)) return UsageError{*error};
  if (EndsParsing(given.line.mode)) return given.line;
  return Resolve(std::move(given), environment);
}

std::string UsageText() {
  std::string text =
      "Usage: quarvel [OPTION]... SCRIPT\n"
      "  or:  quarvel --check [-WNAME | -Wno-NAME]... SCRIPT...\n"
      "Print the document that the document script SCRIPT describes: to a PDF file\n"
      "by default, to a file of another format, to a printer, or as an operation log.\n"
      "With SCRIPT -, the script is read from standard input.\n"
      "\n";
  for (const OptionSpec& option : kOptions) {
    std::string names =
        option.short_name != '\0' ? "  -" + std::string(1, option.short_name) + ", " : "      ";
    if (option.long_name.empty()) {
      names.resize(names.size() - 2);
      names += option.value_name;
    } else {
      names += "--" + std::string(option.long_name);
      if (!option.value_name.empty()) names += "=" + std::string(option.value_name);
    }
    names.resize(std::max<size_t>(names.size() + 2, 26), ' ');
    text += names + std::string(option.help) + "\n";
  }
  text +=
      "\n"
      "The first job goes to FILE (default MyDoc.pdf, or MyDoc.ps, .svg, .png by the\n"
      "format); later jobs add -2, -3, ... before the format's ending (MyDoc-2.pdf).\n"
      "SVG and PNG make a file per page, which adds -pPAGE: MyDoc-p1.png, MyDoc-p2.png,\n"
      "and MyDoc-2-p1.png for the second job. A file appears only once it is whole.\n"
      "\n"
      "With --check, nothing is printed: each line of SCRIPT whose effect is likely\n"
      "not the one meant is reported on standard output as\n"
      "PATH:LINE: warning: MESSAGE [-WNAME], and a count per script on standard error.\n" +
      WarningKindsHelp() +
      "\n"
      "Environment, the defaults of the options, which win over it:\n"
      "  QUARVEL_PRINTER   pdf (files, the default), log (as --log), or DEST as --printer\n"
      "  QUARVEL_OUTPUT    FILE, as --output\n"
      "  QUARVEL_DPI       as --dpi\n"
      "  QUARVEL_PAPER     as --paper\n"
      "  QUARVEL_CODEPAGE  as --encoding\n"
      "\n"
      "Exit status: 0 when every job was delivered, 1 when the script cannot be opened\n"
      "or a job could not be written or printed, 2 when the command line is wrong.\n"
      "With --check: 0 when no script has a finding, 1 when one has, 2 when a script\n"
      "cannot be opened or the command line is wrong.\n";
  return text;
}

}  // namespace quarvel
