// The checker's host: the script is read through the host it wraps, and
// nothing is written. Traces are dropped without creating or touching a
// file, and a trace that a second block truncates again is reported as a
// note, since the first block's trace is lost. The script's bytes are
// watched as they are read, for what its lines do not show: its encoding,
// its line ends and its control characters.
#ifndef QUARVEL_CHECKER_CHECKING_HOST_H_
#define QUARVEL_CHECKER_CHECKING_HOST_H_

#include <cstddef>
#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "checker/diagnostics.h"
#include "checker/script_bytes.h"
#include "host.h"

namespace quarvel {

class CheckingHost : public HostWrapper {
 public:
  // Reads through `target`, which reads scripts as UTF-8 or not as
  // `code_page_is_utf8` says, and reports to `diagnostics`; both must
  // outlive the host.
  CheckingHost(Host& target, Diagnostics& diagnostics, bool code_page_is_utf8)
      : HostWrapper(target), diagnostics_(diagnostics), code_page_is_utf8_(code_page_is_utf8) {}

  // Opens the script through the wrapped host, and remembers why it could
  // not be opened.
  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override;
  // Returns a file that takes every write and keeps nothing.
  std::unique_ptr<OutputFile> CreateTrace(const char* name) override;
  // Writes nothing: the checker reports a script it cannot open itself.
  void WriteStandardOutput(std::string_view) override {}

  // The system's error number of the script's failed opening; 0 when the
  // script was opened.
  int open_error() const { return open_error_; }

  // Reports what the bytes of the script hold. Called once, after the
  // interpreter has read the whole script.
  void Finish();

 private:
  void ReportUtf16();
  void ReportUtf8Text();
  void ReportLineEnds();
  void ReportControlChars();

  Diagnostics& diagnostics_;
  const bool code_page_is_utf8_;
  ScriptBytes bytes_;
  // The line of the block that created each trace last.
  std::map<std::string, size_t> traces_;
  int open_error_ = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_CHECKING_HOST_H_
