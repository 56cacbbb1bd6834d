// Reads back the banner's two bitmap files, as the resource script links
// them in, and checks what the ball's walk relies on: the sizes, the depths
// and where the caption and the dots stand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace splash {
namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

constexpr Rgb kWhite = {255, 255, 255};

// An uncompressed BMP file, read from its headers and pixels.
struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;  // negative for a top-down file
  uint16_t bits_per_pixel = 0;
  uint32_t compression = 0;
  std::vector<uint8_t> bytes;
  uint32_t pixels_offset = 0;

  int32_t Rows() const { return std::abs(height); }

  // The bytes of a stored row, padded to a multiple of 4.
  size_t RowBytes() const { return (width * bits_per_pixel / 8 + 3) / 4 * 4; }

  // The pixel in column x of row y, row 0 at the top.
  Rgb At(int32_t x, int32_t y) const {
    const int32_t stored_row = height > 0 ? height - 1 - y : y;
    const size_t at = pixels_offset + stored_row * RowBytes() + x * (bits_per_pixel / 8);
    return {bytes.at(at + 2), bytes.at(at + 1), bytes.at(at)};
  }
};

uint32_t LittleEndian(const std::vector<uint8_t>& bytes, size_t at, size_t size) {
  uint32_t value = 0;
  for (size_t i = size; i-- > 0;) value = value << 8 | bytes.at(at + i);
  return value;
}

// Reads the file `name` of the banner's sources; fails the test when it is
// not an uncompressed BMP file whose pixels are all there.
Bitmap ReadBitmap(const std::string& name) {
  std::ifstream file(std::string(SPLASH_SOURCE_DIR) + "/" + name, std::ios::binary);
  Bitmap bitmap;
  bitmap.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (bitmap.bytes.size() < 54 || bitmap.bytes[0] != 'B' || bitmap.bytes[1] != 'M') {
    ADD_FAILURE() << name << " is no BMP file";
    return Bitmap();
  }
  bitmap.pixels_offset = LittleEndian(bitmap.bytes, 10, 4);
  bitmap.width = static_cast<int32_t>(LittleEndian(bitmap.bytes, 18, 4));
  bitmap.height = static_cast<int32_t>(LittleEndian(bitmap.bytes, 22, 4));
  bitmap.bits_per_pixel = static_cast<uint16_t>(LittleEndian(bitmap.bytes, 28, 2));
  bitmap.compression = LittleEndian(bitmap.bytes, 30, 4);
  EXPECT_EQ(bitmap.compression, 0u) << name;
  EXPECT_GE(bitmap.bytes.size(), bitmap.pixels_offset + bitmap.Rows() * bitmap.RowBytes()) << name;
  return bitmap;
}

struct Box {
  int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  void Add(int32_t x, int32_t y) {
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x);
    bottom = std::max(bottom, y);
  }
  bool operator==(const Box&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "(" << box.left << ", " << box.top << ") to (" << box.right << ", " << box.bottom
               << ")";
  }
};

// The pixels of the banner's frame: those less than kFrame from an edge.
constexpr int32_t kFrame = 5;
bool InFrame(const Bitmap& banner, int32_t x, int32_t y) {
  return std::min({x, y, banner.width - 1 - x, banner.Rows() - 1 - y}) < kFrame;
}

// The dots are the banner's only light grey pixels.
bool IsLightGrey(Rgb pixel) {
  return pixel.r == pixel.g && pixel.g == pixel.b && pixel.r >= 128 && pixel.r < 255;
}

// Guards against bitmaps that LoadBitmap would give other sizes, or that the
// transfers would combine in other colour depths.
TEST(BitmapsTest, HaveTheirSizesAndDepths) {
  const Bitmap ball = ReadBitmap("ball.bmp");
  EXPECT_EQ(ball.width, 17);
  EXPECT_EQ(ball.height, 17);
  EXPECT_EQ(ball.bits_per_pixel, 24);
  const Bitmap banner = ReadBitmap("mask.bmp");
  EXPECT_EQ(banner.width, 459);
  EXPECT_EQ(banner.height, 59);
  EXPECT_EQ(banner.bits_per_pixel, 32);
}

// Guards against a ball with a background of its own, which the banner
// would show around it: every pixel is red, brightest in the centre.
TEST(BitmapsTest, BallIsRedThroughoutAndBrightestInTheCentre) {
  const Bitmap ball = ReadBitmap("ball.bmp");
  ASSERT_EQ(ball.width, 17);
  ASSERT_EQ(ball.Rows(), 17);
  const Rgb centre = ball.At(8, 8);
  for (int32_t y = 0; y < ball.Rows(); ++y) {
    for (int32_t x = 0; x < ball.width; ++x) {
      const Rgb pixel = ball.At(x, y);
      EXPECT_GT(pixel.r, 2 * std::max(pixel.g, pixel.b)) << x << "," << y;
      if (x != 8 || y != 8) {
        EXPECT_LT(pixel.r, centre.r) << x << "," << y;
      }
    }
  }
  EXPECT_LT(ball.At(0, 8).r, 128);
}

// Guards against a frame that leaves a gap or a caption that is misplaced:
// the frame is white all round, and the white ink inside it is the caption.
TEST(BitmapsTest, CaptionInkLiesInsideTheWhiteFrame) {
  const Bitmap banner = ReadBitmap("mask.bmp");
  ASSERT_EQ(banner.width, 459);
  int frame_gaps = 0;
  Box ink;
  for (int32_t y = 0; y < banner.Rows(); ++y) {
    for (int32_t x = 0; x < banner.width; ++x) {
      const bool white = banner.At(x, y) == kWhite;
      if (InFrame(banner, x, y)) {
        frame_gaps += white ? 0 : 1;
      } else if (white) {
        ink.Add(x, y);
      }
    }
  }
  EXPECT_EQ(frame_gaps, 0);
  EXPECT_EQ(ink, (Box{139, 21, 206, 31}));
}

// Guards against dots that the ball, stepping 21 pixels from x = 224 at
// y = 19, would not cover: each dot is 7 pixels across and centred where
// the 17-pixel ball's centre stops.
TEST(BitmapsTest, DotsStandWhereTheBallStops) {
  const Bitmap banner = ReadBitmap("mask.bmp");
  ASSERT_EQ(banner.width, 459);
  std::vector<Box> dots;
  bool in_dot = false;
  for (int32_t x = 0; x < banner.width; ++x) {
    bool grey_column = false;
    for (int32_t y = 0; y < banner.Rows(); ++y) {
      if (!IsLightGrey(banner.At(x, y))) continue;
      if (!in_dot && !grey_column) dots.emplace_back();
      dots.back().Add(x, y);
      grey_column = true;
    }
    in_dot = grey_column;
  }
  const int32_t centres[] = {232, 253, 274, 295, 316};
  ASSERT_EQ(dots.size(), std::size(centres));
  for (size_t k = 0; k < dots.size(); ++k) {
    const Box& dot = dots[k];
    EXPECT_EQ(dot.right - dot.left + 1, 7) << "dot " << k + 1;
    EXPECT_EQ(dot.bottom - dot.top + 1, 7) << "dot " << k + 1;
    EXPECT_EQ(dot.left + 3, centres[k]) << "dot " << k + 1;
    EXPECT_EQ(dot.top + 3, 27) << "dot " << k + 1;
  }
}

}  // namespace
}  // namespace splash
