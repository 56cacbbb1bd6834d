// What a printing run tells the user about its script beyond its jobs: the
// document that the script begins and never ends, and a script that begins
// none, with what it most likely is instead.
#ifndef QUARVEL_NATIVE_PROGRAM_DOCUMENT_WATCH_H_
#define QUARVEL_NATIVE_PROGRAM_DOCUMENT_WATCH_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "script/script_listener.h"

namespace quarvel {

// Hears where the script's documents begin and end, as the printer takes
// them: a beginning while a document is open, and an end while none is,
// change nothing.
class DocumentWatch : public ScriptListener {
 public:
  void KeywordActed(size_t line, std::string_view keyword) override;
  void BlockOpened(size_t, BlockKind) override {}
  void BlockClosed(size_t) override {}
  void LineIgnored(size_t, std::string_view) override {}
  void TextLine(size_t, std::string_view) override {}
  void LineTaken(size_t, LineRole, std::string_view) override {}
  void ValueTaken(size_t, ValueName, std::string_view, int32_t) override {}

  // The line of the document still open; 0 when none is.
  size_t open_line() const { return open_line_; }
  // How many documents the script began.
  int documents() const { return documents_; }

 private:
  size_t open_line_ = 0;
  int documents_ = 0;
};

// The error of a script `path` whose document begun at `line` is never
// ended, after `delivered` jobs were.
std::string NeverEnded(std::string_view path, size_t line, int delivered);

// The warning of a script `path` that begins no document, whose first
// bytes are `start`: what it most likely is.
std::string NoDocument(std::string_view path, std::string_view start);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PROGRAM_DOCUMENT_WATCH_H_
