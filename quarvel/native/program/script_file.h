// The script as the native program reads it: a file whose read errors are
// kept instead of taken for its end, whose lines are bounded, and whose
// first bytes are kept, to tell what the file is when it prints nothing.
#ifndef QUARVEL_NATIVE_PROGRAM_SCRIPT_FILE_H_
#define QUARVEL_NATIVE_PROGRAM_SCRIPT_FILE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "files.h"
#include "host.h"

namespace quarvel {

// What became of the reading of a script.
struct ScriptReading {
  // The file's first bytes, up to ScriptFile::kStartBytes.
  std::string start;
  // The system's error number of a read that failed; 0 when none did.
  int error = 0;
  // The number of a line longer than ScriptFile::kMaxLineBytes, counted
  // from 1; 0 when none is.
  size_t long_line = 0;
};

class ScriptFile : public InputFile {
 public:
  // The longest line that is read: a longer one ends the input, since each
  // line is held whole, several times over, while it is drawn.
  static constexpr size_t kMaxLineBytes = size_t{256} << 20;
  static constexpr size_t kStartBytes = 64;

  // Reads the open file `fd`, which it closes, telling `reading`, which
  // must outlive it, what becomes of it.
  ScriptFile(int fd, ScriptReading& reading) : fd_(fd), reading_(reading) {}
  ~ScriptFile() override;
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  // Ends at the file's end, at a read that fails, and before a line that
  // grows beyond kMaxLineBytes.
  size_t Read(char* buffer, size_t size) override;

 private:
  // Notes the lines of `bytes`; false when one is too long.
  bool CountLines(const char* bytes, size_t size);

  const int fd_;
  ScriptReading& reading_;
  bool ended_ = false;
  // Past a byte 0x1A, where the script ends as it is read: what follows
  // is not counted.
  bool past_end_ = false;
  size_t line_ = 1;
  size_t line_bytes_ = 0;
};

// The system's host as the native program uses it: the script is a
// ScriptFile, "-" is standard input, and "Unable to open file" goes to
// standard error when standard output carries the job or the log.
class ScriptHost : public HostWrapper {
 public:
  ScriptHost(Host& system, bool output_on_stdout)
      : HostWrapper(system), output_on_stdout_(output_on_stdout) {}

  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override;
  void WriteStandardOutput(std::string_view message) override;

  // The system's error number of the failed opening; 0 when the script was
  // opened.
  int open_error() const { return open_error_; }
  // What became of the reading of the last script opened.
  const ScriptReading& reading() const { return reading_; }

 private:
  const bool output_on_stdout_;
  int open_error_ = 0;
  ScriptReading reading_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PROGRAM_SCRIPT_FILE_H_
