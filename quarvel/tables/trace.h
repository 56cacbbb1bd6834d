// Diagnostic traces: small text files with fixed names in the current
// directory, written while tables are read.
#ifndef QUARVEL_TABLES_TRACE_H_
#define QUARVEL_TABLES_TRACE_H_

#include <memory>
#include <string_view>

#include "files.h"
#include "host.h"

namespace quarvel {

// A trace file, created or truncated when the object is made and complete
// once it is destroyed. Each entry ends in CR LF, the line end of a Windows
// text file, on every platform. A trace that cannot be created or written
// drops its entries silently.
class Trace {
 public:
  // Creates the trace `name` through `host`.
  Trace(Host& host, const char* name);

  // Appends `line` and a line end.
  void WriteLine(std::string_view line);

 private:
  std::unique_ptr<OutputFile> file_;
};

}  // namespace quarvel

#endif  // QUARVEL_TABLES_TRACE_H_
