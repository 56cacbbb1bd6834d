// Reading groups of value lines, which are taken by position: whatever stands
// where a value is due is consumed as that value, keywords included.
#ifndef QUARVEL_SCRIPT_VALUE_LINES_H_
#define QUARVEL_SCRIPT_VALUE_LINES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/script_stream.h"
#include "script/script_values.h"

namespace quarvel {

// Reads the next N lines of `script` into `*lines`. Returns false when the
// script ends before all N lines were read.
template <size_t N>
bool ReadLines(ScriptStream& script, std::array<std::string, N>* lines) {
  for (std::string& line : *lines) {
    if (!ReadLine(script, &line)) return false;
  }
  return true;
}

// Reads the next N lines of `script` and converts each with ReadInt into
// `*values`; a line that holds no number gives 0. Returns false when the
// script ends before all N lines were read.
template <size_t N>
bool ReadValueLines(ScriptStream& script, std::array<int32_t, N>* values) {
  std::array<std::string, N> lines;
  if (!ReadLines(script, &lines)) return false;
  for (size_t i = 0; i < N; ++i) {
    (*values)[i] = 0;
    ReadInt(lines[i], &(*values)[i]);
  }
  return true;
}

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_VALUE_LINES_H_
