#include "printer/drawing_limits.h"

#include <cmath>

namespace quarvel {

namespace {

bool Within(double pixels) { return std::abs(pixels) <= kMaxDrawnPixels; }

bool Within(DevicePoint point) { return Within(point.x) && Within(point.y); }

// Device pixels of `units` hundredths of an inch at `dpi`.
double Pixels(int64_t units, int dpi) { return static_cast<double>(units) * dpi / 100; }

}  // namespace

bool TextHeightIsDrawn(const FontSpec& font) {
  return std::abs(int64_t{font.height}) <= kMaxTextHeight;
}

bool TextIsDrawn(DevicePoint at, const FontSpec& font) {
  return Within(at) && TextHeightIsDrawn(font);
}

bool SegmentIsDrawn(DevicePoint from, DevicePoint to) { return Within(from) && Within(to); }

bool ImageIsDrawn(const ImageRect& rect, int dpi) {
  return Within(Pixels(rect.x, dpi)) && Within(Pixels(rect.y, dpi)) &&
         Within(Pixels(int64_t{rect.x} + rect.width, dpi)) &&
         Within(Pixels(int64_t{rect.y} + rect.height, dpi));
}

}  // namespace quarvel
