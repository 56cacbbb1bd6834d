#include "text/utf8.h"

namespace quarvel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

char32_t NextCodePoint(std::basic_string_view<WideChar> text, size_t* at) {
  const char32_t unit = static_cast<char16_t>(text[(*at)++]);
  if (IsHighSurrogate(unit) && *at < text.size()) {
    const char32_t next = static_cast<char16_t>(text[*at]);
    if (IsLowSurrogate(next)) {
      ++*at;
      return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
    }
  }
  return IsHighSurrogate(unit) || IsLowSurrogate(unit) ? kReplacement : unit;
}

char* WriteUtf8(char32_t c, char* to) {
  const auto tail = [](char32_t bits) { return static_cast<char>(0x80 | (bits & 0x3F)); };
  if (c < 0x80) {
    *to++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *to++ = static_cast<char>(0xC0 | c >> 6);
    *to++ = tail(c);
  } else if (c < 0x10000) {
    *to++ = static_cast<char>(0xE0 | c >> 12);
    *to++ = tail(c >> 6);
    *to++ = tail(c);
  } else {
    *to++ = static_cast<char>(0xF0 | c >> 18);
    *to++ = tail(c >> 12);
    *to++ = tail(c >> 6);
    *to++ = tail(c);
  }
  return to;
}

void AppendUtf8(char32_t c, std::string* out) {
  char bytes[kMaxUtf8Bytes];
  out->append(bytes, WriteUtf8(c, bytes));
}

std::string ToUtf8(const WideString& text) {
  std::string utf8;
  for (size_t at = 0; at < text.size();) AppendUtf8(NextCodePoint(text, &at), &utf8);
  return utf8;
}

}  // namespace quarvel
