#include "checker/script_bytes.h"

#include "text/byte_order.h"
#include "text/utf8.h"

namespace quarvel {

namespace {

constexpr char kEndOfInput = '\x1a';

}  // namespace

void LinesHolding::Add(size_t line) {
  if (line == last) return;
  if (first == 0) first = line;
  ++count;
  last = line;
}

void ScriptBytes::Take(std::string_view bytes) {
  const size_t end = bytes.find(kEndOfInput);
  for (const char byte : bytes.substr(0, end)) TakeByte(byte);
  if (end == std::string_view::npos) return;
  end_line_ = line_;
  text_after_end_ = end + 1 < bytes.size();
}

std::string ScriptBytes::utf8_text() const {
  return utf8_text_line_ == line_ ? line_bytes_ : utf8_text_;
}

void ScriptBytes::TakeByte(char byte) {
  if (start_.size() < kStartBytes) start_ += byte;
  ++offset_;
  if (after_carriage_return_ && byte != '\n' && byte != '\r') lone_carriage_returns_.Add(line_);
  after_carriage_return_ = byte == '\r';
  if (byte == '\n') return EndLine();
  if (byte == '\0') nul_bytes_.Add(line_);
  TakeUtf8(static_cast<unsigned char>(byte));
  if (utf8_text_line_ == 0 || utf8_text_line_ == line_) {
    if (line_bytes_.size() < kKeptLineBytes) line_bytes_ += byte;
  }
}

void ScriptBytes::TakeUtf8(unsigned char byte) {
  if (utf8_pending_ != 0 && IsUtf8Continuation(byte)) {
    // A byte-order mark is no text.
    const bool mark =
        offset_ == kUtf8ByteOrderMark.size() && start_.starts_with(kUtf8ByteOrderMark);
    if (--utf8_pending_ == 0 && utf8_text_line_ == 0 && !mark) utf8_text_line_ = line_;
    return;
  }
  invalid_utf8_ = invalid_utf8_ || utf8_pending_ != 0;
  const size_t length = Utf8SequenceLength(byte);
  invalid_utf8_ = invalid_utf8_ || length == 0;
  utf8_pending_ = length > 1 ? length - 1 : 0;
}

void ScriptBytes::EndLine() {
  invalid_utf8_ = invalid_utf8_ || utf8_pending_ != 0;
  utf8_pending_ = 0;
  if (utf8_text_line_ == line_) utf8_text_ = std::move(line_bytes_);
  line_bytes_.clear();
  ++line_;
}

}  // namespace quarvel
