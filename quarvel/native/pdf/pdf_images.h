// Images in a PDF file.
#ifndef QUARVEL_NATIVE_PDF_PDF_IMAGES_H_
#define QUARVEL_NATIVE_PDF_PDF_IMAGES_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "native/pdf/pdf_file.h"

namespace quarvel {

// What a JPEG file's header says of its colours.
struct JpegColours {
  // The colour components of its frame: 1, 3 or 4; 0 when its header
  // cannot be read, holds another count, or samples of other than eight
  // bits.
  int components = 0;
  // Whether its CMYK samples are stored inverted, as Adobe's are: an Adobe
  // segment comes before the frame.
  bool inverted = false;
};

JpegColours ReadJpegColours(std::string_view jpeg);

// An image to embed.
struct PdfImage {
  int width = 0;
  int height = 0;
  // width x height pixels, row after row, each 32-bit ARGB in native byte
  // order with the colour premultiplied by alpha.
  std::span<const uint32_t> pixels;
  // The JPEG file that the pixels were decoded from; empty for the images
  // of other files.
  std::string_view jpeg;
};

// Writes `image` into `file` as an image object drawn smoothed, and returns
// the object's number. A JPEG file that every reader decodes is embedded as
// it is; other pixels are compressed, with their alpha as a soft mask where
// any pixel is not opaque.
int WriteImage(PdfFile& file, const PdfImage& image);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_IMAGES_H_
