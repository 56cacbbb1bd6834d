// The image files of the native printer: the one loader through which the
// printer draws them and by which a script's images can be judged before a
// run. Only regular files in the formats that the Windows program reads
// (PNG, JPEG, BMP, GIF, TIFF, ICO) are decoded, each by its own decoder,
// chosen by the file's first bytes whatever its name.
#ifndef QUARVEL_NATIVE_IMAGE_FILE_H_
#define QUARVEL_NATIVE_IMAGE_FILE_H_

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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
};

// A few words on `fault` for a message ("too large to decode (over ...)").
std::string_view DescribeImageFault(ImageFault fault);

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// An image file after loading.
struct LoadedImage {
  ImageFault fault = ImageFault::kNone;
  // The decoded pixels, premultiplied ARGB; null unless `fault` is kNone.
  // The surface carries a unique id made from the file's bytes, so that an
  // output file embeds an image used many times once, and a JPEG file
  // carries its own bytes, so that PDF and PostScript embed them as they are.
  SurfacePtr surface;
};

// Loads the image file at `path`.
LoadedImage LoadImageFile(const std::string& path);

// The data of `mime_type` attached to `surface` (CAIRO_MIME_TYPE_UNIQUE_ID
// or CAIRO_MIME_TYPE_JPEG, as LoadImageFile attaches them); empty when it
// has none. It lives as long as the surface keeps it.
std::string_view MimeDataOf(cairo_surface_t* surface, const char* mime_type);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IMAGE_FILE_H_
