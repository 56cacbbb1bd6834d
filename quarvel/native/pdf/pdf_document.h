// A PDF document written page by page into memory: the page operators of
// text, white boxes, lines and images, the fonts that the text shows,
// embedded as subsets of their TrueType faces, and the images, each
// embedded once.
//
// Pages are drawn in a user space of their own: units from the page's
// top-left corner, x growing to the right and y downward, the whole page
// `width_units` by `height_units` of them.
#ifndef QUARVEL_NATIVE_PDF_PDF_DOCUMENT_H_
#define QUARVEL_NATIVE_PDF_PDF_DOCUMENT_H_

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "native/pdf/pdf_file.h"
#include "native/pdf/pdf_fonts.h"
#include "native/pdf/pdf_images.h"

struct FT_FaceRec_;

namespace quarvel {

// The size of every page, in points (1/72 inch) and in user units.
struct PdfPageSize {
  double width_points = 0;
  double height_points = 0;
  double width_units = 0;
  double height_units = 0;
};

// One glyph of a line of text: its index in the face, the character it
// stands for, and its origin in user units.
struct PdfGlyph {
  uint16_t index = 0;
  char32_t character = 0;
  double x = 0;
  double y = 0;
};

class PdfDocument {
 public:
  // A document of pages of `size`, titled `title`, made at `created`
  // (seconds since 1970, UTC), its creation and modification date.
  PdfDocument(const PdfPageSize& size, std::string_view title, int64_t created);

  // Each drawing is made between a page's start and its end.
  void StartPage();
  void EndPage();

  // Fills the box from (left, top) to (right, bottom) with white.
  void FillWhite(double left, double top, double right, double bottom);

  // Shows `glyphs` of `face` at the size `em` (user units to the em) in
  // black. `face` must be one that PdfFonts::CanEmbed accepts, and outlive
  // the document.
  void ShowText(FT_FaceRec_* face, double em, std::span<const PdfGlyph> glyphs);

  // Fills the outlines of `glyphs` of `face` at the size `em` in black:
  // text of a face that cannot be embedded, drawn as it looks, but not to
  // be copied out.
  void FillGlyphOutlines(FT_FaceRec_* face, double em, std::span<const PdfGlyph> glyphs);

  // Strokes a black line one unit wide, with square caps, from (x1, y1) to
  // (x2, y2).
  void StrokeLine(double x1, double y1, double x2, double y2);

  // Draws `image` into the box of its top-left corner (x, y) and its size,
  // which is negative where the image is mirrored. Images of the same `id`
  // are one image, embedded once; an empty id is an image of its own.
  void DrawImage(const PdfImage& image, std::string_view id, double x, double y, double width,
                 double height);

  // Ends the document, whose pages have all ended, and returns its file. A
  // document without pages gets one blank page: readers refuse a file of
  // none.
  std::string Finish();

 private:
  // Sets the colour that fills: 0 for black, 1 for white.
  void SetGray(int gray);
  // The resource number of `image`, written on first use.
  int ImageNumber(const PdfImage& image, std::string_view id);
  void AppendPoint(double x, double y);

  const PdfPageSize size_;
  const std::string title_;
  const int64_t created_;
  PdfFile file_;
  PdfFonts fonts_;
  const int pages_object_;
  const int resources_object_;
  std::vector<int> pages_;
  // The operators of the page being drawn.
  std::string content_;
  int gray_ = 0;
  // The object numbers of the images written, by resource number less one,
  // and the resource numbers of images by their id.
  std::vector<int> images_;
  std::map<std::string, int, std::less<>> image_numbers_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_DOCUMENT_H_
