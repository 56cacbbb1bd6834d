// The native program's messages on standard error: one line each, starting
// with "quarvel: ".
#ifndef QUARVEL_NATIVE_PROGRAM_MESSAGES_H_
#define QUARVEL_NATIVE_PROGRAM_MESSAGES_H_

#include <string_view>

namespace quarvel {

// A line on standard error that stays only until a message is written,
// such as a progress line, which clears it first.
class StatusLine {
 public:
  virtual ~StatusLine() = default;

  // Removes the line from the terminal; it is drawn again when it changes.
  virtual void Clear() = 0;
};

// Writes "quarvel: MESSAGE" and a line end to standard error.
void ReportError(std::string_view message);

// The same, unless the run is quiet.
void ReportWarning(std::string_view message);

void SetQuiet(bool quiet);

// Makes `line` the status line, or none with null. It must stay alive until
// it is replaced.
void SetStatusLine(StatusLine* line);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PROGRAM_MESSAGES_H_
