#include "native/images/image_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <iterator>
#include <new>

#include "handles/c_handle.h"
#include "native/images/jpeg_decoder.h"
#include "native/images/png_decoder.h"

namespace quarvel {

namespace {

using LoaderHandle = CHandle<GdkPixbufLoader, g_object_unref>;

using namespace std::string_view_literals;

// The unsigned little-endian number of `size` bytes at `at` in `bytes`;
// 0 beyond their end.
uint32_t LittleEndianAt(std::string_view bytes, size_t at, size_t size) {
  if (at + size > bytes.size()) return 0;
  uint32_t value = 0;
  for (size_t i = size; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The BMP decoder allocates at once as much as the header says the header
// is long and the pixels lie from the start: both must end within the file.
bool BmpHeaderWithinFile(std::string_view bytes) {
  constexpr size_t kFileHeaderSize = 14;
  const uint64_t pixels_at = LittleEndianAt(bytes, 10, 4);
  const uint64_t header_end = kFileHeaderSize + uint64_t{LittleEndianAt(bytes, 14, 4)};
  return pixels_at <= bytes.size() && header_end <= bytes.size();
}

// Where the directory of an ICO file starts, and the size of its entries.
constexpr size_t kIcoDirectoryStart = 6;
constexpr size_t kIcoEntrySize = 16;

// The ICO decoder allocates at once as much as an entry of the directory
// says that its image lies from the start: every image must start within
// the file. What follows a directory cut short is left to the decoder.
bool IcoImagesWithinFile(std::string_view bytes) {
  const size_t entries = LittleEndianAt(bytes, 4, 2);
  for (size_t entry = kIcoDirectoryStart; entry < kIcoDirectoryStart + entries * kIcoEntrySize;
       entry += kIcoEntrySize) {
    if (entry + kIcoEntrySize > bytes.size()) return true;
    if (LittleEndianAt(bytes, entry + 12, 4) > bytes.size()) return false;
  }
  return true;
}

// The bytes of the colour table that a GIF block's `flags` announce.
size_t GifColorTableSize(uint32_t flags) {
  return (flags & 0x80) != 0 ? 3 << ((flags & 7) + 1) : 0;
}

// The offset after the data sub-blocks from `at`: each is a length byte and
// that many bytes, up to one of length 0.
size_t SkipGifSubBlocks(std::string_view bytes, size_t at) {
  while (at < bytes.size()) {
    const size_t length = static_cast<unsigned char>(bytes[at]);
    at += 1 + length;
    if (length == 0) break;
  }
  return at;
}

// The GIF decoder makes a frame of no width or height a pixel buffer that
// GLib refuses, with a critical message: every frame must have pixels. What
// follows a damaged block is left to the decoder.
bool GifFramesHavePixels(std::string_view bytes) {
  constexpr size_t kScreenEnd = 13;
  constexpr size_t kFrameHeaderSize = 10;
  size_t at = kScreenEnd + GifColorTableSize(LittleEndianAt(bytes, 10, 1));
  while (at < bytes.size()) {
    if (bytes[at] == ',') {
      if (at + kFrameHeaderSize > bytes.size()) return true;
      if (LittleEndianAt(bytes, at + 5, 2) == 0 || LittleEndianAt(bytes, at + 7, 2) == 0) {
        return false;
      }
      // The frame's header, its colour table, and the byte of its code size.
      at += kFrameHeaderSize + GifColorTableSize(LittleEndianAt(bytes, at + 9, 1)) + 1;
    } else if (bytes[at] == '!') {
      at += 2;  // the introducer and the extension's label
    } else {
      return true;
    }
    at = SkipGifSubBlocks(bytes, at);
  }
  return true;
}

// A header that its decoder is given as it is.
bool AnyHeader(std::string_view) { return true; }

// An uncompressed BMP file must hold every row that its header promises;
// gdk-pixbuf draws what is missing as black.
bool BmpRowsWithinFile(std::string_view bytes) {
  constexpr uint32_t kUncompressed = 0;
  constexpr uint32_t kBitFields = 3;
  const uint32_t header_size = LittleEndianAt(bytes, 14, 4);
  const uint32_t compression = LittleEndianAt(bytes, 30, 4);
  if (header_size < 40 || (compression != kUncompressed && compression != kBitFields)) return true;
  const uint64_t width = LittleEndianAt(bytes, 18, 4);
  const auto height = static_cast<int32_t>(LittleEndianAt(bytes, 22, 4));
  const uint64_t bits = LittleEndianAt(bytes, 28, 2);
  const uint64_t row = (width * bits + 31) / 32 * 4;
  const uint64_t rows = height < 0 ? -int64_t{height} : height;
  return LittleEndianAt(bytes, 10, 4) + row * rows <= bytes.size();
}

// The fault of a BMP file before it is decoded into `*image`: kTooLarge
// for a header beyond the bounds, kDamaged for rows beyond the file.
ImageFault BmpFault(std::string_view bytes, DecodedImage* image) {
  const auto height = static_cast<int32_t>(LittleEndianAt(bytes, 22, 4));
  const int64_t width = LittleEndianAt(bytes, 18, 4);
  const int64_t rows = height < 0 ? -int64_t{height} : height;
  if (!WithinBounds(width, rows)) return BeyondBounds(width, rows, image);
  return BmpRowsWithinFile(bytes) ? ImageFault::kNone : ImageFault::kDamaged;
}

// A loading that failed with `fault`, the system's error `error` telling
// why, and `bound`, with kTooLarge, what was too large.
LoadedImage Failed(ImageFault fault, int error = 0, std::string bound = "") {
  LoadedImage loaded;
  loaded.fault = fault;
  loaded.error = error;
  loaded.bound = std::move(bound);
  return loaded;
}

// Reads the whole regular file at `path` into `bytes`; the fault when it
// cannot. Only regular files are read: opening a named pipe or a terminal
// would wait for ever.
LoadedImage ReadImageBytes(const std::string& path, std::string* bytes) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return Failed(missing ? ImageFault::kMissing : ImageFault::kUnreadable, errno);
  }
  if (!S_ISREG(status.st_mode)) return Failed(ImageFault::kNotAFile);
  if (status.st_size > kMaxImageFileBytes) {
    return Failed(ImageFault::kTooLarge, 0,
                  "a file of " + std::to_string(status.st_size) + " bytes, over the " +
                      std::to_string(kMaxImageFileBytes) + " that are read");
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad() || !in.is_open()) return Failed(ImageFault::kUnreadable, errno);
  return {};
}

// What gdk-pixbuf's decoder tells of an image's header as it reads it.
struct PixbufHeader {
  bool read = false;
  bool too_large = false;
  int width = 0;
  int height = 0;
};

// Called by the decoder once it has read the image's size, before it
// allocates the pixels. A size of nothing tells it to allocate nothing and
// stop.
void RefuseLargeImage(GdkPixbufLoader* loader, int width, int height, gpointer header) {
  auto& read = *static_cast<PixbufHeader*>(header);
  read = {true, !WithinBounds(width, height), width, height};
  if (read.too_large) gdk_pixbuf_loader_set_size(loader, 0, 0);
}

// The fault of a decoder that failed with `error` after it read `header`:
// kDamaged when the file is cut short or broken as far as the decoder
// tells, kUnreadKind when the header was read and the data was not, for
// any other reason.
ImageFault PixbufFault(const PixbufHeader& header, const GError* error) {
  const bool broken = error != nullptr && error->domain == GDK_PIXBUF_ERROR &&
                      (error->code == GDK_PIXBUF_ERROR_CORRUPT_IMAGE ||
                       error->code == GDK_PIXBUF_ERROR_INCOMPLETE_ANIMATION);
  return header.read && !broken ? ImageFault::kUnreadKind : ImageFault::kDamaged;
}

// Whether every pixel of `pixbuf` is grey: its red, green and blue equal.
bool IsGrey(GdkPixbuf* pixbuf) {
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  for (int y = 0; y < gdk_pixbuf_get_height(pixbuf); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(pixbuf); ++x) {
      const guchar* p = pixels + ptrdiff_t{y} * stride + x * channels;
      if (p[0] != p[1] || p[1] != p[2]) return false;
    }
  }
  return true;
}

// The samples of a decoded image: grey where every pixel is.
DecodedImage SamplesOf(GdkPixbuf* pixbuf) {
  DecodedImage image;
  image.width = gdk_pixbuf_get_width(pixbuf);
  image.height = gdk_pixbuf_get_height(pixbuf);
  image.alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  image.colours = IsGrey(pixbuf) ? 1 : 3;
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* in = gdk_pixbuf_read_pixels(pixbuf);
  image.samples.reserve(size_t(image.width) * image.height * image.channels());
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const guchar* p = in + ptrdiff_t{y} * stride + x * channels;
      image.samples.insert(image.samples.end(), p, p + image.colours);
      if (image.alpha) image.samples.push_back(p[3]);
    }
  }
  return image;
}

