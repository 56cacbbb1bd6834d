// UTF-16 text of the drawing calls as UTF-8, for the printers that write or
// render text on systems other than Windows.
#ifndef QUARVEL_TEXT_UTF8_H_
#define QUARVEL_TEXT_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "shared_types.h"

namespace quarvel {

// Decodes the code point that starts at text[*at] and moves *at past it. A
// surrogate that is not part of a pair decodes as U+FFFD.
char32_t NextCodePoint(std::basic_string_view<WideChar> text, size_t* at);

// The most bytes that WriteUtf8 writes.
inline constexpr size_t kMaxUtf8Bytes = 4;

// Writes the UTF-8 form of `code_point` at `to`, and returns the end of what
// it wrote.
char* WriteUtf8(char32_t code_point, char* to);

// Appends the UTF-8 form of `code_point` to `*out`.
void AppendUtf8(char32_t code_point, std::string* out);

// Returns `text` as UTF-8.
std::string ToUtf8(const WideString& text);

// The length of the UTF-8 sequence that the byte `lead` starts: 1 for
// ASCII, 2 to 4 for a lead byte, 0 for a byte that starts none.
size_t Utf8SequenceLength(unsigned char lead);

// Whether `byte` continues a UTF-8 sequence.
inline bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Returns the UTF-8 text `utf8` as UTF-16; each byte of a sequence that is
// not whole becomes U+FFFD.
WideString FromUtf8(std::string_view utf8);

}  // namespace quarvel

#endif  // QUARVEL_TEXT_UTF8_H_
