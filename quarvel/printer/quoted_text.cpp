#include "printer/quoted_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "printer/utf8.h"

namespace quarvel {

namespace {

// Writes `c` at `to` as the log writes it, and returns the end of what it
// wrote.
char* WriteCharacter(char32_t c, char* to) {
  static const char kHex[] = "0123456789ABCDEF";
  const auto escape = [&to](char letter) {
    *to++ = '\\';
    *to++ = letter;
    return to;
  };
  switch (c) {
    case '\\': return escape('\\');
    case '"': return escape('"');
    case '\n': return escape('n');
    case '\r': return escape('r');
    case '\t': return escape('t');
  }
  if (c < 0x20 || c == 0x7F) {
    escape('x');
    *to++ = kHex[c >> 4];
    *to++ = kHex[c & 0xF];
    return to;
  }
  return WriteUtf8(c, to);
}

// The log's form of a character below U+0800, at most four bytes.
struct CharacterForm {
  char bytes[4] = {};
  uint8_t length = 0;
};

constexpr char32_t kTabledCharacters = 0x800;

const std::array<CharacterForm, kTabledCharacters>& CharacterForms() {
  static const std::array<CharacterForm, kTabledCharacters> forms = [] {
    std::array<CharacterForm, kTabledCharacters> table;
    for (char32_t c = 0; c < kTabledCharacters; ++c) {
      table[c].length = static_cast<uint8_t>(WriteCharacter(c, table[c].bytes) - table[c].bytes);
    }
    return table;
  }();
  return forms;
}

bool IsSurrogate(WideChar unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Writes the character that starts at text[*at] and moves *at past it;
// `forms` are CharacterForms().
char* WriteNext(const WideString& text, size_t* at,
                const std::array<CharacterForm, kTabledCharacters>& forms, char* to) {
  const WideChar unit = text[*at];
  if (unit < kTabledCharacters) {
    const CharacterForm& form = forms[unit];
    std::memcpy(to, form.bytes, sizeof form.bytes);
    ++*at;
    return to + form.length;
  }
  if (!IsSurrogate(unit)) {
    ++*at;
    return WriteUtf8(unit, to);
  }
  return WriteUtf8(NextCodePoint(text, at), to);
}

// The units that CopyPlainRun looks at, at most.
constexpr size_t kRunUnits = 8;

#if defined(__SSE2__)
// Copies the plain ASCII units at the start of the kRunUnits units at
// `units` to `to`, one byte each, and returns how many it copied. It may
// write kRunUnits bytes at `to` whatever it copies.
size_t CopyPlainRun(const WideChar* units, char* to) {
  static_assert(sizeof(WideChar) == 2 && kRunUnits == 8);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  // Signed comparisons: units from 0x8000 up count as below 0x20.
  const __m128i printable = _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(0x1F)),
                                          _mm_cmplt_epi16(v, _mm_set1_epi16(0x7F)));
  const __m128i escaped = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('"')),
                                       _mm_cmpeq_epi16(v, _mm_set1_epi16('\\')));
  const unsigned plain = _mm_movemask_epi8(_mm_andnot_si128(escaped, printable));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(v, v));
  return std::countr_one(plain) / 2;
}
#else
bool IsPlainAscii(WideChar unit) {
  return unit >= 0x20 && unit < 0x7F && unit != '\\' && unit != '"';
}

size_t CopyPlainRun(const WideChar* units, char* to) {
  size_t count = 0;
  for (; count < kRunUnits && IsPlainAscii(units[count]); ++count) {
    to[count] = static_cast<char>(units[count]);
  }
  return count;
}
#endif

}  // namespace

char* WriteQuotedForLog(const WideString& text, char* to) {
  const std::array<CharacterForm, kTabledCharacters>& forms = CharacterForms();
  *to++ = '"';
  size_t at = 0;
  // A run of plain ASCII, whole, then the one character that ends it.
  while (text.size() - at >= kRunUnits) {
    const size_t copied = CopyPlainRun(text.data() + at, to);
    at += copied;
    to += copied;
    if (copied < kRunUnits) to = WriteNext(text, &at, forms, to);
  }
  while (at < text.size()) to = WriteNext(text, &at, forms, to);
  *to++ = '"';
  return to;
}

std::string QuoteForLog(const WideString& text) {
  std::string quoted(MaxQuotedBytes(text.size()), '\0');
  quoted.resize(WriteQuotedForLog(text, quoted.data()) - quoted.data());
  return quoted;
}

}  // namespace quarvel
