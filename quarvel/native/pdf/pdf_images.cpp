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

std::string Dictionary(const PdfImage& image, std::string_view colour_space, int bits = 8) {
  return "/Type /XObject /Subtype /Image /Width " + std::to_string(image.width) + " /Height " +
         std::to_string(image.height) + " /ColorSpace " + std::string(colour_space) +
         " /BitsPerComponent " + std::to_string(bits) + " /Interpolate true";
}

std::string_view ColourSpace(int colours) { return colours == 1 ? "/DeviceGray" : "/DeviceRGB"; }

// Writes the JPEG file of `image`, of `components` colours.
int WriteJpeg(PdfFile& file, const PdfImage& image, int components) {
  std::string entries = Dictionary(
      image, components == 4 ? "/DeviceCMYK /Decode [1 0 1 0 1 0 1 0]" : ColourSpace(components));
  entries += " /Filter /DCTDecode";
  const int number = file.NewObject();
  file.WriteStream(number, entries, image.jpeg, false);
  return number;
}

// Writes the PNG data of `image` as it is.
int WritePng(PdfFile& file, const PdfImage& image) {
  const PdfPngData& png = image.png;
  std::string colour_space(ColourSpace(png.colours));
  if (!png.palette.empty()) {
    colour_space = "[/Indexed /DeviceRGB " + std::to_string(png.palette.size() / 3 - 1) + " <";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char byte : png.palette) {
      colour_space += kHex[static_cast<uint8_t>(byte) >> 4];
      colour_space += kHex[static_cast<uint8_t>(byte) & 0xF];
    }
    colour_space += ">]";
  }
  std::string entries = Dictionary(image, colour_space, png.bits);
  entries += " /Filter /FlateDecode /DecodeParms <</Predictor 15 /Colors " +
             std::to_string(png.colours) + " /BitsPerComponent " + std::to_string(png.bits) +
             " /Columns " + std::to_string(image.width) + ">>";
  const int number = file.NewObject();
  file.WriteStream(number, entries, png.zlib, false);
  return number;
}

// Writes the samples of `image`, with its alpha as a soft mask unless every
// pixel is opaque.
int WriteSamples(PdfFile& file, const PdfImage& image) {
  const size_t pixels = size_t(image.width) * image.height;
  const size_t channels = image.channels();
  std::string entries = Dictionary(image, ColourSpace(image.colours));
  std::string colour;
  std::string alpha;
  colour.reserve(pixels * image.colours);
  bool opaque = true;
  for (size_t at = 0; at < pixels * channels; at += channels) {
    colour.append(reinterpret_cast<const char*>(&image.samples[at]), image.colours);
    if (!image.alpha) continue;
    const uint8_t a = image.samples[at + image.colours];
    alpha += static_cast<char>(a);
    opaque = opaque && a == 0xFF;
  }
  if (image.alpha && !opaque) {
    const int mask = file.NewObject();
    file.WriteStream(mask, Dictionary(image, "/DeviceGray"), alpha);
    entries += " /SMask " + std::to_string(mask) + " 0 R";
  }
  const int number = file.NewObject();
  file.WriteStream(number, entries, colour);
  return number;
}

}  // namespace

int JpegComponents(std::string_view jpeg) {
  const auto byte = [jpeg](size_t at) { return static_cast<uint8_t>(jpeg[at]); };
  if (jpeg.size() < 2 || byte(0) != 0xFF || byte(1) != 0xD8) return 0;
  for (size_t at = 2; at + 4 <= jpeg.size();) {
    if (byte(at) != 0xFF) return 0;
    const uint8_t marker = byte(at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (StartsFrame(marker)) {
      // Eight bits a sample are all that a PDF reader decodes.
      if (!ReadersDecode(marker) || at + 10 > jpeg.size() || byte(at + 4) != 8) return 0;
      const int components = byte(at + 9);
      return components == 1 || components == 3 || components == 4 ? components : 0;
    }
    at += 2 + (size_t{byte(at + 2)} << 8 | byte(at + 3));
  }
  return 0;
}

int WriteImage(PdfFile& file, const PdfImage& image) {
  if (const int components = JpegComponents(image.jpeg); components != 0) {
    return WriteJpeg(file, image, components);
  }
  const bool sized = image.width > 0 && image.height > 0;
  const PdfPngData& png = image.png;
  const bool png_bits = png.bits == 1 || png.bits == 2 || png.bits == 4 || png.bits == 8 ||
                        png.bits == 16;
  const bool png_colours = png.palette.empty()
                               ? png.colours == 1 || png.colours == 3
                               : png.colours == 1 && png.bits <= 8 && png.palette.size() % 3 == 0 &&
                                     png.palette.size() <= 3 * 256;
  if (sized && !png.zlib.empty() && png_bits && png_colours) return WritePng(file, image);
  const bool filled = sized && (image.colours == 1 || image.colours == 3) &&
                      image.samples.size() == size_t(image.width) * image.height * image.channels();
  if (filled) return WriteSamples(file, image);
  const uint8_t transparent[] = {0, 0};
  return WriteSamples(file, {1, 1, 1, true, transparent, "", {}});
}

}  // namespace quarvel
