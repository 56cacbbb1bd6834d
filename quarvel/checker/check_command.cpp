#include "checker/check_command.h"

namespace quarvel {

namespace {

// Applies the option `argument` to `command`; returns false for an option
// the checker does not know.
bool ApplyOption(std::string_view argument, CheckCommand* command) {
  if (argument == "-h" || argument == "--help") {
    command->help = true;
  } else if (argument == "--version") {
    command->version = true;
  } else {
    return command->warnings.Apply(argument);
  }
  return true;
}

}  // namespace

std::variant<CheckCommand, CheckCommandError> ParseCheckCommand(
    const std::vector<std::string>& arguments) {
  CheckCommand command;
  bool options_ended = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      command.scripts.push_back(i);
    } else if (argument == "--") {
      options_ended = true;
    } else if (!ApplyOption(argument, &command)) {
      const bool warning = argument.starts_with("-W");
      return CheckCommandError{
          (warning ? "unknown kind of finding in '" : "unrecognized option '") + argument + "'"};
    }
  }
  if (command.scripts.empty() && !command.help && !command.version) {
    return CheckCommandError{"no script to check"};
  }
  return command;
}

std::string CheckUsage(std::string_view program) {
  const std::string name(program);
  return "Usage: " + name +
         " [OPTION]... SCRIPT...\n"
         "Check document scripts: report each line that prints other than it seems\n"
         "to, as PATH:LINE: warning: MESSAGE [-WNAME].\n"
         "\n"
         "  -WNAME       report the findings of kind NAME\n"
         "  -Wno-NAME    do not report them\n"
         "  -h, --help   show this help and exit\n"
         "  --version    show the version and exit\n"
         "\n" +
         WarningKindsHelp() +
         "\n"
         "Exit status: 0 when no script has a finding, 1 when one has, 2 when a\n"
         "script cannot be opened or the command line is wrong.\n";
}

}  // namespace quarvel
