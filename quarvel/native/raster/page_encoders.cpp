#include "native/raster/page_encoders.h"

#include <cups/raster.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "handles/c_handle.h"

namespace quarvel {

namespace {

using RasterHandle = CHandle<cups_raster_t, cupsRasterClose>;
using CompressorHandle = CHandle<void, tjDestroy>;

constexpr int kJpegQuality = 90;

// The lines of a page that a line group codes at most, and the pixels that
// a run codes at most.
constexpr int kMaxRepeats = 256;
constexpr int kMaxRun = 128;
// The bytes of coded lines gathered before they go to the sink.
constexpr size_t kFlushBytes = 64 * 1024;

// The pixel `x` of `line`, as 0xXXRRGGBB.
uint32_t PixelAt(const unsigned char* line, int x) {
  uint32_t pixel;
  std::memcpy(&pixel, line + size_t(x) * 4, 4);
  return pixel;
}

// Whether two pixels have the same colour, whatever their unused bits.
bool SameColour(uint32_t a, uint32_t b) { return ((a ^ b) & 0xFFFFFF) == 0; }

// The luma of sRGB as Rec. 601 weighs it, with white kept white.
uint8_t GrayOf(uint32_t pixel) {
  const uint32_t red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
  return uint8_t((red * 77 + green * 150 + blue * 29) >> 8);
}

// Writes `pixel` at `*to` as grey or as RGB bytes, and moves past them.
void PutPixel(uint32_t pixel, bool gray, unsigned char** to) {
  if (gray) {
    *(*to)++ = GrayOf(pixel);
    return;
  }
  *(*to)++ = uint8_t(pixel >> 16);
  *(*to)++ = uint8_t(pixel >> 8);
  *(*to)++ = uint8_t(pixel);
}

// How many pixels from `x` on, up to `width`, have the colour of pixel `x`:
// eight at a time while they do, then one at a time.
int RunFrom(const unsigned char* line, int x, int width) {
  constexpr uint64_t kColours = 0x00FFFFFF00FFFFFF;
  const uint32_t first = PixelAt(line, x);
  const uint64_t pair = uint64_t{first} << 32 | first;
  const auto differs = [pair](const unsigned char* pixels) {
    uint64_t two;
    std::memcpy(&two, pixels, sizeof two);
    return two ^ pair;
  };
  int end = x + 1;
  for (; end + 8 <= width; end += 8) {
    const unsigned char* eight = line + size_t(end) * 4;
    if ((differs(eight) | differs(eight + 8) | differs(eight + 16) | differs(eight + 24)) &
        kColours) {
      break;
    }
  }
  while (end < width && SameColour(PixelAt(line, end), first)) ++end;
  return end - x;
}

// How many pixels from `x` on are best coded as they are: up to the first
// that starts a run, at most a run.
int LiteralsFrom(const unsigned char* line, int x, int width) {
  int end = x + 1;
  while (end < width && end - x < kMaxRun &&
         (end + 1 == width || !SameColour(PixelAt(line, end), PixelAt(line, end + 1)))) {
    ++end;
  }
  return end - x;
}

// Codes the `width` pixels of `line` at `*to`, and moves past them: runs of
// one colour as their count less one (0 to 127) and the colour, and pixels
// as they are as 257 less their count (129 to 255, for 128 down to 2) and
// the pixels. Needs room for 1 + width * (1 + bytes a pixel) bytes.
void CodeLine(const unsigned char* line, int width, bool gray, unsigned char** to) {
  for (int x = 0; x < width;) {
    const int run = RunFrom(line, x, width);
    const int literals = run > 1 ? 0 : LiteralsFrom(line, x, width);
    if (literals < 2) {
      const uint32_t pixel = PixelAt(line, x);
      for (int left = run; left > 0; left -= kMaxRun) {
        *(*to)++ = uint8_t(std::min(left, kMaxRun) - 1);
        PutPixel(pixel, gray, to);
      }
      x += run;
      continue;
    }
    *(*to)++ = uint8_t(257 - literals);
    for (const int end = x + literals; x < end; ++x) PutPixel(PixelAt(line, x), gray, to);
  }
}

// A length of `pixels` at `dpi`, in hundredths of millimetres.
int HundredthsOfMm(int pixels, int dpi) {
  return static_cast<int>((int64_t{pixels} * 2540 + dpi / 2) / dpi);
}

// Puts `dpi` in the density fields of the JFIF header at the start of `jpeg`.
void SetJfifDensity(std::string& jpeg, size_t start, int dpi) {
  // SOI, APP0 marker and length, "JFIF\0", version; then units and density.
  constexpr size_t kUnits = 13;
  if (jpeg.size() < start + kUnits + 5 || jpeg.compare(start + 6, 5, "JFIF\0", 5) != 0) return;
  jpeg[start + kUnits] = 1;  // dots per inch
  for (const size_t at : {kUnits + 1, kUnits + 3}) {
    jpeg[start + at] = static_cast<char>(dpi >> 8);
    jpeg[start + at + 1] = static_cast<char>(dpi & 0xFF);
  }
}

}  // namespace

// The libcups stream, the sink it writes to, which must stay in place while
// the stream lives, and the page being written: the line that waits for
// the lines that repeat it, and the coded lines that wait for the sink.
struct RasterStreamWriter::Stream {
  static ssize_t Write(void* context, unsigned char* bytes, size_t length) {
    auto* stream = static_cast<Stream*>(context);
    if (!stream->Flush() ||
        !stream->sink(std::string_view(reinterpret_cast<const char*>(bytes), length))) {
      return -1;
    }
    return static_cast<ssize_t>(length);
  }

