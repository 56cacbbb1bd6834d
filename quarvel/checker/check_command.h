// The command line of the checker program: -WNAME and -Wno-NAME (or
// -W NAME) to choose the kinds of finding, --help, --version, and one or
// more scripts, read by the options of cli/options.h.
#ifndef QUARVEL_CHECKER_CHECK_COMMAND_H_
#define QUARVEL_CHECKER_CHECK_COMMAND_H_

#include <cstddef>
#include <optional>
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
  // --lsp: serve editors as a language server instead of checking scripts.
  bool language_server = false;
  bool help = false;
  bool version = false;
};

// A wrong command line, said in one line without the program's name.
struct CheckCommandError {
  std::string message;
};

// Applies the value of a -W option ("traces", "no-traces") to `warnings`;
// returns what it should have been when it names no kind.
std::optional<std::string_view> ApplyWarningOption(std::string_view value, WarningSet& warnings);

// Reads `arguments`, the command line after the program's name.
std::variant<CheckCommand, CheckCommandError> ParseCheckCommand(
    const std::vector<std::string>& arguments);

// The --help text of the checker program `program`.
std::string CheckUsage(std::string_view program);

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_CHECK_COMMAND_H_
