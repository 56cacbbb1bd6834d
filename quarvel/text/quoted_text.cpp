#include "text/quoted_text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "text/utf8.h"
#include "text/sse2.h"

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
struct alignas(8) CharacterForm {
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

// Writes `form` at `to`, and returns the end of what it wrote.
inline char* WriteForm(const CharacterForm& form, char* to) {
  std::memcpy(to, form.bytes, sizeof form.bytes);
  return to + form.length;
}

// Writes the character that starts at text[*at], whose units are `units`,
// and moves *at past it; `forms` are CharacterForms().
inline char* WriteNext(const WideString& text, const WideChar* units, size_t* at,
                       const CharacterForm* forms, char* to) {
  if (units[*at] < kTabledCharacters) return WriteForm(forms[units[(*at)++]], to);
  // Through a copy: were *at itself handed on, the caller's counter would
  // have to be read again after every byte written.
  size_t next = *at;
  to = WriteUtf8(NextCodePoint(text, &next), to);
  *at = next;
  return to;
}

// The units that the writer looks at together.
constexpr size_t kRunUnits = 8;

// How a run of kRunUnits units is written.
enum class RunKind {
  kPlain,   // all plain ASCII, copied one byte each
  kTabled,  // all below U+0800, each from the table
  kMixed,   // some from U+0800 up, character by character
};

#if defined(QUARVEL_SSE2)
// Tells how the kRunUnits units at `units` are written and, in case they
// are plain, writes them at `to`. It may write kRunUnits bytes at `to`
// whatever they are.
RunKind WritePlainRun(const WideChar* units, char* to) {
  static_assert(sizeof(WideChar) == 2 && kRunUnits == 8);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  // Signed comparisons: units from 0x8000 up count as below 0x20.
  const __m128i printable = _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(0x1F)),
                                          _mm_cmplt_epi16(v, _mm_set1_epi16(0x7F)));
  const __m128i escaped = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('"')),
                                       _mm_cmpeq_epi16(v, _mm_set1_epi16('\\')));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(v, v));
  if (_mm_movemask_epi8(_mm_andnot_si128(escaped, printable)) == 0xFFFF) return RunKind::kPlain;
  const __m128i high = _mm_and_si128(v, _mm_set1_epi16(static_cast<int16_t>(0xF800)));
  const bool tabled = _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
  return tabled ? RunKind::kTabled : RunKind::kMixed;
}
#else
bool IsPlainAscii(WideChar unit) {
  return unit >= 0x20 && unit < 0x7F && unit != '\\' && unit != '"';
}

RunKind WritePlainRun(const WideChar* units, char* to) {
  RunKind kind = RunKind::kPlain;
  for (size_t i = 0; i < kRunUnits; ++i) {
    to[i] = static_cast<char>(units[i]);
    if (units[i] >= kTabledCharacters) return RunKind::kMixed;
    if (!IsPlainAscii(units[i])) kind = RunKind::kTabled;
  }
  return kind;
}
#endif

// Writes the kRunUnits units at `units`, all below U+0800, at `to` through
// `forms`, CharacterForms(), and returns the end of what it wrote.
char* WriteTabledRun(const WideChar* units, const CharacterForm* forms, char* to) {
  for (size_t i = 0; i < kRunUnits; ++i) to = WriteForm(forms[units[i]], to);
  return to;
}

}  // namespace

char* WriteQuotedForLog(const WideString& text, char* to) {
  // The text is read through locals: the bytes written through `to` might
  // otherwise be the string's own fields, to be read again after each.
  const CharacterForm* const forms = CharacterForms().data();
  const WideChar* const units = text.data();
  const size_t size = text.size();
  *to++ = '"';
  size_t at = 0;
  while (size - at >= kRunUnits) {
    switch (WritePlainRun(units + at, to)) {
      case RunKind::kPlain:
        to += kRunUnits;
        at += kRunUnits;
        break;
      case RunKind::kTabled:
        to = WriteTabledRun(units + at, forms, to);
        at += kRunUnits;
        break;
      case RunKind::kMixed:
        for (const size_t run_end = at + kRunUnits; at < run_end;) {
          to = WriteNext(text, units, &at, forms, to);
        }
        break;
    }
  }
  while (at < size) to = WriteNext(text, units, &at, forms, to);
  *to++ = '"';
  return to;
}

std::string QuoteForLog(const WideString& text) {
  std::string quoted(MaxQuotedBytes(text.size()), '\0');
  quoted.resize(WriteQuotedForLog(text, quoted.data()) - quoted.data());
  return quoted;
}

}  // namespace quarvel
