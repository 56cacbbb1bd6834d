// The script checker: the interpreter run over a script with a checking
// printer, a host that writes nothing and a listener to every line, so that
// each finding describes what printing does with that line.
#ifndef QUARVEL_CHECKER_SCRIPT_CHECKER_H_
#define QUARVEL_CHECKER_SCRIPT_CHECKER_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "checker/checking_printer.h"
#include "checker/diagnostics.h"
#include "host.h"
#include "shared_types.h"

namespace quarvel {

// What a check reports, and what it must know of the reading of scripts.
struct CheckOptions {
  // The kinds of finding reported.
  WarningSet warnings = WarningSet::Default();
  // Whether the host reads scripts as UTF-8, rather than in a single-byte
  // code page.
  bool code_page_is_utf8 = false;
};

// Checks the script at `path`, read through `host`, trying image files with
// `probe`, and passes each finding of the kinds in `options` to `sink` as
// it is made: in the order of the lines that the interpreter reads, and
// last, in line order, those about the whole script: what its bytes hold,
// what its end left open, and whether it prints anything.
// Returns false when the script cannot be opened (errno then tells why).
// The script is opened once, so it may be a stream that cannot be read
// twice.
bool CheckScript(Host& host, const ImageProbe& probe, const PathChar* path,
                 const CheckOptions& options, const Diagnostics::Sink& sink);

// A script named on the command line: its path, and the path as messages
// show it (UTF-8).
struct ScriptArgument {
  std::basic_string<PathChar> path;
  std::string shown;
};

// Checks each of `scripts` with `options` and writes the findings to `out`,
// one line each, then one summary line per script with findings to `err`
// ("quarvel: 2 warnings in invoice.txt", for the program name `program`).
// A script that cannot be opened is reported on `err`. Returns the exit
// status: 2 when a script could not be opened, else 1 when any script has
// a finding, else 0.
int CheckScripts(Host& host, const ImageProbe& probe, const std::vector<ScriptArgument>& scripts,
                 const CheckOptions& options, std::string_view program, std::FILE* out,
                 std::FILE* err);

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_SCRIPT_CHECKER_H_
