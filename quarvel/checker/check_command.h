// The command line of the checker program: -WNAME and -Wno-NAME to choose
// the kinds of finding, --help, --version, and one or more scripts. Options
// may follow the scripts; "--" ends them.
#ifndef QUARVEL_CHECKER_CHECK_COMMAND_H_
#define QUARVEL_CHECKER_CHECK_COMMAND_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "checker/diagnostics.h"

namespace quarvel {

struct CheckCommand {
  WarningSet warnings = WarningSet::Default();
  // The arguments that name scripts, by their index in the arguments.
  std::vector<size_t> scripts;
  bool help = false;
  bool version = false;
};

// A wrong command line, said in one line without the program's name.
struct CheckCommandError {
  std::string message;
};

// Reads `arguments`, the command line after the program's name.
std::variant<CheckCommand, CheckCommandError> ParseCheckCommand(
    const std::vector<std::string>& arguments);

// The --help text of the checker program `program`.
std::string CheckUsage(std::string_view program);

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_CHECK_COMMAND_H_
