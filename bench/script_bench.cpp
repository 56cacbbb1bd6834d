// Throughput of the script rules and of the whole interpreter.
//
//   build/native/bin/quarvel_bench
//
// ReadLines and ReadInt run over a generated script held in memory. The
// interpreter runs over generated script files of 10 MB and 100 MB with a
// printer that discards, and reports the process's peak resident memory,
// which must not grow with the size of the script; the dry run (the log
// printer) and the script checker run over the 100 MB file.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "checker/script_checker.h"
#include "generated_script.h"
#include "host.h"
#include "print_document.h"
#include "printer/log_printer.h"
#include "script/script_stream.h"
#include "script/script_values.h"
#include "printer/discarding_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

double PeakResidentMegabytes() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// Runs `run` over a generated script file of state.range(0) MB, from the
// file's directory, once per iteration.
template <typename Run>
void RunOverScriptFile(benchmark::State& state, Run run) {
  const auto path = WriteGeneratedScript(static_cast<size_t>(state.range(0)) << 20, 1);
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(path.parent_path());
  for (auto _ : state) run(path.c_str());
  std::filesystem::current_path(previous);
  std::filesystem::remove(path);
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

// The interpreter alone, with a printer that discards.
void BM_InterpretScriptFile(benchmark::State& state) {
  RunOverScriptFile(state, [](const char* path) {
    DiscardingPrinter printer;
    PrintDocument(TestHost(), printer, path);
  });
}
BENCHMARK(BM_InterpretScriptFile)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

// The dry run: the operation log, written to /dev/null.
void BM_LogScriptFile(benchmark::State& state) {
  RunOverScriptFile(state, [](const char* path) {
    std::FILE* null = std::fopen("/dev/null", "wb");
    StreamLineSink sink(null);
    LogPrinter printer(sink);
    PrintDocument(TestHost(), printer, path);
    std::fclose(null);
  });
}
BENCHMARK(BM_LogScriptFile)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

// The script checker, with the kinds of finding it reports by default.
void BM_CheckScriptFile(benchmark::State& state) {
  RunOverScriptFile(state, [](const char* path) {
    size_t findings = 0;
    CheckScript(
        TestHost(), [](const WideString&) { return std::string(); }, path, CheckOptions(),
        [&findings](const Finding&) { ++findings; });
    benchmark::DoNotOptimize(findings);
  });
}
BENCHMARK(BM_CheckScriptFile)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

// Registered after the interpreter, so that the peak memory it reports is
// the interpreter's own.
const std::string& InMemoryScript() {
  static const std::string script = GeneratedScript(64 << 20);
  return script;
}

void BM_ReadLines(benchmark::State& state) {
  const std::string& bytes = InMemoryScript();
  int64_t lines = 0;
  for (auto _ : state) {
    ScriptStream script(NewStringViewInputFile(bytes));
    std::string line;
    while (ReadLine(script, &line)) ++lines;
  }
  state.SetItemsProcessed(lines);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond);

void BM_ReadInt(benchmark::State& state) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100000; ++i) lines.push_back(std::to_string(i * 7919 % 100000 - 50000));
  int32_t sum = 0;
  for (auto _ : state) {
    for (const std::string& line : lines) {
      int32_t value = 0;
      ReadInt(line, &value);
      sum += value;
    }
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ReadInt);

// Converting one long line to the wide text of the drawing calls, which
// every text line of a script goes through.
void BM_ConvertLongLine(benchmark::State& state) {
  const std::string line(static_cast<size_t>(state.range(0)) << 20, 'x');
  Host& host = TestHost();
  WideString wide;
  for (auto _ : state) {
    host.ConvertAnsiText(line, &wide);
    benchmark::DoNotOptimize(wide.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_ConvertLongLine)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarvel

BENCHMARK_MAIN();
