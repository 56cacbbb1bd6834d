#include "posix/posix_host.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstdio>

#include "stdio_file.h"

namespace quarvel {

namespace {

// The output of one iconv call. Every call has a fixed cost, and under
// AddressSanitizer it also checks all the input that is left, so a long line
// is converted in long chunks. Short lines, the common case, need no more
// than a short one.
constexpr size_t kShortChunkBytes = 512;
constexpr size_t kLongChunkBytes = 128 * 1024;

iconv_t OpenCodePage(const char* code_page) {
  const iconv_t converter = iconv_open("UTF-16LE", code_page);
  if (converter != reinterpret_cast<iconv_t>(-1)) return converter;
  std::fprintf(stderr, "quarvel: unknown code page %s, using %s\n", code_page, kDefaultCodePage);
  return iconv_open("UTF-16LE", kDefaultCodePage);
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

}  // namespace

bool IsKnownCodePage(const char* code_page) {
  const iconv_t converter = iconv_open("UTF-16LE", code_page);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(converter);
  return true;
}

std::unique_ptr<Host> NewSystemHost() { return std::make_unique<PosixHost>(); }

PosixHost::PosixHost(const char* code_page)
    : converter_(OpenCodePage(code_page)), chunk_(kShortChunkBytes) {}

PosixHost::~PosixHost() { iconv_close(converter_); }

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
  return NewStdioOutputFile(std::fopen(name, "wb"));
}

WideString PosixHost::ConvertAnsiText(std::string_view text) {
  WideString wide;
  // One unit per byte in a single-byte code page, and no more in most others.
  wide.reserve(text.size());
  if (text.size() * 2 > chunk_.size() && chunk_.size() < kLongChunkBytes) {
    chunk_.resize(kLongChunkBytes);
  }
  iconv(converter_, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  while (in_left > 0) {
    char* out = chunk_.data();
    size_t out_left = chunk_.size();
    const size_t result = iconv(converter_, &in, &in_left, &out, &out_left);
    const int error = errno;
    AppendUnits(chunk_.data(), out - chunk_.data(), &wide);
    if (result == static_cast<size_t>(-1) && error != E2BIG) {
      wide.push_back(static_cast<unsigned char>(*in));
      ++in;
      --in_left;
    }
  }
  return wide;
}

void PosixHost::WriteStandardOutput(std::string_view message) { WriteToStdout(message); }

}  // namespace quarvel
