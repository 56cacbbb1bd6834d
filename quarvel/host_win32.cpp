// Host services on Windows: files opened by wide paths with sharing open to
// other readers and writers, and the system ANSI code page.
#include "win32_windows.h"

#include <share.h>

#include <cstdio>

#include "host.h"
#include "stdio_file.h"

namespace quarvel {

struct Host::Converter {};

Host::Host() = default;

Host::~Host() = default;

std::unique_ptr<InputFile> Host::OpenScript(const PathChar* path) {
  return NewStdioInputFile(_wfsopen(path, L"rb", _SH_DENYNO));
}

std::unique_ptr<OutputFile> Host::CreateTrace(const char* name) {
  const WideString wide_name = ConvertAnsiText(name);
  return NewStdioOutputFile(_wfsopen(wide_name.c_str(), L"wb", _SH_DENYNO));
}

WideString Host::ConvertAnsiText(std::string_view text) {
  // MultiByteToWideChar takes the text with its terminating NUL, so that the
  // result is terminated as well.
  const std::string terminated(text);
  WideString wide(text.size() + 1, L'\0');
  const int units = MultiByteToWideChar(CP_ACP, 0, terminated.c_str(), -1, wide.data(),
                                        static_cast<int>(wide.size()));
  wide.resize(units > 0 ? units - 1 : 0);
  return wide;
}

}  // namespace quarvel
