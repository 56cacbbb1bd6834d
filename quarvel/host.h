// The host seam: the services of the operating system that the interpreter
// uses besides the printer, namely its files, the conversion of script text
// to wide text, and standard output. The interpreter knows nothing of the
// system behind it, and the host knows nothing of its callers.
//
// Implementations: the Win32 host (win32/win32_host.cpp) and the POSIX host
// (posix/posix_host.cpp), one per system, picked by the build. The tests'
// fakes and the hosts of special runs wrap one of them (HostWrapper).
#ifndef QUARVEL_HOST_H_
#define QUARVEL_HOST_H_

#include <memory>
#include <string_view>

#include "files.h"
#include "shared_types.h"

namespace quarvel {

class Host {
 public:
  virtual ~Host() = default;

  // Opens the script at `path` for reading, with sharing open to other
  // readers and writers. A relative path is taken from the current
  // directory. Returns null when the file cannot be opened for reading,
  // and for a directory, with errno telling why.
  virtual std::unique_ptr<InputFile> OpenScript(const PathChar* path) = 0;

  // Creates the trace file `name` in the current directory, or truncates it
  // if it exists, for buffered writing with sharing open to other readers
  // and writers. Once the returned file is destroyed, the trace holds
  // exactly what was written to it, for any reader; the host may keep the
  // file open for the next block of the same trace. Returns null when the
  // file cannot be created.
  virtual std::unique_ptr<OutputFile> CreateTrace(const char* name) = 0;

  // Replaces the contents of *wide with `text`, bytes in the system ANSI
  // code page without a NUL, converted to UTF-16; the memory that *wide
  // holds is reused. Bytes that are invalid in the code page are converted
  // all the same; the conversion never fails.
  virtual void ConvertAnsiText(std::string_view text, WideString* wide) = 0;

  // Writes `message` to standard output as it stands, without a line end.
  virtual void WriteStandardOutput(std::string_view message) = 0;
};

// The host of the system the program runs on: on Windows the system ANSI
// code page, elsewhere Windows-1250 (see posix/posix_host.h for others).
std::unique_ptr<Host> NewSystemHost();

// A host that forwards every call to `target`, which must outlive it.
// Derive from it to change only some of the calls.
class HostWrapper : public Host {
 public:
  explicit HostWrapper(Host& target) : target_(target) {}

  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override {
    return target_.OpenScript(path);
  }
  std::unique_ptr<OutputFile> CreateTrace(const char* name) override {
    return target_.CreateTrace(name);
  }
  void ConvertAnsiText(std::string_view text, WideString* wide) override {
    target_.ConvertAnsiText(text, wide);
  }
  void WriteStandardOutput(std::string_view message) override {
    target_.WriteStandardOutput(message);
  }

 private:
  Host& target_;
};

}  // namespace quarvel

#endif  // QUARVEL_HOST_H_
