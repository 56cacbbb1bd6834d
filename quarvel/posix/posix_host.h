// The host on POSIX systems: stdio files, and script text converted with
// iconv from a code page named by its iconv name.
#ifndef QUARVEL_POSIX_POSIX_HOST_H_
#define QUARVEL_POSIX_POSIX_HOST_H_

#include <iconv.h>

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "handles/c_handle.h"
#include "host.h"
#include "posix/trace_files.h"

namespace quarvel {

// The code page of the scripts that the program was made for.
inline constexpr const char* kDefaultCodePage = "WINDOWS-1250";

using IconvHandle = CHandle<void, iconv_close>;

// Returns true when iconv can read text in `code_page`.
bool IsKnownCodePage(const char* code_page);

class PosixHost : public Host {
 public:
  // Reads script text in `code_page`, an iconv name; an unknown name is
  // reported on standard error and replaced by kDefaultCodePage.
  explicit PosixHost(const char* code_page = kDefaultCodePage);

  std::unique_ptr<InputFile> OpenScript(const PathChar* path) override;
  // Keeps each trace open between its blocks (see trace_files.h).
  std::unique_ptr<OutputFile> CreateTrace(const char* name) override;
  // A byte that the code page leaves undefined becomes the character of the
  // same value, as Windows converts the unassigned bytes of its single-byte
  // code pages.
  void ConvertAnsiText(std::string_view text, WideString* wide) override;
  void WriteStandardOutput(std::string_view message) override;

 private:
  // Replaces *wide with `text` converted through iconv, in chunks.
  void ConvertThroughIconv(std::string_view text, WideString* wide);

  IconvHandle converter_;
  // The unit of each byte, when the code page has one for every byte: a
  // single-byte code page, converted through a table made from iconv's own
  // answers once, at start. Other code pages go through iconv every time.
  std::optional<std::array<char16_t, 256>> byte_units_;
  // Whether the table gives every ASCII byte its own value, so that runs of
  // ASCII are widened without it.
  const bool ascii_is_itself_;
  // The output of one iconv call, grown for long lines.
  std::vector<char> chunk_;
  TraceFiles traces_;
};

}  // namespace quarvel

#endif  // QUARVEL_POSIX_POSIX_HOST_H_
