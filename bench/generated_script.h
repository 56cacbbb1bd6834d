// Generated document scripts for the benchmarks: invoice pages with a text
// block, a simple table with its rules and cell text, and a header table.
#ifndef QUARVEL_BENCH_GENERATED_SCRIPT_H_
#define QUARVEL_BENCH_GENERATED_SCRIPT_H_

#include <cstddef>
#include <filesystem>
#include <string>

namespace quarvel {

// The lines of page number `page`, from "beginPage" through "endPage".
std::string GeneratedPage(int page);

// A whole script of at least `bytes` bytes, held in memory.
std::string GeneratedScript(size_t bytes);

// Writes a whole script of at least `bytes` bytes and `pages` pages to a
// file in the temporary directory, page by page, and returns its path.
std::filesystem::path WriteGeneratedScript(size_t bytes, int pages);

}  // namespace quarvel

#endif  // QUARVEL_BENCH_GENERATED_SCRIPT_H_
