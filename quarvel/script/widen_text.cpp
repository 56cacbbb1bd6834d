#include "script/widen_text.h"

#include "platform.h"

namespace quarvel {

WideString WidenText(Platform& platform, std::string_view text) {
  return platform.ConvertAnsiText(text.substr(0, text.find('\0')));
}

}  // namespace quarvel
