// What the native printer draws: positions and sizes within what every
// one of its output formats takes (cairo's coordinates hold 23 bits of
// whole pixels, FreeType's glyphs 16 bits to the em). A drawing beyond them
// is left out whole, in every format, and the script checker reports it.
// Images are measured at the native printer's default 600 dpi.
#ifndef QUARVEL_PRINTER_DRAWING_LIMITS_H_
#define QUARVEL_PRINTER_DRAWING_LIMITS_H_

#include <cstdint>

#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

inline constexpr double kMaxDrawnPixels = 8388607;  // from the origin, either way
inline constexpr int64_t kMaxTextHeight = 65535;    // device pixels, in either sense

// Whether text of `font` is of a height that is drawn.
bool TextHeightIsDrawn(const FontSpec& font);

// Whether a line of text of `font` at `at` is drawn.
bool TextIsDrawn(DevicePoint at, const FontSpec& font);

// Whether a segment from `from` to `to` is drawn.
bool SegmentIsDrawn(DevicePoint from, DevicePoint to);

// Whether an image into `rect` is drawn, on a device of `dpi`.
bool ImageIsDrawn(const ImageRect& rect, int dpi = 600);

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_DRAWING_LIMITS_H_
