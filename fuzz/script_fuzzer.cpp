// The script fuzzer: the whole run of PrintDocument (the orientation
// prologue, the main loop and every block) over the fuzzer's bytes as a
// document script, printing through the recording printer. The traces are
// real files, written into a temporary directory that is the process's
// current directory from the first input to its exit.
//
//   bash scripts/fuzz.sh
//
// Besides the sanitizers' reports, an image that is not released before the
// next operation of the run is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "print_document.h"
#include "printer/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

// The recording printer, with the fuzzer's bytes as the script whatever path
// it is asked to open, so that PrintDocument runs unchanged.
class FuzzedScriptPrinter : public RecordingPrinter {
 public:
  explicit FuzzedScriptPrinter(std::string script) : script_(std::move(script)) {}

  std::unique_ptr<InputFile> OpenScript(const PathChar*) override {
    return NewStringInputFile(std::move(script_));
  }

 private:
  std::string script_;
};

// Stops the process when an image outlives its element: every "load" must be
// followed by at most its drawing and then its "dispose".
void CheckImagesAreReleased(const std::vector<std::string>& operations) {
  for (size_t i = 0; i < operations.size(); ++i) {
    if (!operations[i].starts_with("load ")) continue;
    size_t next = i + 1;
    if (next < operations.size() && operations[next].starts_with("image ")) ++next;
    if (next < operations.size() && operations[next].starts_with("dispose ")) continue;
    std::fprintf(stderr, "image not released after operation %zu: %s\n", i, operations[i].c_str());
    std::abort();
  }
}

}  // namespace
}  // namespace quarvel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const quarvel::ScopedTempDir trace_dir;
  quarvel::FuzzedScriptPrinter printer(std::string(reinterpret_cast<const char*>(data), size));
  quarvel::PrintDocument(printer, "script.txt");
  quarvel::CheckImagesAreReleased(printer.operations());
  return 0;
}
