// The rules by which every part of the program reads values from a script
// line, and the mapping of script positions to printer device points.
#ifndef QUARVEL_SCRIPT_SCRIPT_VALUES_H_
#define QUARVEL_SCRIPT_SCRIPT_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shared_types.h"

namespace quarvel {

// Returns true when `line` is exactly `keyword`: same length, same bytes,
// compared case-sensitively. Nothing is trimmed, so a blank, a tab or a
// carriage return anywhere in the line makes it unequal.
inline bool IsKeyword(std::string_view line, std::string_view keyword) { return line == keyword; }

// What the number rules make of a value line: the number it begins with,
// and where that number ends.
struct NumberScan {
  enum class Result {
    kNoNumber,    // no digit where the number is due
    kOutOfRange,  // digits whose value lies outside the signed 32-bit range
    kNumber,      // a number, `value`
  };
  Result result = Result::kNoNumber;
  int32_t value = 0;
  // The offset of the first byte after the number's digits (0 without them).
  size_t end = 0;
};

// Returns true for the bytes that ReadInt skips before a number: blank, tab,
// line feed, vertical tab, form feed and carriage return.
bool IsNumberSpace(char c);

// Scans `line` by the rules of ReadInt.
NumberScan ScanInt(std::string_view line);

// Sets `*target` to the decimal number that `line` begins with and leaves it
// unchanged when the line holds none. Leading white space (blank, tab, line
// feed, vertical tab, form feed, carriage return) is skipped, an optional
// sign is taken, then the digits directly after it; the first other byte ends
// the number. A line without a digit there, or whose value lies outside the
// signed 32-bit range, leaves the target as it was.
void ReadInt(std::string_view line, int32_t* target);

// Maps the script position (x, y) to the device point (x * 8, (800 - y) * 8).
// One script unit is 8 device pixels, and script y grows upward from the
// bottom with y = 800 on the top edge. The arithmetic wraps as signed 32-bit.
DevicePoint ToDevicePoint(int32_t x, int32_t y);

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_SCRIPT_VALUES_H_
