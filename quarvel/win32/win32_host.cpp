// The host on Windows: files opened by wide paths with sharing open to other
// readers and writers, and the system ANSI code page.
#include "win32/win32_windows.h"

#include <share.h>

#include <memory>
#include <string>

#include <cstdio>

#include "host.h"
#include "stdio_file.h"

namespace quarvel {

namespace {

class Win32Host : public Host {
 public:
  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override {
    return NewStdioInputFile(_wfsopen(path, L"rb", _SH_DENYNO));
  }

  std::unique_ptr<OutputFile> CreateTrace(const char* name) override {
    WideString wide_name;
    ConvertAnsiText(name, &wide_name);
    return NewStdioOutputFile(_wfsopen(wide_name.c_str(), L"wb", _SH_DENYNO));
  }

  void ConvertAnsiText(std::string_view text, WideString* wide) override {
    // MultiByteToWideChar takes the text with its terminating NUL, so that
    // the result is terminated as well.
    const std::string terminated(text);
    wide->resize(text.size() + 1);
    const int units = MultiByteToWideChar(CP_ACP, 0, terminated.c_str(), -1, wide->data(),
                                          static_cast<int>(wide->size()));
    wide->resize(units > 0 ? units - 1 : 0);
  }

  void WriteStandardOutput(std::string_view message) override { WriteToStdout(message); }
};

}  // namespace

std::unique_ptr<Host> NewSystemHost() { return std::make_unique<Win32Host>(); }

}  // namespace quarvel
