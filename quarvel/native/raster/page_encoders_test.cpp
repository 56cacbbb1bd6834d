#include "native/raster/page_encoders.h"

#include <cups/raster.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

constexpr int kWidth = 300;
constexpr int kHeight = 6;

// A page whose lines code every way: white lines that repeat each other in
// their colours but not in their unused bits, more than a run of distinct
// pixels, and a long run then pixels that alternate, up to a single one
// that ends the line, which the last lines repeat.
std::vector<uint32_t> TestCard() {
  std::vector<uint32_t> pixels(kWidth * kHeight, 0xFFFFFFFF);
  for (int x = 0; x < kWidth; ++x) {
    pixels[kWidth + x] = 0x00FFFFFF;
    pixels[2 * kWidth + x] = 0xFF000000 | uint32_t(x) << 16 | uint32_t(255 - x % 256) << 8 | 7;
    pixels[3 * kWidth + x] = x < 200 ? 0xFFC01020 : x % 2 ? 0xFF000000 : 0xFF2040FF;
    pixels[4 * kWidth + x] = pixels[5 * kWidth + x] = pixels[3 * kWidth + x];
  }
  return pixels;
}

// The grey of sRGB as video luma weighs it, within a level.
int Luma(uint32_t pixel) {
  return static_cast<int>(std::lround(0.299 * (pixel >> 16 & 0xFF) + 0.587 * (pixel >> 8 & 0xFF) +
                                      0.114 * (pixel & 0xFF)));
}

// Guards against lines that do not read back as drawn: runs or literals
// cut wrong, a repeated line that is another, a line lost where two bands
// meet, the unused bits of a pixel taken for colour, channels swapped.
TEST(RasterStreamWriter, LinesReadBackAsDrawnAcrossBands) {
  const std::vector<uint32_t> pixels = TestCard();
  for (const RasterKind kind : {RasterKind::kPwg, RasterKind::kUrf}) {
    for (const bool gray : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << (kind == RasterKind::kPwg ? "pwg" : "urf") << (gray ? " grey" : " colour"));
      Reader reader;
      RasterStreamWriter writer(kind, {gray}, [&](std::string_view bytes) {
        reader.bytes.append(bytes);
        return true;
      });
      for (int page = 0; page < 2; ++page) {
        ASSERT_TRUE(writer.StartPage(kWidth, kHeight, 300).ok());
        // Bands of 1, 3 and 2 lines, drawn in the same memory, as a
        // canvas does, and overwritten once written.
        for (const auto& [top, lines] : {std::pair{0, 1}, {1, 3}, {4, 2}}) {
          std::vector<uint32_t> band(pixels.begin() + top * kWidth,
                                     pixels.begin() + (top + lines) * kWidth);
          ASSERT_TRUE(writer
                          .WriteLines({reinterpret_cast<const unsigned char*>(band.data()), kWidth,
                                       lines, kWidth * 4, 300})
                          .ok());
          std::fill(band.begin(), band.end(), 0);
        }
      }
      const RasterHandle raster(cupsRasterOpenIO(Reader::Read, &reader, CUPS_RASTER_READ));
      ASSERT_NE(raster, nullptr);
      for (int page = 0; page < 2; ++page) {
        cups_page_header2_t header;
        ASSERT_TRUE(cupsRasterReadHeader2(raster.get(), &header));
        ASSERT_EQ(header.cupsWidth, unsigned(kWidth));
        ASSERT_EQ(header.cupsHeight, unsigned(kHeight));
        ASSERT_EQ(header.cupsBitsPerPixel, gray ? 8u : 24u);
        EXPECT_EQ(header.HWResolution[1], 300u);
        std::vector<unsigned char> line(header.cupsBytesPerLine);
        for (int y = 0; y < kHeight; ++y) {
          ASSERT_EQ(cupsRasterReadPixels(raster.get(), line.data(), header.cupsBytesPerLine),
                    header.cupsBytesPerLine);
          for (int x = 0; x < kWidth; ++x) {
            const uint32_t drawn = pixels[y * kWidth + x];
            const unsigned char* read = line.data() + x * (gray ? 1 : 3);
            if (gray) {
              ASSERT_NEAR(read[0], Luma(drawn), 1) << x << "," << y;
            } else {
              ASSERT_EQ(uint32_t(read[0]) << 16 | read[1] << 8 | read[2], drawn & 0xFFFFFF)
                  << x << "," << y;
            }
          }
        }
      }
    }
  }
}

// Guards against lines that the sink refused taken as written, and against
// a stream that goes on after them.
TEST(RasterStreamWriter, LinesTheSinkRefusesFailThePageAndWhatFollows) {
  const std::vector<uint32_t> pixels = TestCard();
  const PagePixels page = {reinterpret_cast<const unsigned char*>(pixels.data()), kWidth, kHeight,
                           kWidth * 4, 300};
  // The sink takes the synchronization word and the first page's header.
  size_t taken = 0;
  RasterStreamWriter writer(RasterKind::kPwg, {}, [&taken](std::string_view bytes) {
    taken += bytes.size();
    return taken <= 4 + sizeof(cups_page_header2_t);
  });
  ASSERT_TRUE(writer.StartPage(kWidth, kHeight, 300).ok());
  EXPECT_FALSE(writer.WriteLines(page).ok());
  EXPECT_FALSE(writer.StartPage(kWidth, kHeight, 300).ok());
}

}  // namespace
}  // namespace quarvel
