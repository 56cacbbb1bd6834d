#include "native/raster/page_encoders.h"

#include <cups/raster.h>
#include <turbojpeg.h>

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

// The red, green and blue of a pixel of cairo's RGB24.
struct Rgb {
  uint8_t red, green, blue;
};

Rgb PixelAt(const unsigned char* line, int x) {
  uint32_t pixel;
  std::memcpy(&pixel, line + size_t(x) * 4, 4);
  return {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)};
}

// The luma of sRGB as Rec. 601 weighs it, with white kept white.
uint8_t GrayOf(Rgb rgb) { return uint8_t((rgb.red * 77 + rgb.green * 150 + rgb.blue * 29) >> 8); }

// Whether `page` is turned a quarter counterclockwise onto portrait paper:
// a landscape page, as printers feed paper.
bool IsTurned(const PagePixels& page) { return page.width > page.height; }

// Writes line `y` of `page`, turned when it is, into `out`, as grey or as
// RGB bytes.
void ConvertLine(const PagePixels& page, int y, bool gray, std::vector<unsigned char>* out) {
  const bool turned = IsTurned(page);
  const unsigned char* line = page.data + size_t(y) * page.stride;
  unsigned char* to = out->data();
  for (int x = 0; x < (turned ? page.height : page.width); ++x) {
    const Rgb rgb = turned ? PixelAt(page.data + size_t(x) * page.stride, page.width - 1 - y)
                           : PixelAt(line, x);
    if (gray) {
      *to++ = GrayOf(rgb);
    } else {
      *to++ = rgb.red;
      *to++ = rgb.green;
      *to++ = rgb.blue;
    }
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

// The libcups stream and the sink it writes to, which must stay in place
// while the stream lives.
struct RasterStreamWriter::Stream {
  static ssize_t Write(void* context, unsigned char* bytes, size_t length) {
    auto* stream = static_cast<Stream*>(context);
    if (!stream->sink(std::string_view(reinterpret_cast<const char*>(bytes), length))) return -1;
    return static_cast<ssize_t>(length);
  }

  ByteSink sink;
  RasterHandle raster;
  std::vector<unsigned char> line;
};

RasterStreamWriter::RasterStreamWriter(RasterKind kind, RasterOptions options, ByteSink sink)
    : kind_(kind), options_(std::move(options)) {
  stream_ = std::make_unique<Stream>();
  stream_->sink = std::move(sink);
}

RasterStreamWriter::~RasterStreamWriter() = default;

Status RasterStreamWriter::WritePage(const PagePixels& page) {
  if (!failure_.empty()) return Status::Error(failure_);
  if (stream_->raster == nullptr) {
    stream_->raster.reset(cupsRasterOpenIO(
        Stream::Write, stream_.get(),
        kind_ == RasterKind::kPwg ? CUPS_RASTER_WRITE_PWG : CUPS_RASTER_WRITE_APPLE));
  }
  const int width = IsTurned(page) ? page.height : page.width;
  const int height = IsTurned(page) ? page.width : page.height;
  cups_page_header2_t header;
  pwg_media_t* media =
      pwgMediaForSize(HundredthsOfMm(width, page.dpi), HundredthsOfMm(height, page.dpi));
  if (stream_->raster == nullptr || media == nullptr ||
      !cupsRasterInitPWGHeader(&header, media, options_.gray ? "sgray_8" : "srgb_8", page.dpi,
                               page.dpi, options_.sides.c_str(), "normal")) {
    const char* reason = cupsRasterErrorString();
    failure_ = std::string("cannot make a raster page: ") +
               (reason != nullptr && *reason != '\0' ? reason : "unknown error");
    return Status::Error(failure_);
  }
  // The page is as wide and high as the pixels drawn, whatever the media's
  // rounding gives.
  header.cupsWidth = static_cast<unsigned>(width);
  header.cupsHeight = static_cast<unsigned>(height);
  header.cupsBytesPerLine = header.cupsWidth * (options_.gray ? 1 : 3);
  try {
    stream_->line.resize(header.cupsBytesPerLine);
  } catch (const std::bad_alloc&) {
    failure_ = "out of memory";
    return Status::Error(failure_);
  }
  bool written = cupsRasterWriteHeader2(stream_->raster.get(), &header) != 0;
  for (int y = 0; written && y < height; ++y) {
    ConvertLine(page, y, options_.gray, &stream_->line);
    written = cupsRasterWritePixels(stream_->raster.get(), stream_->line.data(),
                                    header.cupsBytesPerLine) == header.cupsBytesPerLine;
  }
  if (written) return Status::Ok();
  failure_ = "the raster stream could not be written";
  return Status::Error(failure_);
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
