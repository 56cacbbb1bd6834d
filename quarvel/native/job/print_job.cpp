#include "native/job/print_job.h"

#include <algorithm>
#include <cctype>

namespace quarvel {

namespace {

constexpr OutputFormatInfo kFormats[] = {
    {"pdf", ".pdf", "application/pdf", false},
    {"ps", ".ps", "application/postscript", false},
    {"svg", ".svg", "image/svg+xml", true},
    {"png", ".png", "image/png", true},
};

}  // namespace

const OutputFormatInfo& InfoOf(OutputFormat format) { return kFormats[static_cast<int>(format)]; }

bool HasExtensionOf(std::string_view path, OutputFormat format) {
  const std::string_view ending = InfoOf(format).extension;
  return path.size() > ending.size() &&
         std::equal(
             ending.begin(), ending.end(), path.end() - ending.size(),
             [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

std::optional<OutputFormat> FormatOfPath(std::string_view path) {
  for (const OutputFormat format : kOutputFormats) {
    if (HasExtensionOf(path, format)) return format;
  }
  return std::nullopt;
}

}  // namespace quarvel
