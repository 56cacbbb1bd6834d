// Narrow script text to the wide text that the drawing and file calls take.
#ifndef QUARVEL_SCRIPT_WIDEN_TEXT_H_
#define QUARVEL_SCRIPT_WIDEN_TEXT_H_

#include <string>
#include <string_view>

namespace quarvel {

// One UTF-16 code unit, in the type the host's wide calls take.
#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;

class Platform;

// Converts `text` from the system ANSI code page to UTF-16, up to its first
// NUL byte.
WideString WidenText(Platform& platform, std::string_view text);

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_WIDEN_TEXT_H_
