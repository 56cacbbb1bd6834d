// Rendering speed and output size of the native printer's PDF.
//
//   build/native/bin/quarvel_pdf_bench
//
// Prints a generated 200-page invoice script at 600 dpi and reports pages
// rendered per second and the bytes of PDF per page.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "generated_script.h"
#include "print_document.h"
#include "native/render/rendering_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

constexpr int kPages = 200;

// Keeps only the size of what it is given.
class MeasuredDelivery : public JobDelivery {
 public:
  std::string NextTarget() const override { return "memory"; }
  Status Deliver(std::string_view, int, std::span<const JobFile> files) override {
    bytes = files.front().bytes.size();
    return Status::Ok();
  }
  size_t bytes = 0;
};

void BM_RenderPdf(benchmark::State& state) {
  const std::filesystem::path script = WriteGeneratedScript(0, kPages);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(script.parent_path());
  MeasuredDelivery delivery;
  PrintEvents silent;
  for (auto _ : state) {
    RenderingPrinter printer({}, delivery, silent);
    PrintDocument(TestHost(), printer, script.c_str());
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove(script);
  state.counters["pages_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kPages), benchmark::Counter::kIsRate);
  state.counters["bytes_per_page"] = static_cast<double>(delivery.bytes) / kPages;
}
BENCHMARK(BM_RenderPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quarvel

BENCHMARK_MAIN();
