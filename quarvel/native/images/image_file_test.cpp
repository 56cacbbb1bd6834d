#include "native/images/image_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <png.h>
#include <turbojpeg.h>
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
// misuse GLib. Such files are damaged.
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
    EXPECT_EQ(LoadImageFile(image.name).fault, ImageFault::kDamaged) << image.name;
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
  EXPECT_EQ(LoadImageFile("cut.png").fault, ImageFault::kDamaged);
}

// A TIFF file of 2 x 2 pixels, uncompressed, of `samples` samples of
// `bits` bits each and the colour model `photometric` (2 RGB, 5 CMYK).
std::string Tiff(uint16_t samples, uint16_t bits, uint16_t photometric) {
  const std::string pixels(4 * samples * bits / 8, '\x40');
  const struct {
    uint16_t tag;
    uint16_t type;  // 3 for 16 bits, 4 for 32
    uint32_t count;
    uint32_t value;
  } entries[] = {
      {256, 3, 1, 2},
      {257, 3, 1, 2},
      {258, 3, 1, bits},
      {259, 3, 1, 1},
      {262, 3, 1, photometric},
      {273, 4, 1, 0},
      {277, 3, 1, samples},
      {278, 3, 1, 2},
      {279, 4, 1, static_cast<uint32_t>(pixels.size())},
  };
  constexpr uint32_t kDirectoryAt = 8;
  const uint32_t pixels_at = kDirectoryAt + 2 + 12 * std::size(entries) + 4;
  std::string tiff =
      std::string("II*\0", 4) + LittleEndian(kDirectoryAt, 4) + LittleEndian(std::size(entries), 2);
  for (const auto& entry : entries) {
    // The one value of each entry: the pixels' offset, where it is 0.
    const uint32_t value = entry.tag == 273 ? pixels_at : entry.value;
    tiff += LittleEndian(entry.tag, 2) + LittleEndian(entry.type, 2) +
            LittleEndian(entry.count, 4) + LittleEndian(value, 4);
  }
  return tiff + LittleEndian(0, 4) + pixels;
}

// Guards against a message that names another cause than the real one, or
// a bound without saying which: each is shown to the user as it stands.
TEST(LoadImageFileTest, DescribesTheCauseAndTheBoundPassed) {
  ScopedTempDir temp_dir;
  std::filesystem::create_symlink("loop.png", "loop.png");
  WriteFileBytes("huge.png", "");
  std::filesystem::resize_file("huge.png", kMaxImageFileBytes + 1);
  const struct {
    const char* name;
    std::string bytes;  // none for the files made above
    std::string description;
  } kCases[] = {
      {"missing.png", "", "no such file"},
      {"loop.png", "", "too many levels of symbolic links"},
      {"huge.png", "", "too large: a file of 268435457 bytes, over the 268435456 that are read"},
      {"wide.png", PngHeader(40000, 1), "too large: 40000 pixels wide, over the 32767 a side"},
      {"high.png", PngHeader(1, 40000), "too large: 40000 pixels high, over the 32767 a side"},
      {"many.bmp", BmpHeader(20000, 20000),
       "too large: 20000 by 20000 pixels, over the 67108864 in all"},
      {"wide.gif", GifHeader(65535, 2), "too large: 65535 pixels wide, over the 32767 a side"},
      {"empty.png", PngHeader(0, 2), "damaged: its data cannot all be read"},
      {"cmyk16.tif", Tiff(4, 16, 5),
       "a TIFF image whose data the loader cannot read: damaged, or of a kind that it does not "
       "read"},
      {"cmyk.tif", Tiff(4, 8, 5), "an image"},
  };
  for (const auto& c : kCases) {
    if (!c.bytes.empty()) WriteFileBytes(c.name, c.bytes);
  }
  for (const auto& c : kCases) {
    EXPECT_EQ(DescribeImageFault(LoadImageFile(c.name)), c.description) << c.name;
  }
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
  EXPECT_EQ(logo.image->samples.size(), size_t(4) * 2 * 3);
  EXPECT_EQ(photo.image->jpeg, ReadFileBytes("photo.jpg"));
  EXPECT_EQ(logo.image->jpeg, "");
  EXPECT_EQ(logo.image->id, copy.image->id);
  EXPECT_NE(logo.image->id, photo.image->id);
}

