#include "native/pdf/pdf_images.h"

#include <gtest/gtest.h>

#include <string>

namespace quarvel {
namespace {

// A JPEG file's start: SOI, an APP0 segment, then a frame header with
// `marker`, `bits` a sample and `components`.
std::string Jpeg(unsigned char marker, int bits, int components) {
  std::string jpeg = "\xFF\xD8\xFF\xE0";
  jpeg += std::string("\x00\x06JFIF", 6);
  jpeg += "\xFF\xFF";  // a fill byte before the marker
  jpeg += static_cast<char>(marker);
  jpeg += std::string("\x00\x0B", 2) + static_cast<char>(bits) + std::string("\x00\x10\x00\x10", 4);
  jpeg += static_cast<char>(components);
  return jpeg + std::string("\x01\x11\x00", 3);
}

// Guards against a JPEG file embedded in the wrong colour space, or one that
// a reader cannot decode embedded at all, instead of its pixels.
TEST(PdfImagesTest, JpegComponentsComeFromTheFrameHeader) {
  const struct {
    std::string jpeg;
    int components;
  } kCases[] = {
      {Jpeg(0xC0, 8, 1), 1},
      {Jpeg(0xC0, 8, 3), 3},
      {Jpeg(0xC2, 8, 4), 4},           // progressive CMYK
      {Jpeg(0xC0, 12, 3), 0},          // twelve bits a sample
      {Jpeg(0xC0, 8, 2), 0},           // no colour space of two
      {Jpeg(0xC4, 8, 3), 0},           // a table, not a frame, then the end
      {Jpeg(0xC0, 8, 3).substr(0, 20), 0},  // cut short in the frame header
      {"\x89PNG\r\n\x1A\n", 0},
      {"", 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(JpegComponents(c.jpeg), c.components) << c.jpeg.size();
}

}  // namespace
}  // namespace quarvel
