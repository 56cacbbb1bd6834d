// An open document of the editor: its text, as UTF-8, with the lines and
// the positions of the language server protocol. A position's character is
// counted in UTF-16 code units, the protocol's default, or in bytes when
// the client and the server agreed on UTF-8.
#ifndef QUARVEL_LSP_TEXT_DOCUMENT_H_
#define QUARVEL_LSP_TEXT_DOCUMENT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

enum class PositionUnits { kUtf16, kUtf8 };

struct Position {
  size_t line = 0;
  size_t character = 0;
};

struct Range {
  Position start;
  Position end;
};

class TextDocument {
 public:
  TextDocument(std::string text, PositionUnits units);

  const std::string& text() const { return text_; }
  // The lines, split at each line feed; the last line is the text after the
  // last line feed, empty when the text ends with one.
  size_t line_count() const { return starts_.size(); }
  // Line `index`, without its line feed and a carriage return before it;
  // empty past the last line.
  std::string_view Line(size_t index) const;
  // The length of line `index` in the position's units.
  size_t Columns(size_t index) const;

  // Replaces the text of `range` by `text`. A position past its line's end
  // stands for the line's end, and one past the last line for the text's
  // end, as the protocol has it; a character inside a UTF-8 sequence stands
  // for the sequence's end.
  void Replace(const Range& range, std::string_view text);

 private:
  size_t Offset(const Position& position) const;
  void FindLines();

  std::string text_;
  std::vector<size_t> starts_;
  PositionUnits units_;
};

// The length of `text`, valid UTF-8 or not, in `units`.
size_t CountUnits(std::string_view text, PositionUnits units);

}  // namespace quarvel

#endif  // QUARVEL_LSP_TEXT_DOCUMENT_H_
