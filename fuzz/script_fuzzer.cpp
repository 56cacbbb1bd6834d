// The script fuzzer: the whole run of PrintDocument (the orientation
// prologue, the main loop and every block) over the fuzzer's bytes as a
// document script, which the host serves whatever path is opened, printing
// through the recording printer. The traces are real files, written into a
// temporary directory that is the process's current directory from the
// first input to its exit.
//
//   bash scripts/fuzz.sh
//
// The same bytes then go through the script checker, which interprets them
// once more with its own printer and host.
//
// Besides the sanitizers' reports, an image that is not released before the
// next operation of the run is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "checker/script_checker.h"
#include "print_document.h"
#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

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
  quarvel::FixedScriptHost host(std::string_view(reinterpret_cast<const char*>(data), size));
  quarvel::RecordingPrinter printer;
  quarvel::PrintDocument(host, printer, "script.txt");
  quarvel::CheckImagesAreReleased(printer.operations());
  quarvel::CheckScript(
      host, [](const quarvel::WideString&) { return std::string(); }, "script.txt",
      quarvel::CheckOptions(), [](const quarvel::Finding&) {});
  return 0;
}
