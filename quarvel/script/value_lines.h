// Reading groups of value lines, which are taken by position: whatever stands
// where a value is due is consumed as that value, keywords included.
#ifndef QUARVEL_SCRIPT_VALUE_LINES_H_
#define QUARVEL_SCRIPT_VALUE_LINES_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "script/script_listener.h"
#include "script/script_stream.h"

namespace quarvel {

// Reads one value line for each of `names`, in order, into `*values`; a line
// that holds no number gives 0. Returns false when the script ends before
// all of them were read.
template <size_t N>
bool ReadValueLines(ScriptStream& script, const std::array<ValueName, N>& names,
                    std::array<int32_t, N>* values) {
  for (size_t i = 0; i < N; ++i) {
    (*values)[i] = 0;
    if (!ReadValueLine(script, names[i], &(*values)[i])) return false;
  }
  return true;
}

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_VALUE_LINES_H_
