// The encodings of raster pages for printers without PDF: PWG Raster and
// Apple raster (URF) streams, by libcups' raster writer, and JPEG files, by
// libjpeg-turbo. A page is taken as cairo's RGB24 image surface holds it.
#ifndef QUARVEL_NATIVE_RASTER_PAGE_ENCODERS_H_
#define QUARVEL_NATIVE_RASTER_PAGE_ENCODERS_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "native/job/status.h"

namespace quarvel {

// A page of pixels, or a band of its lines: `height` lines of `stride`
// bytes, each of `width` pixels of 32 bits in native order, 0xXXRRGGBB
// with the top 8 bits unused (cairo's RGB24).
struct PagePixels {
  const unsigned char* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  int dpi = 0;
};

enum class RasterKind { kPwg, kUrf };

// How the pages are encoded: in 8-bit grey (sGray) or 8-bit colour (sRGB),
// for which sides of the sheet (an IPP "sides" keyword: "one-sided",
// "two-sided-long-edge", "two-sided-short-edge"), and how many pages the
// stream is to have, for its headers (0 when that is not known).
struct RasterOptions {
  bool gray = false;
  std::string sides = "one-sided";
  int pages = 0;
};

// Takes the bytes of a stream as they are encoded; returns false when they
// could not be taken, which fails the stream.
using ByteSink = std::function<bool(std::string_view bytes)>;

// Writes pages, one after the other, as one PWG Raster or Apple raster
// stream into a ByteSink. libcups writes the stream's and the pages'
// headers; the lines are coded here, in the PackBits of both formats, since
// libcups' own coder compares each pixel with a call of its own, which
// costs more than drawing the page.
class RasterStreamWriter {
 public:
  RasterStreamWriter(RasterKind kind, RasterOptions options, ByteSink sink);
  ~RasterStreamWriter();
  RasterStreamWriter(const RasterStreamWriter&) = delete;
  RasterStreamWriter& operator=(const RasterStreamWriter&) = delete;

  // Starts a page of `width` x `height` pixels at `dpi`, upright as it is
  // fed, by writing its header. The page before must have had all its
  // lines.
  Status StartPage(int width, int height, int dpi);
  // Appends the next `band.height` lines of the page started, as wide as
  // it is; the page ends with its last line. Once a page or a line could
  // not be written, every later call fails too.
  Status WriteLines(const PagePixels& band);

 private:
  struct Stream;

  Status Fail(std::string reason);

  const RasterKind kind_;
  const RasterOptions options_;
  std::unique_ptr<Stream> stream_;
  std::string failure_;
};

// Appends `page` to `*out` as a baseline JPEG file (JFIF, its density in
// dots per inch), in grey or colour.
Status EncodeJpeg(const PagePixels& page, bool gray, std::string* out);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RASTER_PAGE_ENCODERS_H_
