#include "native/render/page_geometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace quarvel {
namespace {

// The metrics of Arial and of its metric-compatible replacements.
const FaceMetrics kArialMetrics = {2048, 1854, 434};

// Guards against the font mapper's reading of a height: positive is the
// cell, negative the em, zero a default.
TEST(CellForFontHeightTest, ReadsHeightsAsTheFontMapperDoes) {
  const TextCell cell = CellForFontHeight(100, kArialMetrics, 600);
  EXPECT_DOUBLE_EQ(cell.height, 100);
  EXPECT_NEAR(cell.em, 100 * 2048.0 / 2288, 1e-9);
  EXPECT_NEAR(cell.ascent, 100 * 1854.0 / 2288, 1e-9);

  const TextCell character = CellForFontHeight(-20, kArialMetrics, 600);
  EXPECT_DOUBLE_EQ(character.em, 20);
  EXPECT_NEAR(character.height, 20 * 2288.0 / 2048, 1e-9);

  EXPECT_DOUBLE_EQ(CellForFontHeight(0, kArialMetrics, 600).em, 100);
  EXPECT_DOUBLE_EQ(CellForFontHeight(0, kArialMetrics, 300).em, 50);
  EXPECT_NEAR(CellForFontHeight(INT32_MIN, kArialMetrics, 600).em, 2147483648.0, 1);
}

// Guards against image rectangles taken as pixels or points.
TEST(ImageUnitsToPixelsTest, AUnitIsAHundredthOfAnInch) {
  EXPECT_DOUBLE_EQ(ImageUnitsToPixels(1, 600), 6);
  EXPECT_DOUBLE_EQ(ImageUnitsToPixels(115, 300), 345);
  EXPECT_DOUBLE_EQ(ImageUnitsToPixels(-355, 600), -2130);
}

struct SheetCase {
  Device device;
  double width_points, height_points, width_pixels, height_pixels;
};

// Guards against the paper sizes, their orientation and the resolution.
TEST(SheetOfTest, GivesThePaperInPointsAndDevicePixels) {
  const SheetCase cases[] = {
      {{600, kA4, false}, 595.2756, 841.8898, 4960.63, 7015.75},
      {{300, kA4, false}, 595.2756, 841.8898, 2480.31, 3507.87},
      {{300, kA4, true}, 841.8898, 595.2756, 3507.87, 2480.31},
      {{600, kLetter, false}, 612, 792, 5100, 6600},
      {{72, kLetter, true}, 792, 612, 792, 612},
  };
  for (const SheetCase& c : cases) {
    const SheetSize sheet = SheetOf(c.device);
    EXPECT_NEAR(sheet.width_points, c.width_points, 0.01) << c.device.dpi;
    EXPECT_NEAR(sheet.height_points, c.height_points, 0.01) << c.device.dpi;
    EXPECT_NEAR(sheet.width_pixels, c.width_pixels, 0.01) << c.device.dpi;
    EXPECT_NEAR(sheet.height_pixels, c.height_pixels, 0.01) << c.device.dpi;
  }
}

// Guards against settings from the environment taken loosely.
TEST(DeviceSettingsTest, ParsesResolutionAndPaper) {
  EXPECT_EQ(ParseDpi("300"), 300);
  EXPECT_EQ(ParseDpi("72"), 72);
  EXPECT_EQ(ParseDpi("4800"), 4800);
  for (const char* bad : {"", "71", "4801", "300dpi", " 300", "-600", "3e2", "abc"}) {
    EXPECT_EQ(ParseDpi(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParsePaper("a4"), kA4);
  EXPECT_EQ(ParsePaper("Letter"), kLetter);
  EXPECT_NEAR(ParsePaper("A3")->height_points, 1190.55, 0.01);
  EXPECT_EQ(ParsePaper("legal"), (Paper{612, 1008}));
  EXPECT_NEAR(ParsePaper("100x50.8mm")->height_points, 144, 1e-9);
  for (const char* bad : {"", "a6", "100x50", "100mm", "x50mm", "9x100mm", "100x5001mm",
                          "100x-50mm", "1e2x50mm", "100x50mmm", "nanxnanmm"}) {
    EXPECT_EQ(ParsePaper(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace quarvel
