// Helpers shared by the unit tests.
#ifndef QUARVEL_TESTING_TEST_SUPPORT_H_
#define QUARVEL_TESTING_TEST_SUPPORT_H_

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files.h"
#include "host.h"
#include "printer/printer.h"
#include "script/script_stream.h"
#include "testing/recording_printer.h"

namespace quarvel {

// An input file that serves `bytes`, at most `chunk` bytes per read, so that
// line ends can be made to straddle reads.
std::unique_ptr<InputFile> NewStringInputFile(std::string bytes, size_t chunk = 1 << 16);

// The same without a copy: `bytes` must outlive the file.
std::unique_ptr<InputFile> NewStringViewInputFile(std::string_view bytes);

// The system's host, one for the whole test program.
Host& TestHost();

// TestHost(), except that every script it opens is `bytes`, whatever the
// path; `bytes` must outlive the host.
class FixedScriptHost : public HostWrapper {
 public:
  explicit FixedScriptHost(std::string_view bytes) : HostWrapper(TestHost()), bytes_(bytes) {}

  std::unique_ptr<InputFile> OpenScript(const PathChar*) override {
    return NewStringViewInputFile(bytes_);
  }

 private:
  std::string_view bytes_;
};

// A script stream on `bytes`.
std::unique_ptr<ScriptStream> ScriptFromBytes(std::string bytes, size_t chunk = 1 << 16);

// `text` as the wide text of the host.
WideString Wide(std::u16string_view text);

// The lines `lines` joined by line feeds, with a line feed after the last.
std::string Lines(const std::vector<std::string>& lines);

// Reads the whole file at `path`; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Writes `bytes` to the file at `path`, replacing it.
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// Block handlers, as the main loop and the tables call them: those that
// use the host's files or text, and those that only draw.
using BlockHandler = void (*)(ScriptStream& script, Host& host, Printer& printer);
using DrawingBlockHandler = void (*)(ScriptStream& script, Printer& printer);

// Runs `handler` over `script` (the lines after the block's keyword), with
// TestHost() and `printer`, and returns the line that follows the block, or
// "<end>" when the script ended inside it.
std::string RunBlock(BlockHandler handler, Printer& printer, std::string script);
std::string RunBlock(DrawingBlockHandler handler, Printer& printer, std::string script);

// Writes `script` to the file "script.txt" in the current directory, prints
// it through `printer` with a RecordingHost that shares the printer's log,
// and returns the recorded operations.
std::vector<std::string> RunScript(RecordingPrinter& printer, std::string_view script);

// The operations of a run whose dialog chose a printer, up to and including
// the installed abort procedure.
std::vector<std::string> StartUp(const std::string& orientation = "portrait");

// `first` followed by `rest`.
std::vector<std::string> Concat(std::vector<std::string> first,
                                const std::vector<std::string>& rest);

// A fresh directory that is the current directory for the lifetime of the
// object; the previous current directory is restored and the directory
// removed afterwards.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

}  // namespace quarvel

#endif  // QUARVEL_TESTING_TEST_SUPPORT_H_
