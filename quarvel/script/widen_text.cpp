#include "script/widen_text.h"

namespace quarvel {

void WidenText(Host& host, std::string_view text, WideString* wide) {
  host.ConvertAnsiText(text.substr(0, text.find('\0')), wide);
}

WideString WidenText(Host& host, std::string_view text) {
  WideString wide;
  WidenText(host, text, &wide);
  return wide;
}

}  // namespace quarvel
