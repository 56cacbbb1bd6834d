#include "script/widen_text.h"

namespace quarvel {

WideString WidenText(Host& host, std::string_view text) {
  return host.ConvertAnsiText(text.substr(0, text.find('\0')));
}

}  // namespace quarvel
