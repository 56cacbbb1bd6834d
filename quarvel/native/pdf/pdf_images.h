// Images in a PDF file.
#ifndef QUARVEL_NATIVE_PDF_PDF_IMAGES_H_
#define QUARVEL_NATIVE_PDF_PDF_IMAGES_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "native/pdf/pdf_file.h"

namespace quarvel {

// The colour components of the frame of the JPEG file `jpeg` that every
// PDF reader decodes: 1, 3 or 4; 0 when its header cannot be read, or it is
// a frame of another count, of other than eight bits a sample, or of a kind
// that not every reader decodes (lossless, hierarchical, arithmetic-coded).
int JpegComponents(std::string_view jpeg);

// PNG image data that PDF takes as it is: the zlib stream of the rows, each
// with its PNG filter, which PDF's PNG predictors undo.
struct PdfPngData {
  std::string_view zlib;
  int colours = 1;           // 1 for grey or a palette, 3 for RGB
  int bits = 8;              // 1, 2, 4, 8 or 16 a sample
  std::string_view palette;  // RGB triples, for palette indices
};

// An image to embed.
struct PdfImage {
  int width = 0;
  int height = 0;
  int colours = 3;  // 1 for grey, 3 for RGB
  bool alpha = false;
  // width x height pixels, row after row, each its colour samples and then
  // its alpha when `alpha`, eight bits each, not premultiplied.
  std::span<const uint8_t> samples;
  // The JPEG file that the samples were decoded from; empty for the images
  // of other files.
  std::string_view jpeg;
  // The PNG data of the samples, where the file allows it; empty otherwise.
  PdfPngData png;

  size_t channels() const { return static_cast<size_t>(colours) + (alpha ? 1 : 0); }
};

// Writes `image` into `file` as an image object drawn smoothed, and returns
// the object's number. A JPEG file that every reader decodes is embedded as
// it is, its CMYK samples read as Adobe stores them, inverted; PNG data as
// it is, keeping its bits; other samples are compressed, grey as grey, with
// their alpha as a soft mask where any pixel is not opaque. An image whose
// samples do not fill it, and whose data is neither, is written as one
// transparent pixel.
int WriteImage(PdfFile& file, const PdfImage& image);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_IMAGES_H_
