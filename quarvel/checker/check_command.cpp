#include "checker/check_command.h"

#include "cli/options.h"

namespace quarvel {

namespace {

bool EndsParsing(const CheckCommand& command) { return command.help || command.version; }

// The options, in the order of the help.
constexpr Option<CheckCommand> kOptions[] = {
    {{'W', "", "NAME", "report the findings of kind NAME; -Wno-NAME: do not"},
     [](std::string_view value, CheckCommand& command) {
       return ApplyWarningOption(value, command.warnings);
     }},
    {{'\0', "lsp", "", "serve editors as a language server on standard input and output"},
     [](std::string_view, CheckCommand& command) -> std::optional<std::string_view> {
       command.language_server = true;
       return std::nullopt;
     }},
    {{'h', "help", "", "show this help and exit"},
     [](std::string_view, CheckCommand& command) -> std::optional<std::string_view> {
       command.help = true;
       return std::nullopt;
     }},
    {{'\0', "version", "", "show the version and exit"},
     [](std::string_view, CheckCommand& command) -> std::optional<std::string_view> {
       command.version = true;
       return std::nullopt;
     }},
};

}  // namespace

std::optional<std::string_view> ApplyWarningOption(std::string_view value, WarningSet& warnings) {
  if (warnings.Apply("-W" + std::string(value))) return std::nullopt;
  return "a kind of finding, or no- and a kind, as --help lists them";
}

std::variant<CheckCommand, CheckCommandError> ParseCheckCommand(
    const std::vector<std::string>& arguments) {
  CheckCommand command;
  ParsedOptions parsed = ParseOptions(std::span<const Option<CheckCommand>>(kOptions), arguments,
                                      command, EndsParsing);
  if (const auto* error = std::get_if<std::string>(&parsed)) return CheckCommandError{*error};
  command.scripts = std::move(std::get<std::vector<size_t>>(parsed));
  if (command.language_server && !command.scripts.empty()) {
    return CheckCommandError{"--lsp takes no SCRIPT operand"};
  }
  if (command.scripts.empty() && !command.language_server && !EndsParsing(command)) {
    return CheckCommandError{"missing SCRIPT operand"};
  }
  return command;
}

std::string CheckUsage(std::string_view program) {
  const std::string name(program);
  return "Usage: " + name +
         " [OPTION]... SCRIPT...\n"
         "  or:  " +
         name +
         " --lsp [OPTION]...\n"
         "Check document scripts: report each line that prints other than it seems\n"
         "to, as PATH:LINE: warning: MESSAGE [-WNAME].\n"
         "\n" +
         OptionsHelp(FormsOf(std::span<const Option<CheckCommand>>(kOptions))) + "\n" +
         WarningKindsHelp() +
         "\n"
         "Exit status: 0 when no script has a finding, 1 when one has, 2 when a\n"
         "script cannot be opened or the command line is wrong.\n";
}

}  // namespace quarvel
