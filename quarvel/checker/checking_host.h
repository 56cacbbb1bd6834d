// The checker's host: the script is read through the host it wraps, and
// nothing is written. Traces are dropped without creating or touching a
// file, and a trace that a second block truncates again is reported as a
// note, since the first block's trace is lost.
#ifndef QUARVEL_CHECKER_CHECKING_HOST_H_
#define QUARVEL_CHECKER_CHECKING_HOST_H_

#include <cstddef>
#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "checker/diagnostics.h"
#include "host.h"

namespace quarvel {

class CheckingHost : public HostWrapper {
 public:
  // Reads through `target` and reports to `diagnostics`; both must outlive
  // the host.
  CheckingHost(Host& target, Diagnostics& diagnostics)
      : HostWrapper(target), diagnostics_(diagnostics) {}

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

 private:
  Diagnostics& diagnostics_;
  // The line of the block that created each trace last.
  std::map<std::string, size_t> traces_;
  int open_error_ = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_CHECKING_HOST_H_