// `bytes` cut to `fraction` of their length.
std::string Cut(const std::string& bytes, double fraction) {
  return bytes.substr(0, static_cast<size_t>(bytes.size() * fraction));
}

// A picture of 16 x 16 pixels of two colours, or two greys, as gdk-pixbuf
// saves it in `format`.
std::string Saved(const char* format, bool grey = false) {
  const CHandle<GdkPixbuf, g_object_unref> pixbuf(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, false, 8, 16, 16));
  const CHandle<GdkPixbuf, g_object_unref> corner(
      gdk_pixbuf_new_subpixbuf(pixbuf.get(), 0, 0, 8, 8));
  gdk_pixbuf_fill(pixbuf.get(), grey ? 0x808080ff : 0x336699ff);
  gdk_pixbuf_fill(corner.get(), grey ? 0x202020ff : 0xffcc00ff);
  gchar* buffer = nullptr;
  gsize size = 0;
  EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &size, format, nullptr, nullptr));
  const CHandle<gchar, g_free> held(buffer);
  return {buffer, size};
}

// Guards against a damaged image drawn as far as it goes, grey or black
// where its data ends, or a JPEG file cut short embedded as it is (readers
// fill its gap, each in its own way): an image of any kind must decode
// whole.
TEST(LoadImageFileTest, RefusesDamagedImagesOfEveryKind) {
  ScopedTempDir temp_dir;
  std::string no_data = Saved("png");
  const size_t data = no_data.find("IDAT") - 4;
  no_data.erase(data, 12 + (static_cast<uint8_t>(no_data[data + 2]) << 8 |
                            static_cast<uint8_t>(no_data[data + 3])));
  std::string wrong_crc = Saved("png");
  wrong_crc[wrong_crc.find("IDAT") + 6] ^= 1;
  const struct {
    const char* name;
    std::string bytes;
  } kCases[] = {
      {"cut.png", Cut(Saved("png"), 0.8)},
      {"no-data.png", no_data},
      {"crc.png", wrong_crc},
      {"cut.jpg", Cut(Saved("jpeg"), 0.6)},
      {"cut.bmp", Cut(Saved("bmp"), 0.7)},
      {"cut.tiff", Cut(Saved("tiff"), 0.5)},
      {"cut.gif", GifScreen(2, 2) + GifFrame(2, 2).substr(0, 16)},
  };
  for (const auto& image : kCases) {
    WriteFileBytes(image.name, image.bytes);
    EXPECT_EQ(LoadImageFile(image.name).fault, ImageFault::kDamaged) << image.name;
  }
  for (const char* whole : {"png", "jpeg", "bmp", "tiff", "ico"}) {
    WriteFileBytes("whole", Saved(whole));
    EXPECT_EQ(LoadImageFile("whole").fault, ImageFault::kNone) << whole;
  }
}

// A PNG file of 2 x 2 pixels of `format` (libpng's simplified formats),
// with the samples `samples`.
std::string Png(png_uint_32 format, std::vector<uint8_t> samples, const uint8_t* colormap = nullptr,
                int colours = 0) {
  png_image png = {};
  png.version = PNG_IMAGE_VERSION;
  png.width = 2;
  png.height = 2;
  png.format = format;
  png.colormap_entries = colours;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, samples.data(), 0, colormap));
  std::string bytes(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&png, bytes.data(), &size, 0, samples.data(), 0, colormap));
  return bytes;
}

// `png` without its chunk of `type`.
std::string WithoutChunk(const std::string& png, std::string_view type) {
  const size_t at = png.find(type) - 4;
  const size_t length = static_cast<uint8_t>(png[at + 2]) << 8 | static_cast<uint8_t>(png[at + 3]);
  return png.substr(0, at) + png.substr(at + 12 + length);
}

