// The render fuzzer: the whole run of PrintDocument over the fuzzer's bytes
// as a document script, as script_fuzzer.cpp runs it, but printing through
// the native printer, which draws every page into memory (PDF with its own
// writer, the other formats with cairo) and decodes every image it is
// given. The jobs are dropped when they are finished, never written or
// queued.
//
//   bash scripts/fuzz.sh SECONDS render_fuzzer
//
// The images of fuzz/images (made by fuzz/make_images.py), sound, cut short
// and lying, are copied into the temporary directory that is the process's
// current directory, so that a script names them by their file names.
//
// The input's last byte picks the output format, so that every format is
// drawn: its value modulo 4 indexes kSettings, and the seeds of
// fuzz/render_corpus end in a line "0" (PDF), "1" (PostScript), "2" (SVG)
// or "3" (PNG). Besides the sanitizers' reports, a GLib warning or critical
// message, which the image decoders print when they are misused, stops the
// process.
#include <glib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string_view>

#include "native/render/rendering_printer.h"
#include "print_document.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

// Drops every job.
class DroppedJobs : public JobDelivery {
 public:
  std::string NextTarget() const override { return "nowhere"; }
  Status Deliver(std::string_view, int, std::span<const JobFile>) override { return Status::Ok(); }
};

// The output formats, each on a device that keeps the pages small enough
// to be drawn many times a second: a PNG page is a raster of the sheet.
const PageSettings kSettings[] = {
    {{600, kA4}, std::nullopt, OutputFormat::kPdf},
    {{300, kLetter}, std::nullopt, OutputFormat::kPostScript},
    {{600, kA4}, std::nullopt, OutputFormat::kSvg},
    {{72, kA4}, std::nullopt, OutputFormat::kPng},
};

// Writes GLib's messages as GLib does, and aborts after a warning, a
// critical message or an error, so that the fuzzer keeps the input. (GLib's
// own fatal messages stop the process by a trap, which it does not catch.)
GLogWriterOutput AbortOnWarnings(GLogLevelFlags level, const GLogField* fields, gsize n_fields,
                                 gpointer data) {
  const GLogWriterOutput written = g_log_writer_default(level, fields, n_fields, data);
  if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0) std::abort();
  return written;
}

// Makes the process's current directory a temporary one holding the
// images, and GLib's warnings fatal.
void SetUp() {
  static const ScopedTempDir images_dir;
  for (const auto& image : std::filesystem::directory_iterator(QUARVEL_FUZZ_IMAGES_DIR)) {
    std::filesystem::copy_file(image.path(), image.path().filename());
  }
  g_log_set_writer_func(AbortOnWarnings, nullptr, nullptr);
}

}  // namespace
}  // namespace quarvel

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quarvel::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t last = size == 0 ? 0 : data[size - 1];
  const quarvel::PageSettings& settings = quarvel::kSettings[last % std::size(quarvel::kSettings)];
  quarvel::FixedScriptHost host(std::string_view(reinterpret_cast<const char*>(data), size));
  quarvel::DroppedJobs jobs;
  quarvel::PrintEvents silent;
  quarvel::RenderingPrinter printer(settings, jobs, silent);
  quarvel::PrintDocument(host, printer, "script.txt");
  return 0;
}
