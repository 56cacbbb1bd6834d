#include "cli/options.h"

#include <getopt.h>

#include <algorithm>
#include <unordered_map>

namespace quarvel {

namespace {

// The value getopt_long returns for the long name of option `index`: above
// every character, so that an error's optopt tells a long option from a
// short one.
constexpr int kLongOptionBase = 256;

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The options of `forms` as getopt_long takes them; the names are kept in
// `names`, which must outlive them.
std::vector<option> LongOptions(std::span<const OptionForm> forms,
                                std::vector<std::string>& names) {
  names.reserve(forms.size());
  std::vector<option> options;
  for (size_t i = 0; i < forms.size(); ++i) {
    if (forms[i].long_name.empty()) continue;
    names.emplace_back(forms[i].long_name);
    options.push_back({names.back().c_str(),
                       forms[i].value_name.empty() ? no_argument : required_argument, nullptr,
                       kLongOptionBase + static_cast<int>(i)});
  }
  options.push_back({nullptr, 0, nullptr, 0});
  return options;
}

// The short options of `forms` as getopt takes them, after a colon that
// makes it tell a missing value from an unknown option.
std::string ShortOptions(std::span<const OptionForm> forms) {
  std::string options = ":";
  for (const OptionForm& form : forms) {
    if (form.short_name == '\0') continue;
    options += form.short_name;
    if (!form.value_name.empty()) options += ':';
  }
  return options;
}

// What is wrong with the long option `argument` ("--NAME" or
// "--NAME=VALUE") that names no option, or more than one.
std::string UnknownLongOption(std::span<const OptionForm> forms, std::string_view argument) {
  const std::string_view name = argument.substr(2, argument.find('=') - 2);
  std::string possibilities;
  int found = 0;
  for (const OptionForm& form : forms) {
    if (name.empty() || form.long_name.empty() || !form.long_name.starts_with(name)) continue;
    possibilities += " " + Quoted("--" + std::string(form.long_name));
    ++found;
  }
  if (found < 2) return "unrecognized option " + Quoted(argument);
  return "option " + Quoted(argument) + " is ambiguous; possibilities:" + possibilities;
}

// What is wrong after getopt_long returned `result`, '?' or ':', on an
// option of `forms`, with its optopt, for the argument `argument` that it
// read last.
std::string OptionError(std::span<const OptionForm> forms, int result, int error_option,
                        std::string_view argument) {
  if (error_option == 0) return UnknownLongOption(forms, argument);
  if (error_option >= kLongOptionBase) {
    const OptionForm& form = forms[error_option - kLongOptionBase];
    const std::string shown = Quoted("--" + std::string(form.long_name));
    if (form.value_name.empty()) return "option " + shown + " doesn't allow an argument";
    return "option " + shown + " requires an argument";
  }
  const std::string shown = Quoted(std::string(1, static_cast<char>(error_option)));
  if (result == ':') return "option requires an argument -- " + shown;
  return "invalid option -- " + shown;
}

// The name that option `form` was given by, for messages.
std::string Shown(const OptionForm& form, bool as_long) {
  return as_long ? "--" + std::string(form.long_name) : "-" + std::string(1, form.short_name);
}

}  // namespace

ParsedOptions ReadOptions(std::span<const OptionForm> forms, std::span<const std::string> arguments,
                          const OptionFound& found, const std::function<bool()>& done) {
  std::vector<std::string> names;
  const std::vector<option> long_options = LongOptions(forms, names);
  const std::string short_options = ShortOptions(forms);
  std::string program = "quarvel";
  std::vector<char*> argv = {program.data()};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size()) - 1;
  opterr = 0;
  optind = 0;  // starts getopt afresh, in glibc and in mingw-w64
  for (;;) {
    const int result =
        getopt_long(argc, argv.data(), short_options.c_str(), long_options.data(), nullptr);
    if (result == -1) break;
    if (result == '?' || result == ':') {
      return OptionError(forms, result, optopt, optind > 0 ? argv[optind - 1] : "");
    }
    const bool as_long = result >= kLongOptionBase;
    const auto index = static_cast<size_t>(
        as_long ? result - kLongOptionBase
                : std::find_if(forms.begin(), forms.end(), [result](const OptionForm& form) {
                    return form.short_name == result;
                  }) - forms.begin());
    const std::string_view value = optarg != nullptr ? optarg : "";
    if (const std::optional<std::string_view> expected = found(index, value)) {
      return "invalid argument " + Quoted(value) + " for " + Quoted(Shown(forms[index], as_long)) +
             ": expected " + std::string(*expected);
    }
    if (done()) return std::vector<size_t>{};
  }
  // getopt_long has moved the operands behind the options.
  std::unordered_map<const char*, size_t> index_of;
  for (size_t at = 0; at < arguments.size(); ++at) index_of.emplace(arguments[at].c_str(), at);
  std::vector<size_t> operands;
  for (int i = optind; i < argc; ++i) operands.push_back(index_of.at(argv[i]));
  return operands;
}

std::string OptionsHelp(std::span<const OptionForm> forms) {
  std::string text;
  for (const OptionForm& form : forms) {
    std::string names =
        form.short_name != '\0' ? "  -" + std::string(1, form.short_name) + ", " : "      ";
    if (form.long_name.empty()) {
      names.resize(names.size() - 2);
      names += form.value_name;
    } else {
      names += "--" + std::string(form.long_name);
      if (!form.value_name.empty()) names += "=" + std::string(form.value_name);
    }
    names.resize(std::max<size_t>(names.size() + 2, 26), ' ');
    text += names + std::string(form.help) + "\n";
  }
  return text;
}

}  // namespace quarvel
