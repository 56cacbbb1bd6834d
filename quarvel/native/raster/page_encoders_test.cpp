#include "native/raster/page_encoders.h"

#include <cups/raster.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "handles/c_handle.h"

namespace quarvel {
namespace {

using RasterHandle = CHandle<cups_raster_t, cupsRasterClose>;

// Reads a stream back with libcups' own reader.
struct Reader {
  static ssize_t Read(void* context, unsigned char* buffer, size_t length) {
    auto* reader = static_cast<Reader*>(context);
    const size_t taken = std::min(length, reader->bytes.size() - reader->at);
    std::memcpy(buffer, reader->bytes.data() + reader->at, taken);
    reader->at += taken;
    return static_cast<ssize_t>(taken);
  }
  std::string bytes;
  size_t at = 0;
};

// Guards against a raster that is not the page drawn: lines or colours
// swapped, a landscape page not turned onto portrait paper, or turned the
// wrong way.
TEST(RasterStreamWriter, PagesReadBackAsDrawnAndLandscapeIsTurned) {
  // 3 x 2 pixels: the top left one red, the rest white.
  std::vector<uint32_t> pixels(6, 0xFFFFFF);
  pixels[0] = 0xFF0000;
  const PagePixels landscape = {reinterpret_cast<const unsigned char*>(pixels.data()), 3, 2, 12,
                                300};
  const PagePixels portrait = {reinterpret_cast<const unsigned char*>(pixels.data()), 2, 3, 8, 300};
  Reader reader;
  RasterStreamWriter writer(RasterKind::kPwg, {}, [&](std::string_view bytes) {
    reader.bytes.append(bytes);
    return true;
  });
  ASSERT_TRUE(writer.WritePage(portrait).ok());
  ASSERT_TRUE(writer.WritePage(landscape).ok());
  const RasterHandle raster(cupsRasterOpenIO(Reader::Read, &reader, CUPS_RASTER_READ));
  ASSERT_NE(raster, nullptr);
  // The red pixel: where it lies on each page, turned or not.
  const std::pair<int, int> red[] = {{0, 0}, {0, 2}};
  for (const auto& [red_x, red_y] : red) {
    cups_page_header2_t header;
    ASSERT_TRUE(cupsRasterReadHeader2(raster.get(), &header));
    EXPECT_EQ(header.cupsWidth, 2u);
    EXPECT_EQ(header.cupsHeight, 3u);
    EXPECT_EQ(header.HWResolution[0], 300u);
    std::vector<unsigned char> line(header.cupsBytesPerLine);
    for (int y = 0; y < 3; ++y) {
      ASSERT_EQ(cupsRasterReadPixels(raster.get(), line.data(), header.cupsBytesPerLine),
                header.cupsBytesPerLine);
      for (int x = 0; x < 2; ++x) {
        const bool is_red = x == red_x && y == red_y;
        EXPECT_EQ(line[x * 3 + 1], is_red ? 0 : 255) << "pixel " << x << "," << y;
        EXPECT_EQ(line[x * 3], 255) << "pixel " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace quarvel
