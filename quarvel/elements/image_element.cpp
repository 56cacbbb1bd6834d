#include "elements/image_element.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "script/int32_arithmetic.h"
#include "script/script_listener.h"
#include "script/value_lines.h"
#include "script/widen_text.h"

namespace quarvel {

namespace {

constexpr int32_t kLeftOffset = 115;
constexpr int32_t kTopOffset = 355;

}  // namespace

void DrawImageElement(ScriptStream& script, Host& host, Printer& printer) {
  NoteBlockOpened(script, BlockKind::kImage);
  std::string path;
  if (!ReadTakenLine(script, LineRole::kPath, &path)) return;
  const std::unique_ptr<Picture> picture = printer.LoadPicture(WidenText(host, path));
  DrawImage(script, printer, *picture);
}

void DrawImage(ScriptStream& script, Printer& printer, Picture& picture) {
  std::array<int32_t, 4> values;
  if (!ReadValueLines(script,
                      {ValueName::kLeft, ValueName::kTop, ValueName::kWidth, ValueName::kHeight},
                      &values)) {
    return;
  }
  NoteBlockClosed(script);
  const auto [left, top, width, height] = values;
  printer.DrawPicture(picture,
                      {WrapAdd(left, kLeftOffset), WrapSub(top, kTopOffset), width, height});
}

}  // namespace quarvel
