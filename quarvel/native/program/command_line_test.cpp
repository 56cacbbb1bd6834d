#include "native/program/command_line.h"

#include <gtest/gtest.h>

#include <map>

namespace quarvel {
namespace {

using Variables = std::map<std::string, std::string>;

std::variant<CommandLine, UsageError> Parse(const std::vector<std::string>& arguments,
                                            const Variables& variables = {}) {
  return ParseCommandLine(arguments, [&variables](const char* name) -> const char* {
    const auto found = variables.find(name);
    return found == variables.end() ? nullptr : found->second.c_str();
  });
}

CommandLine Parsed(const std::vector<std::string>& arguments, const Variables& variables = {}) {
  auto parsed = Parse(arguments, variables);
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    ADD_FAILURE() << testing::PrintToString(arguments) << ": " << error->message;
    return {};
  }
  return std::get<CommandLine>(parsed);
}

// Guards against an option that does not reach its setting, in any of the
// spellings that getopt_long accepts.
TEST(ParseCommandLineTest, EveryOptionReachesItsSetting) {
  EXPECT_EQ(Parsed({"s.txt"}).output, "MyDoc.pdf");
  EXPECT_EQ(Parsed({"-o", "a.pdf", "s.txt"}).output, "a.pdf");
  EXPECT_EQ(Parsed({"-oa.pdf", "s.txt"}).output, "a.pdf");
  EXPECT_EQ(Parsed({"--output=a.pdf", "s.txt"}).output, "a.pdf");
  EXPECT_EQ(Parsed({"--out", "a.pdf", "s.txt"}).output, "a.pdf");
  EXPECT_EQ(Parsed({"s.txt", "-o", "a.pdf"}).output, "a.pdf") << "options after the script";
  EXPECT_EQ(Parsed({"-P", "Office", "s.txt"}).printer, "Office");
  EXPECT_EQ(Parsed({"--printer=ipp://127.0.0.1:631/ipp/print", "s.txt"}).destination,
            Destination::kPrinter);
  EXPECT_EQ(Parsed({"--log", "s.txt"}).destination, Destination::kLog);
  EXPECT_EQ(Parsed({"-T", "ps", "s.txt"}).page.format, OutputFormat::kPostScript);
  EXPECT_EQ(Parsed({"--dpi", "300", "s.txt"}).page.device.dpi, 300);
  EXPECT_EQ(Parsed({"--paper=legal", "s.txt"}).page.device.paper, (Paper{612, 1008}));
  EXPECT_EQ(Parsed({"--orientation", "landscape", "s.txt"}).page.orientation,
            Orientation::kLandscape);
  EXPECT_EQ(Parsed({"s.txt"}).page.orientation, std::nullopt);
  EXPECT_EQ(Parsed({"--encoding", "UTF-8", "s.txt"}).encoding, "UTF-8");
  EXPECT_EQ(Parsed({"s.txt"}).encoding, "WINDOWS-1250");
  EXPECT_TRUE(Parsed({"-qo", "a.pdf", "s.txt"}).quiet);
  EXPECT_EQ(Parsed({"--", "-o"}).scripts, std::vector<std::string>{"-o"});
  EXPECT_EQ(Parsed({"-"}).scripts, std::vector<std::string>{"-"});
  EXPECT_EQ(Parsed({"--help", "--bogus"}).mode, Mode::kHelp);
  EXPECT_EQ(Parsed({"-h"}).mode, Mode::kHelp);
  EXPECT_EQ(Parsed({"--vers"}).mode, Mode::kVersion);
  const CommandLine job =
      Parsed({"-P", "Office", "-n3", "--sides=two-sided-long-edge", "--media=na_letter_8.5x11in",
              "--color-mode=monochrome", "--timeout=5", "--wait", "s.txt"});
  EXPECT_EQ(job.job.copies, 3);
  EXPECT_EQ(job.job.sides, "two-sided-long-edge");
  EXPECT_EQ(job.job.color_mode, "monochrome");
  EXPECT_EQ(job.page.device.paper, kLetter) << "the paper follows --media";
  EXPECT_EQ(job.job.paper_media, "na_letter_8.5x11in");
  EXPECT_EQ(job.timeout_seconds, 5);
  EXPECT_TRUE(job.wait);
  EXPECT_EQ(job.job.dpi, std::nullopt) << "the printer's resolution unless one is chosen";
  EXPECT_EQ(Parsed({"--list-printers"}).mode, Mode::kListPrinters);
  const CommandLine check = Parsed({"--check", "a.txt", "-Wtraces", "b.txt", "-W", "no-image"});
  EXPECT_EQ(check.mode, Mode::kCheck);
  EXPECT_EQ(check.scripts, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(check.checks.Enabled(Warning::kTraces));
  EXPECT_FALSE(check.checks.Enabled(Warning::kImage));
}

// Guards against files named against the format, and formats taken
// against the file's name.
TEST(ParseCommandLineTest, FormatAndFileFollowEachOther) {
  const struct {
    std::vector<std::string> arguments;
    OutputFormat format;
    const char* output;
  } cases[] = {
      {{"s.txt"}, OutputFormat::kPdf, "MyDoc.pdf"},
      {{"-T", "png", "s.txt"}, OutputFormat::kPng, "MyDoc.png"},
      {{"-o", "x.SVG", "s.txt"}, OutputFormat::kSvg, "x.SVG"},
      {{"-o", "x.ps", "s.txt"}, OutputFormat::kPostScript, "x.ps"},
      {{"-o", "x.txt", "s.txt"}, OutputFormat::kPdf, "x.txt"},
      {{"-o", "x.out", "-T", "ps", "s.txt"}, OutputFormat::kPostScript, "x.out"},
      {{"-o", "-", "-T", "ps", "s.txt"}, OutputFormat::kPostScript, "-"},
  };
  for (const auto& c : cases) {
    const CommandLine line = Parsed(c.arguments);
    EXPECT_EQ(line.page.format, c.format) << testing::PrintToString(c.arguments);
    EXPECT_EQ(line.output, c.output) << testing::PrintToString(c.arguments);
  }
}

// Guards against wrong command lines that run anyway, and messages that do
// not name the problem.
TEST(ParseCommandLineTest, WrongCommandLinesAreUsageErrors) {
  const struct {
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {{}, "missing SCRIPT operand"},
      {{"a.txt", "b.txt"}, "extra operand 'b.txt'"},
      {{"--bogus", "s.txt"}, "unrecognized option '--bogus'"},
      {{"-x", "s.txt"}, "invalid option -- 'x'"},
      {{"s.txt", "-o"}, "option requires an argument -- 'o'"},
      {{"s.txt", "--dpi"}, "option '--dpi' requires an argument"},
      {{"--log=yes", "s.txt"}, "option '--log' doesn't allow an argument"},
      {{"--p", "x", "s.txt"}, "option '--p' is ambiguous; possibilities: '--printer' '--paper'"},
      {{"--dpi", "71", "s.txt"},
       "invalid argument '71' for '--dpi': expected a resolution from 72 to 4800"},
      {{"-T", "gif", "s.txt"},
       "invalid argument 'gif' for '-T': expected pdf, ps, svg, png, pwg, urf or jpeg"},
      {{"--paper", "b5", "s.txt"},
       "invalid argument 'b5' for '--paper': expected a4, letter, legal, a3, a5 or "
       "WIDTHxHEIGHTmm"},
      {{"--orientation=up", "s.txt"},
       "invalid argument 'up' for '--orientation': expected portrait or landscape"},
      {{"--encoding", "NO-SUCH-CODE", "s.txt"},
       "invalid argument 'NO-SUCH-CODE' for '--encoding': expected a code page that iconv knows"},
      {{"-P", "", "s.txt"}, "invalid argument '' for '-P': expected a printer"},
      {{"--output=", "s.txt"}, "invalid argument '' for '--output': expected a file name"},
      {{"-o", "a.pdf", "--log", "s.txt"}, "--output, --printer and --log exclude one another"},
      {{"--log", "-T", "ps", "s.txt"}, "--format does not apply to --log"},
      {{"-n", "2", "s.txt"}, "--copies applies to --printer only"},
      {{"-P", "Office", "--sides=both", "s.txt"},
       "invalid argument 'both' for '--sides': expected one-sided, two-sided-long-edge or "
       "two-sided-short-edge"},
      {{"-P", "Office", "--media=A4", "s.txt"},
       "invalid argument 'A4' for '--media': expected a PWG media name such as "
       "iso_a4_210x297mm"},
      {{"-P", "Office", "--timeout=0", "s.txt"},
       "invalid argument '0' for '--timeout': expected a number of seconds from 1 to 86400"},
      {{"--list-printers", "s.txt"}, "--list-printers takes no SCRIPT operand"},
      {{"-o", "-", "-T", "png", "s.txt"}, "png writes a file per page, not standard output"},
      {{"-T", "png", "-o", "out.PDF", "s.txt"},
       "the output 'out.PDF' ends in .pdf, not in the .png of --format png"},
      {{"-Wtraces", "s.txt"}, "-W applies to --check and --lsp only"},
      {{"--lsp", "s.txt"}, "--lsp takes no SCRIPT operand"},
      {{"--check", "-Wbogus", "s.txt"},
       "invalid argument 'bogus' for '-W': expected a kind of finding, or no- and a kind, as "
       "--help lists them"},
      {{"--check", "--log", "s.txt"},
       "--check prints nothing: it takes no --output, --printer, --log or --format"},
      {{"--check"}, "missing SCRIPT operand"},
      {{"-T", "png", "--dpi", "4800", "s.txt"},
       "pages of this paper at 4800 dpi exceed the 32767 pixels of a PNG side; lower --dpi"},
      {{"-T", "pwg", "--dpi", "4800", "s.txt"},
       "pages of this paper at 4800 dpi exceed the 32767 pixels of a raster page's side; lower "
       "--dpi"},
  };
  for (const auto& c : cases) {
    const auto parsed = Parse(c.arguments);
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << c.message;
    EXPECT_EQ(std::get<UsageError>(parsed).message, c.message);
  }
}

// Guards against the environment winning over the command line, and against
// a bad setting in it stopping the run instead of being ignored.
TEST(ParseCommandLineTest, EnvironmentGivesDefaultsThatOptionsOverride) {
  const Variables variables = {{"QUARVEL_PRINTER", "Office"}, {"QUARVEL_OUTPUT", "env.pdf"},
                               {"QUARVEL_DPI", "300"},        {"QUARVEL_PAPER", "letter"},
                               {"QUARVEL_CODEPAGE", "UTF-8"}, {"QUARVEL_TIMEOUT", "7"}};
  const CommandLine defaults = Parsed({"s.txt"}, variables);
  EXPECT_EQ(defaults.destination, Destination::kPrinter);
  EXPECT_EQ(defaults.printer, "Office");
  EXPECT_EQ(defaults.page.device.dpi, 300);
  EXPECT_EQ(defaults.page.device.paper, kLetter);
  EXPECT_EQ(defaults.encoding, "UTF-8");
  EXPECT_EQ(defaults.timeout_seconds, 7);
  EXPECT_EQ(defaults.job.dpi, 300);
  const CommandLine overridden =
      Parsed({"-o", "x.pdf", "--dpi=150", "--paper=a4", "--encoding=CP1252", "s.txt"}, variables);
  EXPECT_EQ(overridden.destination, Destination::kFile);
  EXPECT_EQ(overridden.output, "x.pdf");
  EXPECT_EQ(overridden.page.device.dpi, 150);
  EXPECT_EQ(overridden.page.device.paper, kA4);
  EXPECT_EQ(overridden.encoding, "CP1252");
  EXPECT_EQ(
      Parsed({"s.txt"}, {{"QUARVEL_PRINTER", "pdf"}, {"QUARVEL_OUTPUT", "e.png"}}).page.format,
      OutputFormat::kPng);
  EXPECT_EQ(Parsed({"s.txt"}, {{"QUARVEL_PRINTER", "log"}}).destination, Destination::kLog);
  EXPECT_EQ(Parsed({"s.txt"}, {{"SOURCE_DATE_EPOCH", "1796704800"}}).page.created, 1796704800);
  const CommandLine ignored = Parsed({"s.txt"}, {{"QUARVEL_DPI", "fast"}, {"QUARVEL_PAPER", "b5"}});
  EXPECT_EQ(ignored.page.device.dpi, 600);
  EXPECT_EQ(
      ignored.warnings,
      (std::vector<std::string>{
          "ignoring QUARVEL_DPI='fast': expected a resolution from 72 to 4800",
          "ignoring QUARVEL_PAPER='b5': expected a4, letter, legal, a3, a5 or WIDTHxHEIGHTmm"}));
}

}  // namespace
}  // namespace quarvel
