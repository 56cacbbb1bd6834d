#include "posix/posix_host.h"

#include <errno.h>
#include <sys/stat.h>

#include <bit>
#include <cstdio>

#include "text/sse2.h"
#include "stdio_file.h"

namespace quarvel {

namespace {

// The output of one iconv call. Every call has a fixed cost, and under
// AddressSanitizer it also checks all the input that is left, so a long line
// is converted in long chunks. Short lines, the common case, need no more
// than a short one.
constexpr size_t kShortChunkBytes = 512;
constexpr size_t kLongChunkBytes = 128 * 1024;

// The converter from `code_page` to UTF-16LE; null when iconv does not know
// the code page.
IconvHandle OpenConverter(const char* code_page) {
  const iconv_t converter = iconv_open("UTF-16LE", code_page);
  return IconvHandle(converter == reinterpret_cast<iconv_t>(-1) ? nullptr : converter);
}

IconvHandle OpenCodePage(const char* code_page) {
  if (IconvHandle converter = OpenConverter(code_page)) return converter;
  std::fprintf(stderr, "quarvel: unknown code page %s, using %s\n", code_page, kDefaultCodePage);
  return OpenConverter(kDefaultCodePage);
}

bool IsDirectory(std::FILE* stream) {
  struct stat status;
  return fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode);
}

// Appends the UTF-16 units of one chunk of output, given as bytes.
void AppendUnits(const char* bytes, size_t size, WideString* out) {
  for (size_t i = 0; i + 1 < size; i += 2) {
    const auto low = static_cast<unsigned char>(bytes[i]);
    const auto high = static_cast<unsigned char>(bytes[i + 1]);
    out->push_back(static_cast<char16_t>(low | high << 8));
  }
}

// The UTF-16 unit of every byte of the code page of `converter`, when each
// byte alone converts to one unit (or is undefined, and so stands for the
// character of its own value); nothing when a byte starts a longer sequence
// or shifts into another state. Without a converter (a system whose iconv
// knows no code page), every byte stands for the character of its value.
std::optional<std::array<char16_t, 256>> ByteUnits(iconv_t converter) {
  std::array<char16_t, 256> units;
  for (int value = 0; value < 256; ++value) {
    if (converter == nullptr) {
      units[value] = static_cast<char16_t>(value);
      continue;
    }
    char byte = static_cast<char>(value);
    char unit[8];
    char* in = &byte;
    char* out = unit;
    size_t in_left = 1;
    size_t out_left = sizeof unit;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    const size_t written = out - unit;
    if (result == static_cast<size_t>(-1) && errno == EILSEQ) {
      units[value] = static_cast<char16_t>(value);
    } else if (result != static_cast<size_t>(-1) && written == 2) {
      units[value] = static_cast<char16_t>(static_cast<unsigned char>(unit[0]) |
                                           static_cast<unsigned char>(unit[1]) << 8);
    } else {
      return std::nullopt;
    }
  }
  return units;
}

// The bytes that WidenAsAscii widens at once.
constexpr size_t kAsciiRunBytes = 16;

#if defined(QUARVEL_SSE2)
// Widens the kAsciiRunBytes bytes at `bytes` to `units`, each to the unit
// of its own value, and returns the mask of the bytes that are not ASCII
// (bit i for the byte i), whose units are still to be looked up.
unsigned WidenAsAscii(const char* bytes, char16_t* units) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(units), _mm_unpacklo_epi8(v, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(units + 8), _mm_unpackhi_epi8(v, zero));
  return static_cast<unsigned>(_mm_movemask_epi8(v));
}
#else
unsigned WidenAsAscii(const char* bytes, char16_t* units) {
  unsigned others = 0;
  for (size_t i = 0; i < kAsciiRunBytes; ++i) {
    const unsigned char byte = static_cast<unsigned char>(bytes[i]);
    units[i] = byte;
    if (byte >= 0x80) others |= 1u << i;
  }
  return others;
}
#endif

// Whether every ASCII byte converts to the character of its own value.
bool AsciiIsItself(const std::array<char16_t, 256>& units) {
  for (int value = 0; value < 0x80; ++value) {
    if (units[value] != value) return false;
  }
  return true;
}

}  // namespace

bool IsKnownCodePage(const char* code_page) { return OpenConverter(code_page) != nullptr; }

std::unique_ptr<Host> NewSystemHost() { return std::make_unique<PosixHost>(); }

PosixHost::PosixHost(const char* code_page)
    : converter_(OpenCodePage(code_page)),
      byte_units_(ByteUnits(converter_.get())),
      ascii_is_itself_(byte_units_ && AsciiIsItself(*byte_units_)),
      chunk_(kShortChunkBytes) {}

std::unique_ptr<InputFile> PosixHost::OpenScript(const PathChar* path) {
  std::FILE* stream = std::fopen(path, "rb");
  if (stream != nullptr && IsDirectory(stream)) {
    std::fclose(stream);
    errno = EISDIR;
    return nullptr;
  }
  return NewStdioInputFile(stream);
}

std::unique_ptr<OutputFile> PosixHost::CreateTrace(const char* name) {
  return traces_.Create(name);
}

void PosixHost::ConvertAnsiText(std::string_view text, WideString* wide_text) {
  if (!byte_units_) return ConvertThroughIconv(text, wide_text);
  wide_text->resize(text.size());
  char16_t* const wide = wide_text->data();
  const std::array<char16_t, 256>& units = *byte_units_;
  size_t i = 0;
  // Sixteen bytes at once as if all were ASCII, then those that were not.
  for (; ascii_is_itself_ && text.size() - i >= kAsciiRunBytes; i += kAsciiRunBytes) {
    unsigned others = WidenAsAscii(text.data() + i, wide + i);
    for (; others != 0; others &= others - 1) {
      const size_t at = i + std::countr_zero(others);
      wide[at] = units[static_cast<unsigned char>(text[at])];
    }
  }
  for (; i < text.size(); ++i) wide[i] = units[static_cast<unsigned char>(text[i])];
}

void PosixHost::ConvertThroughIconv(std::string_view text, WideString* wide) {
  wide->clear();
  // One unit per byte in a single-byte code page, and no more in most others.
  wide->reserve(text.size());
  if (text.size() * 2 > chunk_.size() && chunk_.size() < kLongChunkBytes) {
    chunk_.resize(kLongChunkBytes);
  }
  iconv(converter_.get(), nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  while (in_left > 0) {
    char* out = chunk_.data();
    size_t out_left = chunk_.size();
    const size_t result = iconv(converter_.get(), &in, &in_left, &out, &out_left);
    const int error = errno;
    AppendUnits(chunk_.data(), out - chunk_.data(), wide);
    if (result == static_cast<size_t>(-1) && error != E2BIG) {
      wide->push_back(static_cast<unsigned char>(*in));
      ++in;
      --in_left;
    }
  }
}

void PosixHost::WriteStandardOutput(std::string_view message) { WriteToStdout(message); }

}  // namespace quarvel