// Guards against an image stored in more bytes than its file: grey as RGB,
// a palette or 16 bits decoded and deflated again, instead of the PNG data
// that PDF takes as it is; against samples that PDF readers take otherwise
// than the decoder (16 bits read as linear light, a gamma of the file's
// own passed on); and against CMYK read other than the common readers
// read it (gdk-pixbuf, as ImageMagick and Pillow do).
TEST(LoadImageFileTest, KeepsWhatTheFileHolds) {
  ScopedTempDir temp_dir;
  const uint8_t palette[] = {0, 0, 0, 255, 255, 255};
  // 16 bits of linear light, 0x4040 (sRGB's 137 of 255), with its gAMA.
  const std::string deep = Png(PNG_FORMAT_LINEAR_RGB, std::vector<uint8_t>(24, 0x40));
  const struct {
    const char* name;
    std::string bytes;
    int colours;
    bool alpha;
    int stream_bits;  // 0 for no PNG data kept
    int first_sample;
  } kCases[] = {
      {"grey.png", Png(PNG_FORMAT_GRAY, {0, 80, 160, 240}), 1, false, 8, 0},
      {"deep.png", WithoutChunk(deep, "gAMA"), 3, false, 16, 0x40},
      {"linear.png", deep, 3, false, 0, 137},
      {"palette.png", Png(PNG_FORMAT_RGB_COLORMAP, {0, 1, 1, 0}, palette, 2), 3, false, 1, 0},
      {"alpha.png", Png(PNG_FORMAT_RGBA, std::vector<uint8_t>(16, 0x80)), 3, true, 0, 0x80},
      {"colour.bmp", Saved("bmp"), 3, false, 0, 0xFF},
      {"grey.bmp", Saved("bmp", true), 1, false, 0, 0x20},
  };
  for (const auto& c : kCases) {
    WriteFileBytes(c.name, c.bytes);
    const LoadedImage loaded = LoadImageFile(c.name);
    ASSERT_EQ(loaded.fault, ImageFault::kNone) << c.name;
    EXPECT_EQ(loaded.image->colours, c.colours) << c.name;
    EXPECT_EQ(loaded.image->alpha, c.alpha) << c.name;
    EXPECT_EQ(loaded.image->png.zlib.empty() ? 0 : loaded.image->png.bits, c.stream_bits) << c.name;
    EXPECT_NEAR(loaded.image->samples[0], c.first_sample, 1) << c.name;
  }
  const CHandle<void, tjDestroy> encoder(tjInitCompress());
  const std::vector<uint8_t> cmyk(16 * 16 * 4, 0);
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(encoder.get(), cmyk.data(), 16, 0, 16, TJPF_CMYK, &jpeg, &size, TJSAMP_444,
                        90, 0),
            0);
  WriteFileBytes("cmyk.jpg", std::string(reinterpret_cast<char*>(jpeg), size));
  tjFree(jpeg);
  const LoadedImage loaded = LoadImageFile("cmyk.jpg");
  ASSERT_EQ(loaded.fault, ImageFault::kNone);
  const CHandle<GdkPixbuf, g_object_unref> reference(gdk_pixbuf_new_from_file("cmyk.jpg", nullptr));
  ASSERT_NE(reference, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(loaded.image->samples.begin(), loaded.image->samples.begin() + 3),
            std::vector<uint8_t>(gdk_pixbuf_read_pixels(reference.get()),
                                 gdk_pixbuf_read_pixels(reference.get()) + 3));
}

// Guards against icons whose images are PNG-coded, as every 256-pixel icon
// and Pillow's are, refused as no images.
TEST(LoadImageFileTest, LoadsIconsOfPngImages) {
  ScopedTempDir temp_dir;
  const std::string png = Saved("png");
  const std::string icon = LittleEndian(0, 2) + LittleEndian(1, 2) + LittleEndian(1, 2) +
                           std::string("\x10\x10\0\0", 4) + LittleEndian(1, 2) +
                           LittleEndian(32, 2) + LittleEndian(png.size(), 4) + LittleEndian(22, 4) +
                           png;
  WriteFileBytes("icon.ico", icon);
  const LoadedImage loaded = LoadImageFile("icon.ico");
  ASSERT_EQ(loaded.fault, ImageFault::kNone);
  EXPECT_EQ(loaded.image->width, 16);
}

}  // namespace
}  // namespace quarvel
