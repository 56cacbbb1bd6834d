#include "elements/text_block.h"

#include <string>

#include "script/int32_arithmetic.h"
#include "script/script_listener.h"
#include "script/script_values.h"
#include "script/widen_text.h"

namespace quarvel {

namespace {

constexpr int32_t kDefaultSize = 60;
constexpr int32_t kNormalWeight = 400;
constexpr int32_t kBoldWeight = 700;

struct StyleWord {
  std::string_view word;
  bool bold;
  bool italic;
};

constexpr StyleWord kStyleWords[] = {
    {"normal", false, false},
    {"bold", true, false},
    {"italic", false, true},
    {"bolditalic", true, true},
};

// The values that the six lines after "beginText" give, by position.
struct TextBlockValues {
  int32_t size = kDefaultSize;
  std::string style;
  int32_t x = 0;
  int32_t y = 0;
};

bool ReadTextBlockValues(ScriptStream& script, TextBlockValues* values) {
  std::string spare;
  return ReadTakenLine(script, LineRole::kSpare, &spare) &&
         ReadValueLine(script, ValueName::kSize, &values->size) &&
         ReadTakenLine(script, LineRole::kStyle, &values->style) &&
         ReadTakenLine(script, LineRole::kSpare, &spare) &&
         ReadValueLine(script, ValueName::kX, &values->x) &&
         ReadValueLine(script, ValueName::kY, &values->y);
}

}  // namespace

FontSpec FontForStyle(std::string_view style, int32_t size) {
  FontSpec font{size, kNormalWeight, false};
  for (const StyleWord& entry : kStyleWords) {
    if (IsKeyword(style, entry.word)) {
      font.weight = entry.bold ? kBoldWeight : kNormalWeight;
      font.italic = entry.italic;
    }
  }
  return font;
}

void DrawTextLine(Host& host, Printer& printer, std::string_view text, int32_t x, int32_t y,
                  const FontSpec& font, WideString* wide) {
  WidenText(host, text, wide);
  printer.OutputText(ToDevicePoint(x, y), font, *wide);
}

int32_t LineBelow(int32_t y, int32_t size) { return WrapSub(y, size / 8); }

void DrawTextBlock(ScriptStream& script, Host& host, Printer& printer, NextLineY next_line_y) {
  NoteBlockOpened(script, BlockKind::kTextBlock);
  TextBlockValues values;
  if (!ReadTextBlockValues(script, &values)) return;
  const FontSpec font = FontForStyle(values.style, values.size);
  std::string text;
  WideString wide;
  while (ReadLineOfBlock(script, "endText", &text)) {
    NoteTextLine(script, text);
    DrawTextLine(host, printer, text, values.x, values.y, font, &wide);
    values.y = next_line_y(values.y, values.size);
  }
}

}  // namespace quarvel
