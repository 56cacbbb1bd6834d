// The host's own file and text services, shared by every printer of the
// program. Host implements the file and text half of Platform and leaves the
// printing half to the printer classes derived from it. Its implementation
// is picked by the build: host_win32.cpp on Windows, host_posix.cpp
// elsewhere.
#ifndef QUARVEL_HOST_H_
#define QUARVEL_HOST_H_

#include <memory>
#include <string_view>

#include "platform.h"

namespace quarvel {

class Host : public Platform {
 public:
  Host();
  ~Host() override;

  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override;
  std::unique_ptr<OutputFile> CreateTrace(const char* name) override;
  // On Windows the system ANSI code page; elsewhere Windows-1250, or the
  // code page that the environment variable QUARVEL_CODEPAGE names (an
  // iconv name).
  WideString ConvertAnsiText(std::string_view text) override;
  void WriteStandardOutput(std::string_view message) override;

 private:
  struct Converter;
  std::unique_ptr<Converter> converter_;
};

}  // namespace quarvel

#endif  // QUARVEL_HOST_H_
