#include "native/pdf/pdf_images.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <regex>

#include <string>

namespace quarvel {
namespace {

// A JPEG file's start: SOI, an application segment (APP0, or Adobe's
// APP14 when `adobe`), then a frame header with `marker`, `bits` a sample
// and `components`.
std::string Jpeg(unsigned char marker, int bits, int components, bool adobe = false) {
  std::string jpeg = adobe ? "\xFF\xD8\xFF\xEE" : "\xFF\xD8\xFF\xE0";
  jpeg += std::string(adobe ? "\x00\x07" "Adobe" : "\x00\x06JFIF", adobe ? 7 : 6);
  jpeg += "\xFF\xFF";  // a fill byte before the marker
  jpeg += static_cast<char>(marker);
  jpeg += std::string("\x00\x0B", 2) + static_cast<char>(bits) + std::string("\x00\x10\x00\x10", 4);
  jpeg += static_cast<char>(components);
  return jpeg + std::string("\x01\x11\x00", 3);
}

// Guards against a JPEG file embedded in the wrong colour space, or one
// that a reader cannot decode embedded at all, instead of its pixels.
TEST(PdfImagesTest, JpegColoursComeFromTheHeader) {
  const struct {
    std::string jpeg;
    int components;
  } kCases[] = {
      {Jpeg(0xC0, 8, 1), 1},
      {Jpeg(0xC0, 8, 3), 3},
      {Jpeg(0xC2, 8, 4), 4},                 // progressive CMYK
      {Jpeg(0xC0, 8, 4, true), 4},           // CMYK as Adobe stores it
      {Jpeg(0xC0, 12, 3), 0},                // twelve bits a sample
      {Jpeg(0xC3, 8, 3), 0},                 // lossless
      {Jpeg(0xC9, 8, 3), 0},                 // arithmetic-coded
      {Jpeg(0xC0, 8, 2), 0},                 // no colour space of two
      {Jpeg(0xC4, 8, 3), 0},                 // a table, not a frame, then the end
      {Jpeg(0xC0, 8, 3).substr(0, 20), 0},   // cut short in the frame header
      {"\x89PNG\r\n\x1A\n", 0},
      {"", 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(JpegComponents(c.jpeg), c.components) << c.jpeg.size();
}

// The data of stream object `number` of `pdf`, inflated.
std::string StreamData(const std::string& pdf, const std::string& number) {
  std::smatch match;
  const std::regex object("\\n" + number + R"( 0 obj\n<<[^>]*/Length (\d+)>>\nstream\n)");
  if (!std::regex_search(pdf, match, object)) return "";
  const std::string compressed = pdf.substr(match.position() + match.length(), std::stoul(match[1]));
  std::string data(1 << 16, '\0');
  uLongf length = data.size();
  uncompress(reinterpret_cast<Bytef*>(data.data()), &length,
             reinterpret_cast<const Bytef*>(compressed.data()), compressed.size());
  data.resize(length);
  return data;
}

// Guards against colours written premultiplied, which darkens every edge
// that is not opaque, against alpha lost or added where none is needed, and
// against grey stored as three times its data.
TEST(PdfImagesTest, SamplesKeepTheirColoursWithTheirAlphaAsAMask) {
  for (const bool opaque : {true, false}) {
    const uint8_t samples[] = {0x33, 0x66, 0x99, 0xFF, 0x80, 0x40, 0x20,
                               static_cast<uint8_t>(opaque ? 0xFF : 0x80)};
    PdfFile file;
    const int number = WriteImage(file, {2, 1, 3, true, samples, "", {}});
    const std::string pdf = file.Finish(number, number);

    std::smatch mask;
    const bool masked = std::regex_search(pdf, mask, std::regex(R"(/SMask (\d+) 0 R)"));
    ASSERT_EQ(masked, !opaque);
    EXPECT_EQ(StreamData(pdf, std::to_string(number)), "\x33\x66\x99\x80\x40\x20");
    if (masked) {
      EXPECT_EQ(StreamData(pdf, mask[1]), "\xFF\x80");
    }
  }
  const uint8_t grey[] = {0x10, 0xF0};
  PdfFile file;
  const int number = WriteImage(file, {2, 1, 1, false, grey, "", {}});
  const std::string pdf = file.Finish(number, number);
  EXPECT_NE(pdf.find("/ColorSpace /DeviceGray"), std::string::npos);
  EXPECT_EQ(StreamData(pdf, std::to_string(number)), "\x10\xF0");
}

// Guards against an image object whose data does not match its dictionary,
// which readers refuse or read past, from samples that do not fill the
// image or PNG data of a kind that PDF has not.
TEST(PdfImagesTest, AnImageThatItsDataDoesNotFillIsOneTransparentPixel) {
  const uint8_t three[] = {1, 2, 3};
  const struct {
    PdfImage image;
    const char* fault;
  } kCases[] = {
      {{2, 1, 3, false, three, "", {}}, "samples of one pixel of two"},
      {{1, 1, 2, false, three, "", {}}, "two colours"},
      {{0, 1, 3, false, {}, "", {}}, "no width"},
      {{1, 1, 3, false, {}, "", {"\x78\x9C", 3, 3, ""}}, "PNG data of three bits"},
      {{1, 1, 1, false, {}, "", {"\x78\x9C", 1, 8, "\x01"}}, "a palette of part of a colour"},
      {{1, 1, 3, false, {}, "", {"\x78\x9C", 3, 8, "\x01\x02\x03"}}, "a palette of RGB samples"},
  };
  for (const auto& c : kCases) {
    PdfFile file;
    const int number = WriteImage(file, c.image);
    const std::string pdf = file.Finish(number, number);
    EXPECT_NE(pdf.find("/Width 1 /Height 1 "), std::string::npos) << c.fault;
    EXPECT_NE(pdf.find("/SMask "), std::string::npos) << c.fault;
  }
}

}  // namespace
}  // namespace quarvel
