#include "native/pdf/pdf_file.h"

#include <libdeflate.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "handles/c_handle.h"

namespace quarvel {

namespace {

// Every byte over 127 in the header's comment marks the file as binary.
constexpr std::string_view kHeader = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
constexpr double kLargestNumber = 1e9;
// The level of Flate compression. libdeflate's level 1 makes text pages
// about as small as zlib's default level, in a fraction of its time; its
// default, 6, makes them 2% smaller and the embedded fonts 3%.
constexpr int kCompressionLevel = 1;

// Compresses `data` into `*out` with zlib's format, as Flate wants it;
// false when it cannot. The compressor is made once for each thread.
bool Deflate(std::string_view data, std::string* out) {
  thread_local const CHandle<libdeflate_compressor, libdeflate_free_compressor> compressor(
      libdeflate_alloc_compressor(kCompressionLevel));
  if (compressor == nullptr) return false;
  out->resize(libdeflate_zlib_compress_bound(compressor.get(), data.size()));
  const size_t length = libdeflate_zlib_compress(compressor.get(), data.data(), data.size(),
                                                 out->data(), out->size());
  out->resize(length);
  return length != 0;
}

}  // namespace

PdfFile::PdfFile() : bytes_(kHeader) {}

int PdfFile::NewObject() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size());
}

void PdfFile::StartObject(int number) {
  offsets_[number - 1] = bytes_.size();
  AppendInteger(number, &bytes_);
  bytes_ += " 0 obj\n";
}

void PdfFile::WriteObject(int number, std::string_view body) {
  StartObject(number);
  bytes_ += body;
  bytes_ += "\nendobj\n";
}

void PdfFile::WriteStream(int number, std::string_view entries, std::string_view data,
                          bool compress) {
  std::string compressed;
  compress = compress && Deflate(data, &compressed);
  if (compress) data = compressed;
  StartObject(number);
  bytes_ += "<<";
  bytes_ += entries;
  bytes_ += compress ? " /Filter /FlateDecode /Length " : " /Length ";
  AppendInteger(static_cast<int64_t>(data.size()), &bytes_);
  bytes_ += ">>\nstream\n";
  bytes_ += data;
  bytes_ += "\nendstream\nendobj\n";
}

std::string PdfFile::Finish(int root, int info) {
  const size_t table = bytes_.size();
  bytes_ += "xref\n0 ";
  AppendInteger(static_cast<int64_t>(offsets_.size()) + 1, &bytes_);
  bytes_ += "\n0000000000 65535 f \n";
  for (const size_t offset : offsets_) {
    char entry[21];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    bytes_.append(entry, 20);
  }
  bytes_ += "trailer\n<</Size ";
  AppendInteger(static_cast<int64_t>(offsets_.size()) + 1, &bytes_);
  bytes_ += " /Root ";
  AppendInteger(root, &bytes_);
  bytes_ += " 0 R /Info ";
  AppendInteger(info, &bytes_);
  bytes_ += " 0 R>>\nstartxref\n";
  AppendInteger(static_cast<int64_t>(table), &bytes_);
  bytes_ += "\n%%EOF\n";
  return std::move(bytes_);
}

void AppendNumber(double value, std::string* out, int decimals) {
  if (std::isnan(value)) value = 0;
  value = std::fmax(-kLargestNumber, std::fmin(kLargestNumber, value));
  uint64_t unit = 1;
  for (int i = 0; i < decimals; ++i) unit *= 10;
  const int64_t units = std::llround(value * static_cast<double>(unit));
  if (units < 0) *out += '-';
  const uint64_t magnitude = static_cast<uint64_t>(units < 0 ? -units : units);
  AppendInteger(static_cast<int64_t>(magnitude / unit), out);
  uint64_t fraction = magnitude % unit;
  if (fraction == 0) return;
  *out += '.';
  for (uint64_t place = unit / 10; fraction != 0; place /= 10) {
    *out += static_cast<char>('0' + fraction / place);
    fraction %= place;
  }
}

void AppendInteger(int64_t value, std::string* out) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out->append(digits, end);
}

void AppendStringBytes(std::string_view bytes, std::string* out) {
  for (const char byte : bytes) {
    switch (byte) {
      case '(': case ')': case '\\': *out += '\\'; *out += byte; break;
      case '\r': *out += "\\r"; break;
      case '\n': *out += "\\n"; break;
      default: *out += byte;
    }
  }
}

void AppendLiteralString(std::string_view text, std::string* out) {
  *out += '(';
  AppendStringBytes(text, out);
  *out += ')';
}

}  // namespace quarvel