// Decodes `bytes` with gdk-pixbuf's `decoder` into `*image`; the fault when
// they cannot all be decoded, or hold an image beyond the bounds.
ImageFault DecodeWithPixbuf(std::string_view bytes, const char* decoder, DecodedImage* image) {
  const LoaderHandle loader(gdk_pixbuf_loader_new_with_type(decoder, nullptr));
  if (loader == nullptr) return ImageFault::kNotAnImage;
  PixbufHeader header;
  g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(RefuseLargeImage), &header);
  GError* error = nullptr;
  const bool written = gdk_pixbuf_loader_write(
      loader.get(), reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), &error);
  // After a failed write, closing fails too, and tells nothing more.
  const bool closed = gdk_pixbuf_loader_close(loader.get(), written ? &error : nullptr);
  const CHandle<GError, g_error_free> held_error(error);
  if (header.too_large) return BeyondBounds(header.width, header.height, image);
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
  if (!written || !closed || pixbuf == nullptr) return PixbufFault(header, error);
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  if (!WithinBounds(width, height)) return BeyondBounds(width, height, image);
  *image = SamplesOf(pixbuf);
  return ImageFault::kNone;
}

// The entry of an ICO file whose image is PNG-coded and the largest of its
// entries; empty when the largest is not PNG-coded.
std::string_view LargestPngIcon(std::string_view bytes) {
  const size_t entries = LittleEndianAt(bytes, 4, 2);
  std::string_view largest;
  uint64_t largest_area = 0;
  for (size_t entry = kIcoDirectoryStart;
       entry < kIcoDirectoryStart + entries * kIcoEntrySize && entry + kIcoEntrySize <= bytes.size();
       entry += kIcoEntrySize) {
    // A side of 0 stands for 256.
    const uint64_t width =
        LittleEndianAt(bytes, entry, 1) == 0 ? 256 : LittleEndianAt(bytes, entry, 1);
    const uint64_t height =
        LittleEndianAt(bytes, entry + 1, 1) == 0 ? 256 : LittleEndianAt(bytes, entry + 1, 1);
    const size_t size = LittleEndianAt(bytes, entry + 8, 4);
    const size_t offset = LittleEndianAt(bytes, entry + 12, 4);
    if (width * height <= largest_area || offset > bytes.size()) continue;
    largest_area = width * height;
    largest = bytes.substr(offset, size);
  }
  return largest.starts_with("\x89PNG\r\n\x1a\n"sv) ? largest : std::string_view();
}

