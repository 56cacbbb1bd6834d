// Signed 32-bit arithmetic that wraps around as two's complement.
//
// Script numbers are signed 32-bit integers, and every computation made with
// them (device points, line advances, image offsets) wraps on overflow instead
// of trapping. The operations go through unsigned arithmetic so that the wrap
// is defined behaviour in C++.
#ifndef QUARVEL_SCRIPT_INT32_ARITHMETIC_H_
#define QUARVEL_SCRIPT_INT32_ARITHMETIC_H_

#include <cstdint>

namespace quarvel {

inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_INT32_ARITHMETIC_H_
