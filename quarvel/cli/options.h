// The command lines of quarvel's programs, in the GNU manner and read by
// getopt_long (glibc's natively, mingw-w64's on Windows) from a table of
// each program's options: short options bundled ("-qo out.pdf") or with
// their value attached ("-oout.pdf", "-Wtraces") or in the next argument,
// long ones abbreviated to any unique start, with "=VALUE" or the next
// argument as value, anywhere among the operands; "--" ends them, and "-"
// is an operand. The messages of a wrong command line are glibc's own.
#ifndef QUARVEL_CLI_OPTIONS_H_
#define QUARVEL_CLI_OPTIONS_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quarvel {

// How an option is written, and shown in --help.
struct OptionForm {
  char short_name = '\0';      // '\0' when it has none
  std::string_view long_name;  // empty when it has none
  // The value's name in the help; empty for an option that takes none.
  std::string_view value_name;
  std::string_view help;
};

// One option of a program whose settings are a `Settings`.
template <typename Settings>
struct Option {
  OptionForm form;
  // Applies the option with its value ("" for an option that takes none);
  // returns what the value should have been when it is not valid.
  std::optional<std::string_view> (*apply)(std::string_view value, Settings& settings);
};

// The operands of a command line, by their index in its arguments; or what
// is wrong with it, in one line without the program's name.
using ParsedOptions = std::variant<std::vector<size_t>, std::string>;

// Called with an option found: its index among the forms and its value;
// returns what the value should have been when it is not valid.
using OptionFound =
    std::function<std::optional<std::string_view>(size_t option, std::string_view value)>;

// Reads `arguments`, the command line after the program's name, by `forms`,
// telling `found` of each option in order, until an option is wrong or
// `done` says that the rest is not needed (after --help, say).
ParsedOptions ReadOptions(std::span<const OptionForm> forms, std::span<const std::string> arguments,
                          const OptionFound& found, const std::function<bool()>& done);

// The forms of the options of `table`, in its order.
template <typename Settings>
std::vector<OptionForm> FormsOf(std::span<const Option<Settings>> table) {
  std::vector<OptionForm> forms;
  for (const Option<Settings>& option : table) forms.push_back(option.form);
  return forms;
}

// Applies the options of `table` found in `arguments` to `settings`; stops
// early once `done(settings)`, when given, is true.
template <typename Settings>
ParsedOptions ParseOptions(std::span<const Option<Settings>> table,
                           std::span<const std::string> arguments, Settings& settings,
                           bool (*done)(const Settings&) = nullptr) {
  return ReadOptions(
      FormsOf(table), arguments,
      [&](size_t option, std::string_view value) { return table[option].apply(value, settings); },
      [&] { return done != nullptr && done(settings); });
}

// The lines of --help that describe the options of `forms`, in their
// order.
std::string OptionsHelp(std::span<const OptionForm> forms);

}  // namespace quarvel

#endif  // QUARVEL_CLI_OPTIONS_H_