// The decoders of the formats that need more than their own library.
ImageFault DecodeBmp(std::string_view bytes, DecodedImage* image) {
  if (const ImageFault fault = BmpFault(bytes, image); fault != ImageFault::kNone) return fault;
  return DecodeWithPixbuf(bytes, "bmp", image);
}

ImageFault DecodeGif(std::string_view bytes, DecodedImage* image) {
  return DecodeWithPixbuf(bytes, "gif", image);
}

ImageFault DecodeTiff(std::string_view bytes, DecodedImage* image) {
  return DecodeWithPixbuf(bytes, "tiff", image);
}

ImageFault DecodeIco(std::string_view bytes, DecodedImage* image) {
  if (const std::string_view png = LargestPngIcon(bytes); !png.empty()) {
    const ImageFault fault = DecodePng(png, image);
    image->png = {};  // its zlib stream is the entry's, not the file's
    return fault;
  }
  return DecodeWithPixbuf(bytes, "ico", image);
}

// Each known format, by the bytes that start its files: what its header
// must hold before its decoder is given the file, and the decoder.
struct ImageType {
  std::string_view name;
  std::string_view magic;
  bool (*header_is_sound)(std::string_view bytes);
  ImageFault (*decode)(std::string_view bytes, DecodedImage* image);
  bool embedded_as_it_is;  // the file, which PDF and PostScript take as it is
};

constexpr ImageType kImageTypes[] = {
    {"PNG", "\x89PNG\r\n\x1a\n"sv, AnyHeader, DecodePng, false},
    {"JPEG", "\xff\xd8\xff"sv, AnyHeader, DecodeJpeg, true},
    {"BMP", "BM"sv, BmpHeaderWithinFile, DecodeBmp, false},
    {"GIF", "GIF87a"sv, GifFramesHavePixels, DecodeGif, false},
    {"GIF", "GIF89a"sv, GifFramesHavePixels, DecodeGif, false},
    {"TIFF", "II*\0"sv, AnyHeader, DecodeTiff, false},
    {"TIFF", "MM\0*"sv, AnyHeader, DecodeTiff, false},
    {"ICO", "\0\0\1\0"sv, IcoImagesWithinFile, DecodeIco, false},
};

