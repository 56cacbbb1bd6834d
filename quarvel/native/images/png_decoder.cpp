#include "native/images/png_decoder.h"

#include <png.h>
#include <zlib.h>

#include <cstdint>

#include "handles/c_handle.h"

namespace quarvel {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n"sv;
constexpr size_t kHeaderSize = 13;

uint32_t BigEndianAt(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
         static_cast<uint8_t>(bytes[at + 3]);
}

// What the chunks of a PNG file hold that its embedding as it is needs.
struct Chunks {
  uint32_t width = 0;
  uint32_t height = 0;
  int bits = 0;
  int colour_type = 0;
  bool interlaced = false;
  bool transparency = false;
  uint32_t gamma = 0;  // the gAMA chunk's, in 100,000ths; 0 for none
  std::string palette;
  std::string data;  // the IDAT chunks, one after the other
};

// Reads the chunks of `bytes` into `*chunks`. The fault: kTooLarge once the
// header promises an image beyond the bounds, kDamaged when a chunk is cut
// short or its CRC is wrong, when the header is not first, or when the file
// ends before its end chunk.
ImageFault ReadChunks(std::string_view bytes, Chunks* chunks) {
  size_t at = kSignature.size();
  bool header = false;
  while (at + 12 <= bytes.size()) {
    const uint32_t length = BigEndianAt(bytes, at);
    if (length > bytes.size() - at - 12) return ImageFault::kDamaged;
    const std::string_view type = bytes.substr(at + 4, 4);
    const std::string_view data = bytes.substr(at + 8, length);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    if (crc32(crc, reinterpret_cast<const Bytef*>(data.data()), length) !=
        BigEndianAt(bytes, at + 8 + length)) {
      return ImageFault::kDamaged;
    }
    if (!header && type != "IHDR") return ImageFault::kDamaged;
    if (type == "IHDR") {
      if (header || length != kHeaderSize) return ImageFault::kDamaged;
      header = true;
      chunks->width = BigEndianAt(data, 0);
      chunks->height = BigEndianAt(data, 4);
      chunks->bits = static_cast<uint8_t>(data[8]);
      chunks->colour_type = static_cast<uint8_t>(data[9]);
      chunks->interlaced = data[12] != 0;
      if (!WithinBounds(chunks->width, chunks->height)) return ImageFault::kTooLarge;
    } else if (type == "PLTE") {
      chunks->palette = data;
    } else if (type == "tRNS") {
      chunks->transparency = true;
    } else if (type == "gAMA" && length == 4) {
      chunks->gamma = BigEndianAt(data, 0);
    } else if (type == "IDAT") {
      chunks->data += data;
    } else if (type == "IEND") {
      return chunks->data.empty() ? ImageFault::kDamaged : ImageFault::kNone;
    }
    at += 12 + length;
  }
  return ImageFault::kDamaged;
}

// Whether samples of `gamma` (a gAMA chunk's) are sRGB's, as PDF readers
// take every image's, and as the decoder leaves them: no chunk, or sRGB's
// 1/2.2 within the 5% below which libpng corrects nothing.
bool IsSrgbGamma(uint32_t gamma) { return gamma == 0 || (gamma > 43182 && gamma < 47728); }

// The data of `chunks` as PDF takes it as it is: a file without
// interlacing, transparency or a gamma of its own, of a colour type and
// depth that PDF has.
PngStream StreamOf(Chunks chunks) {
  const bool grey = chunks.colour_type == 0;
  const bool rgb = chunks.colour_type == 2 && (chunks.bits == 8 || chunks.bits == 16);
  const bool palette = chunks.colour_type == 3 && chunks.bits <= 8 && !chunks.palette.empty();
  if (chunks.interlaced || chunks.transparency || !IsSrgbGamma(chunks.gamma) ||
      !(grey || rgb || palette)) {
    return {};
  }
  return {std::move(chunks.data), rgb ? 3 : 1, chunks.bits,
          palette ? std::move(chunks.palette) : std::string()};
}

}  // namespace

ImageFault DecodePng(std::string_view bytes, DecodedImage* image) {
  Chunks chunks;
  if (const ImageFault fault = ReadChunks(bytes, &chunks); fault != ImageFault::kNone) {
    return fault == ImageFault::kTooLarge ? BeyondBounds(chunks.width, chunks.height, image)
                                          : fault;
  }
  png_image png = {};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()) == 0) {
    return ImageFault::kDamaged;
  }
  // Frees what libpng holds of the file, unless it has freed it already.
  const CHandle<png_image, png_image_free> reading(&png);
  // 16-bit samples without a gamma are sRGB's, as 8-bit ones are, and not
  // linear light, which libpng takes them for by default.
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  const bool colour = (png.format & PNG_FORMAT_FLAG_COLOR) != 0;
  const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  png.format = colour ? (alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB)
                      : (alpha ? PNG_FORMAT_GA : PNG_FORMAT_GRAY);
  std::vector<uint8_t> samples(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, samples.data(), 0, nullptr) == 0) {
    return ImageFault::kDamaged;
  }
  image->width = static_cast<int>(png.width);
  image->height = static_cast<int>(png.height);
  image->colours = colour ? 3 : 1;
  image->alpha = alpha;
  image->samples = std::move(samples);
  image->png = StreamOf(std::move(chunks));
  return ImageFault::kNone;
}

}  // namespace quarvel
