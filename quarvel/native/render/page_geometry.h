// The page geometry of the native printer: the device it imitates (a
// printer device context of a given resolution and paper), and the font
// mapper's meaning of a font height.
#ifndef QUARVEL_NATIVE_RENDER_PAGE_GEOMETRY_H_
#define QUARVEL_NATIVE_RENDER_PAGE_GEOMETRY_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace quarvel {

// A sheet of paper in portrait, in points (1/72 inch).
struct Paper {
  double width_points = 0;
  double height_points = 0;

  friend bool operator==(const Paper&, const Paper&) = default;
};

// A4 is 210 mm x 297 mm, letter 8.5 in x 11 in.
inline constexpr Paper kA4 = {210 / 25.4 * 72, 297 / 25.4 * 72};
inline constexpr Paper kLetter = {8.5 * 72, 11 * 72};

// A printer device: one logical unit is one device pixel, the printable area
// is the whole sheet, the origin is its top-left corner and y grows
// downward.
struct Device {
  int dpi = 600;
  Paper paper = kA4;
  bool landscape = false;
};

// Reads a resolution such as "300": a whole number of dots per inch from 72
// to 4800. Returns nothing for any other text.
std::optional<int> ParseDpi(std::string_view text);

// Reads a paper: a name, "a3", "a4", "a5", "letter" or "legal" in any case,
// or a size "WIDTHxHEIGHTmm" in whole or decimal millimetres, each side from
// 10 mm to 5000 mm. Returns nothing for any other text.
std::optional<Paper> ParsePaper(std::string_view text);

// The size of a sheet, after orientation.
struct SheetSize {
  double width_points = 0;  // 1/72 inch
  double height_points = 0;
  double width_pixels = 0;  // device pixels
  double height_pixels = 0;
};

SheetSize SheetOf(const Device& device);

// Device pixels for a length in hundredths of an inch, the unit of image
// rectangles.
double ImageUnitsToPixels(int32_t units, int dpi);

// What a face's own tables say about its size, in font units.
struct FaceMetrics {
  double units_per_em = 0;
  double win_ascent = 0;
  double win_descent = 0;
};

// The cell of a line of text, in device pixels.
struct TextCell {
  double em = 0;      // the font size
  double ascent = 0;  // from the top of the cell to the baseline
  double height = 0;  // ascent plus descent
};

// The cell of a font of `height` as the Windows font mapper reads it: a
// positive height is the cell height (the face's Windows ascent plus
// descent), a negative one the character (em) height, and zero a default
// size of 12 points.
TextCell CellForFontHeight(int32_t height, const FaceMetrics& face, int dpi);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_PAGE_GEOMETRY_H_