  // Gives the coded lines to the sink.
  bool Flush() {
    if (coded_bytes == 0) return true;
    const bool taken =
        sink(std::string_view(reinterpret_cast<const char*>(coded.data()), coded_bytes));
    coded_bytes = 0;
    return taken;
  }

  // Codes the waiting line, with its repeats, and gives it to the sink once
  // enough is gathered or the page has ended.
  bool CodeWaitingLine() {
    if (repeats == 0) return true;
    unsigned char* to = coded.data() + coded_bytes;
    *to++ = uint8_t(repeats - 1);
    CodeLine(waiting, width, gray, &to);
    coded_bytes = size_t(to - coded.data());
    repeats = 0;
    return (coded_bytes < kFlushBytes && lines_left > 0) || Flush();
  }

  ByteSink sink;
  RasterHandle raster;
  int width = 0;
  bool gray = false;
  int lines_left = 0;
  // The line waiting, in the band being written or in `kept`, and the
  // lines that repeat it, itself included.
  const unsigned char* waiting = nullptr;
  int repeats = 0;
  std::vector<unsigned char> kept;
  // Room for the lines gathered and one more coded line.
  std::vector<unsigned char> coded;
  size_t coded_bytes = 0;
};

RasterStreamWriter::RasterStreamWriter(RasterKind kind, RasterOptions options, ByteSink sink)
    : kind_(kind), options_(std::move(options)) {
  stream_ = std::make_unique<Stream>();
  stream_->sink = std::move(sink);
}

RasterStreamWriter::~RasterStreamWriter() = default;

Status RasterStreamWriter::Fail(std::string reason) {
  failure_ = std::move(reason);
  return Status::Error(failure_);
}

Status RasterStreamWriter::StartPage(int width, int height, int dpi) {
  if (!failure_.empty()) return Status::Error(failure_);
  if (stream_->lines_left > 0) return Fail("a raster page ended before its last line");
  if (stream_->raster == nullptr) {
    stream_->raster.reset(cupsRasterOpenIO(
        Stream::Write, stream_.get(),
        kind_ == RasterKind::kPwg ? CUPS_RASTER_WRITE_PWG : CUPS_RASTER_WRITE_APPLE));
  }
  cups_page_header2_t header;
  pwg_media_t* media = pwgMediaForSize(HundredthsOfMm(width, dpi), HundredthsOfMm(height, dpi));
  if (stream_->raster == nullptr || media == nullptr ||
      !cupsRasterInitPWGHeader(&header, media, options_.gray ? "sgray_8" : "srgb_8", dpi, dpi,
                               options_.sides.c_str(), "normal")) {
    const char* reason = cupsRasterErrorString();
    return Fail(std::string("cannot make a raster page: ") +
                (reason != nullptr && *reason != '\0' ? reason : "unknown error"));
  }
  // The page is as wide and high as the pixels drawn, whatever the media's
  // rounding gives.
  header.cupsWidth = static_cast<unsigned>(width);
  header.cupsHeight = static_cast<unsigned>(height);
  header.cupsBytesPerLine = header.cupsWidth * (options_.gray ? 1 : 3);
  header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = static_cast<unsigned>(options_.pages);
  try {
    stream_->kept.resize(size_t(width) * 4);
    stream_->coded.resize(std::max(stream_->coded.size(), kFlushBytes + 1 + size_t(width) * 4));
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  }
  if (cupsRasterWriteHeader2(stream_->raster.get(), &header) == 0) {
    return Fail("the raster stream could not be written");
  }
  stream_->width = width;
  stream_->gray = options_.gray;
  stream_->lines_left = height;
  return Status::Ok();
}

Status RasterStreamWriter::WriteLines(const PagePixels& band) {
  if (!failure_.empty()) return Status::Error(failure_);
  Stream& stream = *stream_;
  if (band.width != stream.width || band.height > stream.lines_left) {
    return Fail("a band of raster lines does not fit its page");
  }
  const size_t line_bytes = size_t(band.width) * 4;
  for (int y = 0; y < band.height; ++y) {
    const unsigned char* line = band.data + size_t(y) * band.stride;
    --stream.lines_left;
    if (stream.repeats > 0 && stream.repeats < kMaxRepeats &&
        std::memcmp(line, stream.waiting, line_bytes) == 0) {
      ++stream.repeats;
    } else {
      if (!stream.CodeWaitingLine()) return Fail("the raster stream could not be written");
      stream.waiting = line;
      stream.repeats = 1;
    }
  }
  // The page's last line goes out with it; a line still waiting for its
  // repeats is kept, since the band's pixels are not.
  if (stream.lines_left == 0 && !stream.CodeWaitingLine()) {
    return Fail("the raster stream could not be written");
  }
  if (stream.repeats > 0 && stream.waiting != stream.kept.data()) {
    std::memcpy(stream.kept.data(), stream.waiting, line_bytes);
    stream.waiting = stream.kept.data();
  }
  return Status::Ok();
}

Status EncodeJpeg(const PagePixels& page, bool gray, std::string* out) {
  const CompressorHandle compressor(tjInitCompress());
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  if (compressor == nullptr ||
      tjCompress2(compressor.get(), page.data, page.width, page.stride, page.height, TJPF_BGRX,
                  &jpeg, &size, gray ? TJSAMP_GRAY : TJSAMP_444, kJpegQuality, 0) != 0) {
    tjFree(jpeg);
    return Status::Error(std::string("cannot encode a JPEG page: ") +
                         tjGetErrorStr2(compressor.get()));
  }
  const size_t start = out->size();
  try {
    out->append(reinterpret_cast<const char*>(jpeg), size);
  } catch (const std::bad_alloc&) {
    tjFree(jpeg);
    return Status::Error("out of memory");
  }
  tjFree(jpeg);
  SetJfifDensity(*out, start, page.dpi);
  return Status::Ok();
}

}  // namespace quarvel
