// Narrow script text to the wide text that the drawing and file calls take.
#ifndef QUARVEL_SCRIPT_WIDEN_TEXT_H_
#define QUARVEL_SCRIPT_WIDEN_TEXT_H_

#include <string_view>

#include "host.h"
#include "shared_types.h"

namespace quarvel {

// Replaces the contents of *wide with `text` converted from the system ANSI
// code page to UTF-16 through `host`, up to its first NUL byte; the memory
// that *wide holds is reused.
void WidenText(Host& host, std::string_view text, WideString* wide);

// The same, into a new string.
WideString WidenText(Host& host, std::string_view text);

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_WIDEN_TEXT_H_
