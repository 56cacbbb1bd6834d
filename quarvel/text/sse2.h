// The SSE2 paths of the text loops. x86-64 compilers always target SSE2,
// and the 32-bit Windows build does not, so it takes the portable paths.
// QUARVEL_PORTABLE_LOOPS (the CMake option, on in the asan preset) makes any
// build take them, so that the tests run them too.
#ifndef QUARVEL_TEXT_SSE2_H_
#define QUARVEL_TEXT_SSE2_H_

#if defined(__SSE2__) && !defined(QUARVEL_PORTABLE_LOOPS)
#define QUARVEL_SSE2 1
#include <emmintrin.h>
#endif

#endif  // QUARVEL_TEXT_SSE2_H_
