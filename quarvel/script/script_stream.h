// The script stream: the document script read line by line, with the line end
// rules of a text-mode file applied the same way on every platform.
#ifndef QUARVEL_SCRIPT_SCRIPT_STREAM_H_
#define QUARVEL_SCRIPT_SCRIPT_STREAM_H_

#include <memory>
#include <string>

#include "files.h"

namespace quarvel {

class ScriptListener;

// Reads a script file as text: a carriage return directly followed by a line
// feed arrives as a single line feed, any other carriage return arrives
// unchanged, and a byte 0x1A ends the input as if the file ended there.
//
// Like a standard input stream, it keeps an end-of-file flag and a failure
// flag. A stream made without a file is in the failure state from the start.
// It counts the lines it delivers, and carries the listener to which the
// handlers that read it report (see script_listener.h).
class ScriptStream {
 public:
  // Takes ownership of `file`, which may be null when the script could not
  // be opened. `listener`, when given, must outlive the stream.
  explicit ScriptStream(std::unique_ptr<InputFile> file, ScriptListener* listener = nullptr);

  ScriptStream(const ScriptStream&) = delete;
  ScriptStream& operator=(const ScriptStream&) = delete;

  bool is_open() const { return file_ != nullptr; }
  bool eof() const { return eof_; }
  bool fail() const { return fail_; }
  bool good() const { return !eof_ && !fail_; }

  // The number of the line that ReadLine delivered last, counted from 1;
  // 0 before the first.
  size_t line_number() const { return line_number_; }

  // The listener of the script's readers, or null.
  ScriptListener* listener() const { return listener_; }

  // Closes the file. The flags stay as they are.
  void Close();

  // Reads the next line into `*line`, without its line feed; every other
  // byte, a NUL byte included, is kept. The end of the input also ends a
  // line, and sets the end-of-file flag.
  //
  // Returns true when a line was read, false when the input was already
  // exhausted. In that case the failure flag is set, and `*line` is emptied
  // if the stream was good before the call and left as it was otherwise.
  // Every block of the script ends at such a read: this is how a script that
  // stops in the middle of a block comes to an end.
  bool ReadLine(std::string* line);

 private:
  // Makes the next bytes of the file available. Returns false at the end of
  // the input.
  bool Refill();
  // Consumes a line feed if one comes next.
  bool ConsumeLineFeed();

  std::unique_ptr<InputFile> file_;
  ScriptListener* const listener_;
  std::unique_ptr<char[]> buffer_;
  const char* next_ = nullptr;
  const char* end_ = nullptr;
  bool input_ended_ = false;
  size_t line_number_ = 0;
  bool eof_ = false;
  bool fail_ = false;
};

// Reads the next line of `script` into `*line`; see ScriptStream::ReadLine.
inline bool ReadLine(ScriptStream& script, std::string* line) { return script.ReadLine(line); }

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_SCRIPT_STREAM_H_
