#include "native/images/image_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "handles/c_handle.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string LittleEndian(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

uint32_t Crc32(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (const char byte : bytes) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

std::string PngChunk(std::string_view type, std::string_view data) {
  const std::string body = std::string(type) + std::string(data);
  return BigEndian32(data.size()) + body + BigEndian32(Crc32(body));
}

// Headers of images of `width` x `height` pixels, without their pixels: all
// that a decoder reads before it allocates them.
std::string PngHeader(uint32_t width, uint32_t height) {
  return "\x89PNG\r\n\x1a\n" +
         PngChunk("IHDR",
                  BigEndian32(width) + BigEndian32(height) + std::string("\x08\x02\0\0\0", 5)) +
         PngChunk("IDAT", "");
}

std::string BmpHeader(uint32_t width, uint32_t height) {
  return "BM" + LittleEndian(54, 4) + LittleEndian(0, 4) + LittleEndian(54, 4) +
         LittleEndian(40, 4) + LittleEndian(width, 4) + LittleEndian(height, 4) +
         LittleEndian(1, 2) + LittleEndian(24, 2) + std::string(24, '\0');
}

std::string GifHeader(uint32_t width, uint32_t height) {
  return "GIF89a" + LittleEndian(width, 2) + LittleEndian(height, 2) + std::string("\0\0\0", 3) +
         "," + LittleEndian(0, 4) + LittleEndian(width, 2) + LittleEndian(height, 2) +
         std::string("\0\x08", 2);
}

// A GIF's header for a screen of `width` x `height` pixels in two colours,
// black and white.
std::string GifScreen(uint32_t width, uint32_t height) {
  return "GIF89a" + LittleEndian(width, 2) + LittleEndian(height, 2) +
         std::string("\x80\0\0\0\0\0\xff\xff\xff", 9);
}

// A GIF frame of `width` x `height` pixels holding four black pixels, as
// codes of 9 bits: clear, 0, 0, 0, 0, end.
std::string GifFrame(uint32_t width, uint32_t height) {
  return "," + LittleEndian(0, 4) + LittleEndian(width, 2) + LittleEndian(height, 2) +
         std::string("\0\x08\x07\x00\x01\x00\x00\x00\x20\x20\0", 11);
}

// An icon of one image of 2 x 2 black pixels of 32 bits, which its
// directory says starts at `image_at`; it starts at 22.
std::string Icon(uint32_t image_at) {
  return LittleEndian(0, 2) + LittleEndian(1, 2) + LittleEndian(1, 2) +
         std::string("\x02\x02\0\0", 4) + LittleEndian(1, 2) + LittleEndian(32, 2) +
         LittleEndian(64, 4) + LittleEndian(image_at, 4) + LittleEndian(40, 4) +
         LittleEndian(2, 4) + LittleEndian(4, 4) + LittleEndian(1, 2) + LittleEndian(32, 2) +
         std::string(24 + 16 + 8, '\0');
}

// Writes a real image of 4 x 2 pixels in `format` ("png", "jpeg") to `path`.
void SaveImage(const char* path, const char* format) {
  const CHandle<GdkPixbuf, g_object_unref> pixbuf(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, false, 8, 4, 2));
  gdk_pixbuf_fill(pixbuf.get(), 0x336699ff);
  ASSERT_TRUE(gdk_pixbuf_save(pixbuf.get(), path, format, nullptr, nullptr));
}

// Guards against decompression bombs: a header that promises a huge image
// must be refused before its pixels are allocated, whatever the format.
TEST(LoadImageFileTest, RefusesImagesBeyondTheBoundsBeforeDecoding) {
  ScopedTempDir temp_dir;
  const struct {
    const char* name;
    std::string bytes;
  } bombs[] = {
      {"wide.png", PngHeader(40000, 1)},
      {"many.png", PngHeader(30000, 30000)},
      {"many.bmp", BmpHeader(20000, 20000)},
      {"many.gif", GifHeader(65535, 65535)},
  };
  for (const auto& bomb : bombs) {
    WriteFileBytes(bomb.name, bomb.bytes);
    const LoadedImage image = LoadImageFile(bomb.name);
    EXPECT_EQ(image.fault, ImageFault::kTooLarge) << bomb.name;
    EXPECT_EQ(image.image, nullptr) << bomb.name;
  }
}

// Counts GLib's warnings and critical messages while it lives: a decoder
// that prints one was given what it cannot handle.
class GLibWarnings {
 public:
  GLibWarnings() : previous_(g_log_set_default_handler(Count, this)) {}
  ~GLibWarnings() { g_log_set_default_handler(previous_, nullptr); }
  GLibWarnings(const GLibWarnings&) = delete;
  GLibWarnings& operator=(const GLibWarnings&) = delete;

