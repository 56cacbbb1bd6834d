#include "text/utf8.h"

#include <optional>

namespace quarvel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends `c` to `*out` as one unit, or as a surrogate pair.
void AppendUtf16(char32_t c, WideString* out) {
  if (c < 0x10000) {
    out->push_back(static_cast<WideChar>(c));
    return;
  }
  out->push_back(static_cast<WideChar>(0xD800 + ((c - 0x10000) >> 10)));
  out->push_back(static_cast<WideChar>(0xDC00 + ((c - 0x10000) & 0x3FF)));
}

// Decodes the sequence of `length` (1 to 4) bytes at `at` in `utf8`;
// nothing when it is not whole.
std::optional<char32_t> DecodeUtf8At(std::string_view utf8, size_t at, size_t length) {
  if (length == 0 || at + length > utf8.size()) return std::nullopt;
  constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = static_cast<unsigned char>(utf8[at]) & kLeadBits[length];
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(utf8[at + i]);
    if (!IsUtf8Continuation(byte)) return std::nullopt;
    c = c << 6 | (byte & 0x3F);
  }
  return c;
}

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

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2 || lead > 0xF4) return 0;
  return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

WideString FromUtf8(std::string_view utf8) {
  WideString wide;
  for (size_t at = 0; at < utf8.size();) {
    const size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8[at]));
    const std::optional<char32_t> c = DecodeUtf8At(utf8, at, length);
    AppendUtf16(c.value_or(kReplacement), &wide);
    at += c ? length : 1;
  }
  return wide;
}

}  // namespace quarvel
