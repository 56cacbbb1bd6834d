#include "lsp/text_document.h"

#include <algorithm>

#include "text/utf8.h"

namespace quarvel {

namespace {

// The bytes of the character that starts at text[at]: its UTF-8 sequence,
// or one for a byte that starts none, cut at the text's end.
size_t CharacterBytes(std::string_view text, size_t at) {
  const size_t length = Utf8SequenceLength(static_cast<unsigned char>(text[at]));
  return std::min(std::max<size_t>(length, 1), text.size() - at);
}

// The position units of a character of `bytes`.
size_t UnitsOf(size_t bytes, PositionUnits units) {
  if (units == PositionUnits::kUtf8) return bytes;
  return bytes == 4 ? 2 : 1;
}

}  // namespace

size_t CountUnits(std::string_view text, PositionUnits units) {
  if (units == PositionUnits::kUtf8) return text.size();
  size_t count = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t bytes = CharacterBytes(text, at);
    count += UnitsOf(bytes, units);
    at += bytes;
  }
  return count;
}

TextDocument::TextDocument(std::string text, PositionUnits units)
    : text_(std::move(text)), units_(units) {
  FindLines();
}

void TextDocument::FindLines() {
  starts_.assign(1, 0);
  for (size_t at = text_.find('\n'); at != std::string::npos; at = text_.find('\n', at + 1)) {
    starts_.push_back(at + 1);
  }
}

std::string_view TextDocument::Line(size_t index) const {
  if (index >= starts_.size()) return {};
  const size_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : text_.size();
  std::string_view line(text_.data() + starts_[index], end - starts_[index]);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

size_t TextDocument::Columns(size_t index) const { return CountUnits(Line(index), units_); }

size_t TextDocument::Offset(const Position& position) const {
  if (position.line >= starts_.size()) return text_.size();
  const std::string_view line = Line(position.line);
  size_t at = 0;
  for (size_t units = 0; at < line.size() && units < position.character;) {
    const size_t bytes = CharacterBytes(line, at);
    units += UnitsOf(bytes, units_);
    at += bytes;
  }
  return starts_[position.line] + at;
}

void TextDocument::Replace(const Range& range, std::string_view text) {
  const size_t start = Offset(range.start);
  const size_t end = std::max(start, Offset(range.end));
  text_.replace(start, end - start, text);
  FindLines();
}

}  // namespace quarvel
