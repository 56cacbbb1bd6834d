// The host on POSIX systems: stdio files, and script text converted with
// iconv from a code page named by its iconv name.
#ifndef QUARVEL_POSIX_POSIX_HOST_H_
#define QUARVEL_POSIX_POSIX_HOST_H_

#include <iconv.h>

#include <memory>
#include <string_view>
#include <vector>

#include "host.h"

namespace quarvel {

// The code page of the scripts that the program was made for.
inline constexpr const char* kDefaultCodePage = "WINDOWS-1250";

// Returns true when iconv can read text in `code_page`.
bool IsKnownCodePage(const char* code_page);

class PosixHost : public Host {
 public:
  // Reads script text in `code_page`, an iconv name; an unknown name is
  // reported on standard error and replaced by kDefaultCodePage.
  explicit PosixHost(const char* code_page = kDefaultCodePage);
  ~PosixHost() override;
  PosixHost(const PosixHost&) = delete;
  PosixHost& operator=(const PosixHost&) = delete;

  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override;
  std::unique_ptr<OutputFile> CreateTrace(const char* name) override;
  // A byte that the code page leaves undefined becomes the character of the
  // same value, as Windows converts the unassigned bytes of its single-byte
  // code pages.
  WideString ConvertAnsiText(std::string_view text) override;
  void WriteStandardOutput(std::string_view message) override;

 private:
  iconv_t converter_;
  // The output of one iconv call, grown for long lines.
  std::vector<char> chunk_;
};

}  // namespace quarvel

#endif  // QUARVEL_POSIX_POSIX_HOST_H_
