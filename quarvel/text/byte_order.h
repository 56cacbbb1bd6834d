// The marks by which a file's first bytes tell text in a Unicode encoding
// from text in a single-byte code page.
#ifndef QUARVEL_TEXT_BYTE_ORDER_H_
#define QUARVEL_TEXT_BYTE_ORDER_H_

#include <string_view>

namespace quarvel {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Whether `start`, a file's first bytes, look like UTF-16: a byte-order
// mark, or ASCII text with a NUL byte beside each character.
bool LooksLikeUtf16(std::string_view start);

// Whether `start` begins with a UTF-16 byte-order mark.
bool HasUtf16ByteOrderMark(std::string_view start);

}  // namespace quarvel

#endif  // QUARVEL_TEXT_BYTE_ORDER_H_
