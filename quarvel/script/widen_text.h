// Narrow script text to the wide text that the drawing and file calls take.
#ifndef QUARVEL_SCRIPT_WIDEN_TEXT_H_
#define QUARVEL_SCRIPT_WIDEN_TEXT_H_

#include <string_view>

#include "host.h"
#include "shared_types.h"

namespace quarvel {

// Converts `text` from the system ANSI code page to UTF-16 through `host`,
// up to its first NUL byte.
WideString WidenText(Host& host, std::string_view text);

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_WIDEN_TEXT_H_
