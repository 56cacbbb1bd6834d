// The types that cross the program's seams: the host's paths and wide text,
// and the points of the printer page. Neither seam nor the script rules
// reach them through one another.
#ifndef QUARVEL_SHARED_TYPES_H_
#define QUARVEL_SHARED_TYPES_H_

#include <cstdint>
#include <string>

namespace quarvel {

// A path in the host's own form, and one UTF-16 code unit in the type that
// the host's wide calls take: UTF-16 paths and wchar_t on Windows, byte
// paths and char16_t elsewhere.
#ifdef _WIN32
using PathChar = wchar_t;
using WideChar = wchar_t;
#else
using PathChar = char;
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;

// A point on the printer page in device pixels, origin at the top-left
// corner of the printable area, y growing downward.
struct DevicePoint {
  int32_t x = 0;
  int32_t y = 0;

  friend bool operator==(const DevicePoint&, const DevicePoint&) = default;
};

}  // namespace quarvel

#endif  // QUARVEL_SHARED_TYPES_H_
