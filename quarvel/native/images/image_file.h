// The image files of the native printer: the one loader through which the
// printer draws them and by which a script's images can be judged before a
// run. Only regular files in the formats that the Windows program reads
// (PNG, JPEG, BMP, GIF, TIFF, ICO) are decoded, each by its own decoder,
// chosen by the file's first bytes whatever its name: PNG by libpng, JPEG
// by libjpeg-turbo, the others by gdk-pixbuf. A file is decoded through to
// its end: one whose data is cut short or damaged is no image.
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
  kNotAnImage,  // no image of a known format
  kDamaged,     // an image of a known format whose data cannot all be read
  kUnreadKind,  // an image of a known format whose header is read, but not its data:
                // damaged, or of a kind that its decoder does not read
  kTooLarge,    // beyond the bounds above
  kNoMemory,    // within the bounds, but not in the memory left
};

// The data of a PNG file that a PDF file takes as it is: its zlib stream,
// with the filter of each row, which PDF's PNG predictors undo.
struct PngStream {
  std::string zlib;  // the image data, empty for a PNG file that PDF cannot take so
  int colours = 1;   // 1 for grey or a palette, 3 for RGB
  int bits = 8;      // 1, 2, 4, 8 or 16 a sample
  // The palette's RGB triples, for an image of palette indices; empty
  // otherwise.
  std::string palette;
};

// The pixels of an image file, and what an output file needs to embed it.
struct DecodedImage {
  int width = 0;
  int height = 0;
  // 1 for grey, 3 for RGB.
  int colours = 3;
  bool alpha = false;
  // Row after row, each pixel its colour samples and then, with `alpha`,
  // its alpha; eight bits each, the colour not premultiplied.
  std::vector<uint8_t> samples;
  // Made from the file's bytes: files of the same bytes have the same id,
  // so that an output file embeds an image used many times once.
  std::string id;
  // The file itself when it is a JPEG file, which PDF and PostScript embed
  // as it is; empty for the other formats.
  std::string jpeg;
  // The data of a PNG file that PDF embeds as it is, keeping its bits.
  PngStream png;

  size_t channels() const { return static_cast<size_t>(colours) + (alpha ? 1 : 0); }
};

// The pixels of `image` as cairo takes them: row after row, each pixel
// 32-bit ARGB in native byte order, the colour premultiplied by alpha.
// Throws std::bad_alloc when they do not fit in memory.
std::vector<uint32_t> PremultipliedArgb(const DecodedImage& image);

// An image file after loading.
struct LoadedImage {
  ImageFault fault = ImageFault::kNone;
  // Null unless `fault` is kNone.
  std::shared_ptr<const DecodedImage> image;
  // What the message on the fault names besides: the system's error
  // number with kMissing and kUnreadable (0 when there is none); the
  // format ("TIFF") with kUnreadKind; the bound passed with kTooLarge
  // ("40000 pixels wide, over the 32767 a side").
  int error = 0;
  std::string_view format;
  std::string bound;
};

// A few words on the fault of `loaded` for a message ("too large: 40000
// pixels wide, over the 32767 a side").
std::string DescribeImageFault(const LoadedImage& loaded);

// Whether an image of `width` by `height` is within the bounds above.
bool WithinBounds(int64_t width, int64_t height);

// The fault of a decoder whose header gives an image of `width` by
// `height` beyond the bounds: kDamaged for an image without pixels, else
// kTooLarge, with the size kept in `*image` for the message.
ImageFault BeyondBounds(int64_t width, int64_t height, DecodedImage* image);

// Loads the image file at `path`.
LoadedImage LoadImageFile(const std::string& path);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IMAGES_IMAGE_FILE_H_
