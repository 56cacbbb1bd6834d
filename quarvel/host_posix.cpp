// Host services on POSIX systems: stdio files and iconv.
#include <errno.h>
#include <iconv.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host.h"
#include "stdio_file.h"

namespace quarvel {

namespace {

constexpr const char* kDefaultCodePage = "WINDOWS-1250";
// The output of one iconv call. Every call has a fixed cost, and under
// AddressSanitizer it also checks all the input that is left, so a long line
// is converted in long chunks. Short lines, the common case, need no more
// than a short one.
constexpr size_t kShortChunkBytes = 512;
constexpr size_t kLongChunkBytes = 128 * 1024;

iconv_t OpenCodePage() {
  const char* named = std::getenv("QUARVEL_CODEPAGE");
  if (named != nullptr && *named != '\0') {
    const iconv_t converter = iconv_open("UTF-16LE", named);
    if (converter != reinterpret_cast<iconv_t>(-1)) return converter;
    std::fprintf(stderr, "quarvel: unknown code page %s, using %s\n", named, kDefaultCodePage);
  }
  return iconv_open("UTF-16LE", kDefaultCodePage);
}

bool IsDirectory(std::FILE* stream) {
  struct stat status;
  return fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

struct Host::Converter {
  Converter() : descriptor(OpenCodePage()), chunk(kShortChunkBytes) {}
  ~Converter() { iconv_close(descriptor); }

  // Appends the UTF-16 units of one chunk of output, given as bytes.
  static void AppendUnits(const char* bytes, size_t size, WideString* out) {
    for (size_t i = 0; i + 1 < size; i += 2) {
      const auto low = static_cast<unsigned char>(bytes[i]);
      const auto high = static_cast<unsigned char>(bytes[i + 1]);
      out->push_back(static_cast<char16_t>(low | high << 8));
    }
  }

  WideString Convert(std::string_view text) {
    WideString wide;
    // One unit per byte in a single-byte code page, and no more in most others.
    wide.reserve(text.size());
    if (text.size() * 2 > chunk.size() && chunk.size() < kLongChunkBytes) {
      chunk.resize(kLongChunkBytes);
    }
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    while (in_left > 0) {
      char* out = chunk.data();
      size_t out_left = chunk.size();
      const size_t result = iconv(descriptor, &in, &in_left, &out, &out_left);
      const int error = errno;
      AppendUnits(chunk.data(), out - chunk.data(), &wide);
      if (result == static_cast<size_t>(-1) && error != E2BIG) {
        // A byte the code page does not define becomes the character of the
        // same value, as Windows converts the unassigned bytes of its
        // single-byte code pages.
        wide.push_back(static_cast<unsigned char>(*in));
        ++in;
        --in_left;
      }
    }
    return wide;
  }

  iconv_t descriptor;
  std::vector<char> chunk;
};

Host::Host() : converter_(std::make_unique<Converter>()) {}

Host::~Host() = default;

std::unique_ptr<InputFile> Host::OpenScript(const PathChar* path) {
  std::FILE* stream = std::fopen(path, "rb");
  if (stream != nullptr && IsDirectory(stream)) {
    std::fclose(stream);
    return nullptr;
  }
  return NewStdioInputFile(stream);
}

std::unique_ptr<OutputFile> Host::CreateTrace(const char* name) {
  return NewStdioOutputFile(std::fopen(name, "wb"));
}

WideString Host::ConvertAnsiText(std::string_view text) { return converter_->Convert(text); }

}  // namespace quarvel
