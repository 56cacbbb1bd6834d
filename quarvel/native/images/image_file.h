// The image files of the native printer: the one loader through which the
// printer draws them and by which a script's images can be judged before a
// run. Only regular files in the formats that the Windows program reads
// (PNG, JPEG, BMP, GIF, TIFF, ICO) are decoded, each by its own decoder,
// chosen by the file's first bytes whatever its name.
#ifndef QUARVEL_NATIVE_IMAGES_IMAGE_FILE_H_
#define QUARVEL_NATIVE_IMAGES_IMAGE_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// The bounds of an image that is decoded: a small file may describe a huge
// image, and its decoding would take the memory of the whole run. A file
// larger than kMaxImageFileBytes is not read, and an image larger than
// kMaxImagePixels (256 MiB once decoded) or kMaxImageSide on either side is
// refused as soon as its header is read, before any pixel is decoded.
inline constexpr int64_t kMaxImageFileBytes = int64_t{256} << 20;
inline constexpr int64_t kMaxImagePixels = int64_t{64} << 20;
inline constexpr int kMaxImageSide = 32767;

// Why an image file cannot be loaded.
enum class ImageFault {
  kNone,
  kMissing,     // no file at the path
  kNotAFile,    // a directory, a pipe, a device
  kUnreadable,  // the file cannot be read
  kNotAnImage,  // no image of a known format, or a damaged one
  kTooLarge,    // beyond the bounds above
  kNoMemory,    // within the bounds, but not in the memory left
};

// A few words on `fault` for a message ("too large to decode (over ...)").
std::string_view DescribeImageFault(ImageFault fault);

// The pixels of an image file, and what an output file needs to embed it.
struct DecodedImage {
  int width = 0;
  int height = 0;
  // Row after row, each pixel 32-bit ARGB in native byte order, the colour
  // premultiplied by alpha.
  std::vector<uint32_t> pixels;
  // Made from the file's bytes: files of the same bytes have the same id,
  // so that an output file embeds an image used many times once.
  std::string id;
  // The file itself when it is a JPEG file, which PDF and PostScript embed
  // as it is; empty for the other formats.
  std::string jpeg;
};

// An image file after loading.
struct LoadedImage {
  ImageFault fault = ImageFault::kNone;
  // Null unless `fault` is kNone.
  std::shared_ptr<const DecodedImage> image;
};

// Loads the image file at `path`.
LoadedImage LoadImageFile(const std::string& path);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IMAGES_IMAGE_FILE_H_
