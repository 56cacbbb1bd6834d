// What the bytes of a script hold that its lines do not show: how it
// starts, its carriage returns without line feeds, its NUL bytes, the byte
// 0x1A that ends it, and its UTF-8 text. The bytes are taken as the script
// stream reads them, and counted in the stream's lines (see
// script/script_stream.h).
#ifndef QUARVEL_CHECKER_SCRIPT_BYTES_H_
#define QUARVEL_CHECKER_SCRIPT_BYTES_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quarvel {

// The lines that hold a kind of byte: the first, and how many do.
struct LinesHolding {
  size_t first = 0;  // 0 when none does
  size_t count = 0;
  size_t last = 0;

  void Add(size_t line);
};

class ScriptBytes {
 public:
  static constexpr size_t kStartBytes = 64;
  // The most bytes of a line that are kept to be quoted.
  static constexpr size_t kKeptLineBytes = 200;

  // Takes the next bytes that the stream reads, up to a byte 0x1A, which
  // ends the script; what follows it in `bytes` is only noted.
  void Take(std::string_view bytes);
  // Notes whether anything follows the byte 0x1A that ended the script.
  void set_text_after_end(bool text) { text_after_end_ = text; }

  // The first bytes, up to kStartBytes.
  const std::string& start() const { return start_; }
  // The lines in which a carriage return is followed by more of the line.
  const LinesHolding& lone_carriage_returns() const { return lone_carriage_returns_; }
  const LinesHolding& nul_bytes() const { return nul_bytes_; }
  // Whether a line feed ends any line.
  bool has_line_feed() const { return line_ > 1; }
  // The line of the byte 0x1A that ended the script; 0 when none did.
  size_t end_line() const { return end_line_; }
  bool text_after_end() const { return text_after_end_; }
  // The first line that holds a character of more than one byte in UTF-8,
  // when every byte of the script is UTF-8 (a byte-order mark aside); 0
  // otherwise.
  size_t utf8_line() const { return invalid_utf8_ || utf8_pending_ != 0 ? 0 : utf8_text_line_; }
  // Up to kKeptLineBytes of that line.
  std::string utf8_text() const;

 private:
  void TakeByte(char byte);
  void TakeUtf8(unsigned char byte);
  void EndLine();

  std::string start_;
  size_t line_ = 1;
  size_t offset_ = 0;
  bool after_carriage_return_ = false;
  LinesHolding lone_carriage_returns_;
  LinesHolding nul_bytes_;
  size_t end_line_ = 0;
  bool text_after_end_ = false;
  // The continuation bytes that the UTF-8 sequence being read still needs.
  size_t utf8_pending_ = 0;
  bool invalid_utf8_ = false;
  size_t utf8_text_line_ = 0;
  // The bytes of the line being read, while it may have to be kept, and
  // those of the first line of UTF-8 text once it has ended.
  std::string line_bytes_;
  std::string utf8_text_;
};

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_SCRIPT_BYTES_H_