  int count() const { return count_; }

 private:
  static void Count(const gchar*, GLogLevelFlags level, const gchar*, gpointer self) {
    if ((level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0) {
      ++static_cast<GLibWarnings*>(self)->count_;
    }
  }

  GLogFunc previous_;
  int count_ = 0;
};

// `bytes` with `part` written over them from `at`.
std::string Overwritten(std::string bytes, size_t at, std::string_view part) {
  return bytes.replace(at, part.size(), part);
}

// Guards against headers that the decoders trust: a BMP header or pixel
// offset, or an ICO image's offset, beyond the file made the decoder
// allocate up to 4 GiB at once, and a GIF frame without pixels made it
// misuse GLib. Such files are no images.
TEST(LoadImageFileTest, RefusesHeadersThatMisleadTheDecoders) {
  ScopedTempDir temp_dir;
  const std::string bmp = BmpHeader(2, 2) + std::string(16, '\0');
  const std::string gif = GifScreen(2, 2) + GifFrame(2, 2);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"header.bmp", Overwritten(bmp, 14, LittleEndian(0xFFFFFFF0, 4))},
      {"offset.bmp", Overwritten(bmp, 10, LittleEndian(0xFFFFFFF0, 4))},
      {"offset.ico", Icon(0x7FFFFF00)},
      {"narrow.gif", GifScreen(2, 2) + GifFrame(0, 2) + ";"},
      {"flat.gif", GifScreen(2, 2) + GifFrame(2, 0) + ";"},
      {"second.gif", gif + GifFrame(2, 0) + ";"},
  };
  WriteFileBytes("sound.bmp", bmp);
  WriteFileBytes("sound.gif", gif + ";");
  WriteFileBytes("sound.ico", Icon(22));
  for (const char* sound : {"sound.bmp", "sound.gif", "sound.ico"}) {
    EXPECT_EQ(LoadImageFile(sound).fault, ImageFault::kNone) << sound;
  }
  for (const auto& image : cases) {
    const GLibWarnings warnings;
    WriteFileBytes(image.name, image.bytes);
    EXPECT_EQ(LoadImageFile(image.name).fault, ImageFault::kNotAnImage) << image.name;
    EXPECT_EQ(warnings.count(), 0) << image.name;
  }
}

// Guards against the reasons a file cannot be drawn being confused, since
// they are reported to the user.
TEST(LoadImageFileTest, TellsWhyAFileIsNoImage) {
  ScopedTempDir temp_dir;
  std::filesystem::create_directory("folder");
  ASSERT_EQ(mkfifo("pipe", 0600), 0);
  WriteFileBytes("text.png", "not an image\n");
  WriteFileBytes("cut.png", "\x89PNG\r\n\x1a\n" + std::string(40, 'x'));
  EXPECT_EQ(LoadImageFile("missing.png").fault, ImageFault::kMissing);
  EXPECT_EQ(LoadImageFile("folder").fault, ImageFault::kNotAFile);
  EXPECT_EQ(LoadImageFile("pipe").fault, ImageFault::kNotAFile);
  EXPECT_EQ(LoadImageFile("text.png").fault, ImageFault::kNotAnImage);
  EXPECT_EQ(LoadImageFile("cut.png").fault, ImageFault::kNotAnImage);
}

// Guards against choosing the decoder by the name, and against losing what
// lets an output file embed an image once and a JPEG file as it is.
TEST(LoadImageFileTest, DecodesByContentAndKeepsTheIdsForEmbedding) {
  ScopedTempDir temp_dir;
  SaveImage("photo.jpg", "jpeg");
  SaveImage("logo.jpg", "png");
  std::filesystem::copy_file("logo.jpg", "copy.png");
  const LoadedImage photo = LoadImageFile("photo.jpg");
  const LoadedImage logo = LoadImageFile("logo.jpg");
  const LoadedImage copy = LoadImageFile("copy.png");
  ASSERT_EQ(photo.fault, ImageFault::kNone);
  ASSERT_EQ(logo.fault, ImageFault::kNone);
  EXPECT_EQ(logo.image->width, 4);
  EXPECT_EQ(logo.image->pixels.size(), size_t(logo.image->width) * logo.image->height);
  EXPECT_EQ(photo.image->jpeg, ReadFileBytes("photo.jpg"));
  EXPECT_EQ(logo.image->jpeg, "");
  EXPECT_EQ(logo.image->id, copy.image->id);
  EXPECT_NE(logo.image->id, photo.image->id);
}

}  // namespace
}  // namespace quarvel