const ImageType* TypeOf(std::string_view bytes) {
  for (const ImageType& type : kImageTypes) {
    if (bytes.starts_with(type.magic)) return &type;
  }
  return nullptr;
}

// Which bound an image of `width` by `height` passes: "40000 pixels wide,
// over the 32767 a side".
std::string BoundPassed(int64_t width, int64_t height) {
  const std::string over_side = ", over the " + std::to_string(kMaxImageSide) + " a side";
  if (width > kMaxImageSide) return std::to_string(width) + " pixels wide" + over_side;
  if (height > kMaxImageSide) return std::to_string(height) + " pixels high" + over_side;
  return std::to_string(width) + " by " + std::to_string(height) + " pixels, over the " +
         std::to_string(kMaxImagePixels) + " in all";
}

// The words of the system's error `error`, as a message takes them:
// "permission denied".
std::string ErrorWords(int error) {
  std::string words = std::strerror(error);
  if (!words.empty())
    words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
  return words;
}

// The id of an image by its bytes: files of the same bytes are one image.
std::string UniqueId(std::string_view bytes) {
  const CHandle<gchar, g_free> digest(g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  return "quarvel-image-" + std::string(digest.get());
}

}  // namespace

std::string DescribeImageFault(const LoadedImage& loaded) {
  switch (loaded.fault) {
    case ImageFault::kNone: return "an image";
    case ImageFault::kMissing: return "no such file";
    case ImageFault::kNotAFile: return "not a regular file";
    case ImageFault::kUnreadable:
      return loaded.error == 0 ? "cannot be read" : ErrorWords(loaded.error);
    case ImageFault::kNotAnImage: return "not a PNG, JPEG, BMP, GIF, TIFF or ICO image";
    case ImageFault::kDamaged: return "damaged: its data cannot all be read";
    case ImageFault::kUnreadKind:
      return "a " + std::string(loaded.format) +
             " image whose data the loader cannot read: damaged, or of a kind that it does not "
             "read";
    case ImageFault::kTooLarge: return "too large: " + loaded.bound;
    case ImageFault::kNoMemory: return "too large for the memory left";
  }
  return "";
}

bool WithinBounds(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

ImageFault BeyondBounds(int64_t width, int64_t height, DecodedImage* image) {
  if (width <= 0 || height <= 0) return ImageFault::kDamaged;
  constexpr int64_t kMaxInt = std::numeric_limits<int>::max();
  image->width = static_cast<int>(std::min(width, kMaxInt));
  image->height = static_cast<int>(std::min(height, kMaxInt));
  return ImageFault::kTooLarge;
}

std::vector<uint32_t> PremultipliedArgb(const DecodedImage& image) {
  std::vector<uint32_t> pixels(size_t(image.width) * image.height);
  const uint8_t* in = image.samples.data();
  for (uint32_t& pixel : pixels) {
    const uint32_t a = image.alpha ? in[image.colours] : 255;
    const auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
    const uint32_t r = premultiply(in[0]);
    const uint32_t g = image.colours == 3 ? premultiply(in[1]) : r;
    const uint32_t b = image.colours == 3 ? premultiply(in[2]) : r;
    pixel = a << 24 | r << 16 | g << 8 | b;
    in += image.channels();
  }
  return pixels;
}

LoadedImage LoadImageFile(const std::string& path) {
  std::string bytes;
  if (LoadedImage unread = ReadImageBytes(path, &bytes); unread.fault != ImageFault::kNone) {
    return unread;
  }
  const ImageType* type = TypeOf(bytes);
  if (type == nullptr) return Failed(ImageFault::kNotAnImage);
  if (!type->header_is_sound(bytes)) return Failed(ImageFault::kDamaged);
  auto image = std::make_shared<DecodedImage>();
  try {
    if (const ImageFault fault = type->decode(bytes, image.get()); fault != ImageFault::kNone) {
      LoadedImage failed = Failed(
          fault, 0, fault == ImageFault::kTooLarge ? BoundPassed(image->width, image->height) : "");
      failed.format = type->name;
      return failed;
    }
  } catch (const std::bad_alloc&) {
    return Failed(ImageFault::kNoMemory);
  }
  image->id = UniqueId(bytes);
  if (type->embedded_as_it_is) image->jpeg = std::move(bytes);
  LoadedImage loaded;
  loaded.image = std::move(image);
  return loaded;
}

}  // namespace quarvel
