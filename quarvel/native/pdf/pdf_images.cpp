#include "native/pdf/pdf_images.h"

#include <cstdint>
#include <string>

namespace quarvel {

namespace {

// The markers that start a JPEG frame header: SOF0 to SOF15, but for DHT,
// JPG and DAC, which share their range.
bool StartsFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The frames that every PDF reader decodes: baseline, extended and
// progressive Huffman-coded DCT. Lossless, hierarchical and arithmetic-coded
// frames are not.
bool ReadersDecode(uint8_t frame_marker) { return frame_marker <= 0xC2; }

// The application segment in which Adobe's files say how they store colour.
constexpr uint8_t kAdobeMarker = 0xEE;

std::string Dictionary(const PdfImage& image, std::string_view colour_space) {
  return "/Type /XObject /Subtype /Image /Width " + std::to_string(image.width) + " /Height " +
         std::to_string(image.height) + " /ColorSpace " +
         std::string(colour_space) + " /BitsPerComponent 8 /Interpolate true";
}

// Writes the JPEG file `jpeg` of `colours`.
int WriteJpeg(PdfFile& file, const PdfImage& image, JpegColours colours) {
  std::string entries = Dictionary(image, colours.components == 1   ? "/DeviceGray"
                                          : colours.components == 3 ? "/DeviceRGB"
                                          : colours.inverted ? "/DeviceCMYK /Decode [1 0 1 0 1 0 1 0]"
                                                             : "/DeviceCMYK");
  entries += " /Filter /DCTDecode";
  const int number = file.NewObject();
  file.WriteStream(number, entries, image.jpeg, false);
  return number;
}

// Whether every pixel of rows `row(0)` to `row(height - 1)` is opaque.
template <typename Rows>
bool Opaque(int width, int height, const Rows& row) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (row(y)[x] >> 24 != 0xFF) return false;
    }
  }
  return true;
}

// Writes the pixels of `image`, unpremultiplied, with their alpha as a soft
// mask unless all are opaque.
int WritePixels(PdfFile& file, const PdfImage& image) {
  const int width = image.width;
  const int height = image.height;
  const auto row = [&image](int y) { return image.pixels.data() + ptrdiff_t{y} * image.width; };
  std::string entries = Dictionary(image, "/DeviceRGB");
  if (!Opaque(width, height, row)) {
    std::string alpha;
    alpha.reserve(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) alpha += static_cast<char>(row(y)[x] >> 24);
    }
    const int mask = file.NewObject();
    file.WriteStream(mask, Dictionary(image, "/DeviceGray"), alpha);
    entries += " /SMask " + std::to_string(mask) + " 0 R";
  }
  std::string colour;
  colour.reserve(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = row(y)[x];
      const uint32_t a = pixel >> 24;
      const auto unpremultiply = [a](uint32_t c) {
        return static_cast<char>(a == 0 ? 0 : (c * 255 + a / 2) / a);
      };
      colour += unpremultiply(pixel >> 16 & 0xFF);
      colour += unpremultiply(pixel >> 8 & 0xFF);
      colour += unpremultiply(pixel & 0xFF);
    }
  }
  const int number = file.NewObject();
  file.WriteStream(number, entries, colour);
  return number;
}

}  // namespace

JpegColours ReadJpegColours(std::string_view jpeg) {
  const auto byte = [jpeg](size_t at) { return static_cast<uint8_t>(jpeg[at]); };
  JpegColours colours;
  if (jpeg.size() < 2 || byte(0) != 0xFF || byte(1) != 0xD8) return colours;
  for (size_t at = 2; at + 4 <= jpeg.size();) {
    if (byte(at) != 0xFF) return colours;
    const uint8_t marker = byte(at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == kAdobeMarker && jpeg.substr(at + 4, 5) == "Adobe") colours.inverted = true;
    if (StartsFrame(marker)) {
      // Eight bits a sample are all that a PDF reader decodes.
      if (!ReadersDecode(marker) || at + 10 > jpeg.size() || byte(at + 4) != 8) return colours;
      const int components = byte(at + 9);
      if (components == 1 || components == 3 || components == 4) colours.components = components;
      return colours;
    }
    at += 2 + (size_t{byte(at + 2)} << 8 | byte(at + 3));
  }
  return colours;
}

int WriteImage(PdfFile& file, const PdfImage& image) {
  if (const JpegColours colours = ReadJpegColours(image.jpeg); colours.components != 0) {
    return WriteJpeg(file, image, colours);
  }
  return WritePixels(file, image);
}

}  // namespace quarvel
