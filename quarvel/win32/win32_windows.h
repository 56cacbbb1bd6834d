// <windows.h> as every Win32 file of quarvel includes it: without the min
// and max macros and without the rarely used parts of the API.
#ifndef QUARVEL_WIN32_WIN32_WINDOWS_H_
#define QUARVEL_WIN32_WIN32_WINDOWS_H_

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#endif  // QUARVEL_WIN32_WIN32_WINDOWS_H_
