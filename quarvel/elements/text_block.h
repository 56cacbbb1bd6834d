// The text block: lines of Arial text in one style and size, left-aligned at
// one x position.
//
//   beginText
//   (spare line)      never interpreted
//   size              font height in device units; 60 when no number
//   style             "normal", "bold", "italic" or "bolditalic"
//   (spare line)      never interpreted
//   x                 left edge, script units
//   y                 top of the first line, script units
//   text lines ...    each drawn as one line
//   endText
#ifndef QUARVEL_ELEMENTS_TEXT_BLOCK_H_
#define QUARVEL_ELEMENTS_TEXT_BLOCK_H_

#include <cstdint>
#include <string_view>

#include "host.h"
#include "printer/printer.h"
#include "script/script_stream.h"

namespace quarvel {

// The font that a style word asks for: weight 700 for "bold" and
// "bolditalic", italic for "italic" and "bolditalic", matched exactly and
// case-sensitively; any other word gives normal weight, upright. The height
// is `size`, unchanged.
FontSpec FontForStyle(std::string_view style, int32_t size);

// Draws `text` (up to its first NUL byte) in Arial with `font`, which
// FontForStyle gives for a size and style word, with the top-left corner of
// its cell at the script position (x, y). The one routine that draws text,
// for text blocks and tables alike; the lines of a block share one font,
// looked up once. *wide is room for the converted text, whose memory is
// reused from line to line.
void DrawTextLine(Host& host, Printer& printer, std::string_view text, int32_t x, int32_t y,
                  const FontSpec& font, WideString* wide);

// Gives the y of the next line of a text block from the y and the size of
// the current one, in script units.
using NextLineY = int32_t (*)(int32_t y, int32_t size);

// The line advance of a text block: each line lies size / 8 script units
// (truncated toward zero) below the one before.
int32_t LineBelow(int32_t y, int32_t size);

// Reads a text block from the line after "beginText" through "endText" and
// draws its text lines, moving y by `next_line_y` after each one. The end of
// the script ends the block; the lines read before it are drawn.
void DrawTextBlock(ScriptStream& script, Host& host, Printer& printer, NextLineY next_line_y);

// A top-level text block, whose lines go downward by LineBelow.
inline void DrawTextBlock(ScriptStream& script, Host& host, Printer& printer) {
  DrawTextBlock(script, host, printer, LineBelow);
}

}  // namespace quarvel

#endif  // QUARVEL_ELEMENTS_TEXT_BLOCK_H_
