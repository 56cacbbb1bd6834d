#include "native/image_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace quarvel {

namespace {

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

// The ICO decoder allocates at once as much as an entry of the directory
// says that its image lies from the start: every image must start within
// the file. What follows a directory cut short is left to the decoder.
bool IcoImagesWithinFile(std::string_view bytes) {
  constexpr size_t kDirectoryStart = 6;
  constexpr size_t kEntrySize = 16;
  const size_t entries = LittleEndianAt(bytes, 4, 2);
  for (size_t entry = kDirectoryStart; entry < kDirectoryStart + entries * kEntrySize;
       entry += kEntrySize) {
    if (entry + kEntrySize > bytes.size()) return true;
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

// The decoder of each known format, by the bytes that start its files, and
// what its header must hold before the decoder is given the file.
struct ImageType {
  std::string_view magic;
  const char* decoder;
  bool (*header_is_sound)(std::string_view bytes);
};

constexpr ImageType kImageTypes[] = {
    {"\x89PNG\r\n\x1a\n"sv, "png", AnyHeader},
    {"\xff\xd8\xff"sv, "jpeg", AnyHeader},
    {"BM"sv, "bmp", BmpHeaderWithinFile},
    {"GIF87a"sv, "gif", GifFramesHavePixels},
    {"GIF89a"sv, "gif", GifFramesHavePixels},
    {"II*\0"sv, "tiff", AnyHeader},
    {"MM\0*"sv, "tiff", AnyHeader},
    {"\0\0\1\0"sv, "ico", IcoImagesWithinFile},
};

const ImageType* TypeOf(std::string_view bytes) {
  for (const ImageType& type : kImageTypes) {
    if (bytes.starts_with(type.magic)) return &type;
  }
  return nullptr;
}

// Reads the whole regular file at `path` into `bytes`. Only regular files
// are read: opening a named pipe or a terminal would wait for ever.
ImageFault ReadImageBytes(const std::string& path, std::string* bytes) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    return errno == EACCES ? ImageFault::kUnreadable : ImageFault::kMissing;
  }
  if (!S_ISREG(status.st_mode)) return ImageFault::kNotAFile;
  if (status.st_size > kMaxImageFileBytes) return ImageFault::kTooLarge;
  std::ifstream in(path, std::ios::binary);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.bad() || !in.is_open() ? ImageFault::kUnreadable : ImageFault::kNone;
}

bool WithinBounds(int width, int height) {
  return width <= kMaxImageSide && height <= kMaxImageSide &&
         int64_t{width} * height <= kMaxImagePixels;
}

// Called by the decoder once it has read the image's size, before it
// allocates the pixels. A size of nothing tells it to allocate nothing and
// stop.
void RefuseLargeImage(GdkPixbufLoader* loader, int width, int height, gpointer too_large) {
  if (WithinBounds(width, height)) return;
  *static_cast<bool*>(too_large) = true;
  gdk_pixbuf_loader_set_size(loader, 0, 0);
}

// Copies a decoded image into a cairo surface, whose pixels are native-endian
// ARGB with the colour premultiplied by alpha.
SurfacePtr SurfaceFromPixbuf(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int in_stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* in = gdk_pixbuf_read_pixels(pixbuf);
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  unsigned char* out = cairo_image_surface_get_data(surface.get());
  const int out_stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(out + y * out_stride);
    for (int x = 0; x < width; ++x) {
      const guchar* p = in + y * in_stride + x * channels;
      const uint32_t a = alpha ? p[3] : 255;
      const auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
      row[x] = a << 24 | premultiply(p[0]) << 16 | premultiply(p[1]) << 8 | premultiply(p[2]);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

// Decodes `bytes` with `decoder`; null when they hold no image, or one
// beyond the bounds (then `too_large` is set).
SurfacePtr Decode(std::string_view bytes, const char* decoder, bool* too_large) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(decoder, nullptr);
  if (loader == nullptr) return nullptr;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(RefuseLargeImage), too_large);
  const bool written = gdk_pixbuf_loader_write(
      loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr);
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
  SurfacePtr surface;
  if (written && closed && !*too_large && pixbuf != nullptr &&
      WithinBounds(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf))) {
    surface = SurfaceFromPixbuf(pixbuf);
  }
  g_object_unref(loader);
  return surface;
}

// Hands `data` to the surface as its `mime_type` data, which the surface
// owns from then on.
void AttachMimeData(cairo_surface_t* surface, const char* mime_type, std::string data) {
  auto* owned = new std::string(std::move(data));
  cairo_surface_set_mime_data(
      surface, mime_type, reinterpret_cast<const unsigned char*>(owned->data()), owned->size(),
      [](void* closure) { delete static_cast<std::string*>(closure); }, owned);
}

// The id of an image by its bytes: files of the same bytes are one image.
std::string UniqueId(std::string_view bytes) {
  gchar* digest = g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string id = "quarvel-image-" + std::string(digest);
  g_free(digest);
  return id;
}

}  // namespace

std::string_view DescribeImageFault(ImageFault fault) {
  switch (fault) {
    case ImageFault::kNone: return "an image";
    case ImageFault::kMissing: return "no such file";
    case ImageFault::kNotAFile: return "not a regular file";
    case ImageFault::kUnreadable: return "cannot be read";
    case ImageFault::kNotAnImage: return "not a PNG, JPEG, BMP, GIF, TIFF or ICO image";
    case ImageFault::kTooLarge:
      return "too large (over 67108864 pixels, 32767 pixels on a side, or 256 MiB of file)";
  }
  return "";
}

LoadedImage LoadImageFile(const std::string& path) {
  std::string bytes;
  if (const ImageFault fault = ReadImageBytes(path, &bytes); fault != ImageFault::kNone) {
    return {fault, nullptr};
  }
  const ImageType* type = TypeOf(bytes);
  if (type == nullptr || !type->header_is_sound(bytes)) return {ImageFault::kNotAnImage, nullptr};
  bool too_large = false;
  SurfacePtr surface = Decode(bytes, type->decoder, &too_large);
  if (surface == nullptr) {
    return {too_large ? ImageFault::kTooLarge : ImageFault::kNotAnImage, nullptr};
  }
  AttachMimeData(surface.get(), CAIRO_MIME_TYPE_UNIQUE_ID, UniqueId(bytes));
  if (std::string_view(type->decoder) == "jpeg") {
    AttachMimeData(surface.get(), CAIRO_MIME_TYPE_JPEG, std::move(bytes));
  }
  return {ImageFault::kNone, std::move(surface)};
}

std::string_view MimeDataOf(cairo_surface_t* surface, const char* mime_type) {
  const unsigned char* data = nullptr;
  unsigned long length = 0;
  cairo_surface_get_mime_data(surface, mime_type, &data, &length);
  return data == nullptr ? std::string_view()
                         : std::string_view(reinterpret_cast<const char*>(data), length);
}

}  // namespace quarvel
