#include "script/script_values.h"

#include "script/int32_arithmetic.h"

namespace quarvel {

namespace {

constexpr int32_t kScriptUnit = 8;
constexpr int32_t kTopEdge = 800;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsNumberSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

NumberScan ScanInt(std::string_view line) {
  size_t at = 0;
  while (at < line.size() && IsNumberSpace(line[at])) ++at;
  const bool negative = at < line.size() && line[at] == '-';
  if (at < line.size() && (line[at] == '-' || line[at] == '+')) ++at;
  if (at == line.size() || !IsDigit(line[at])) return {};

  // The magnitude saturates just above the range, so a long run of digits
  // cannot overflow while it is still being read.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 2;
  int64_t magnitude = 0;
  for (; at < line.size() && IsDigit(line[at]); ++at) {
    magnitude = magnitude * 10 + (line[at] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return {NumberScan::Result::kOutOfRange, 0, at};
  return {NumberScan::Result::kNumber, static_cast<int32_t>(value), at};
}

void ReadInt(std::string_view line, int32_t* target) {
  const NumberScan scan = ScanInt(line);
  if (scan.result == NumberScan::Result::kNumber) *target = scan.value;
}

DevicePoint ToDevicePoint(int32_t x, int32_t y) {
  return {WrapMul(x, kScriptUnit), WrapMul(WrapSub(kTopEdge, y), kScriptUnit)};
}

}  // namespace quarvel
