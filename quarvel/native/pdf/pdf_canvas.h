// Pages written straight into one PDF file per job. A job's text, lines and
// images become the page operators that they stand for, and the glyphs that
// its text shows are embedded as subsets of their TrueType faces.
#ifndef QUARVEL_NATIVE_PDF_PDF_CANVAS_H_
#define QUARVEL_NATIVE_PDF_PDF_CANVAS_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "native/page_canvas.h"
#include "native/page_geometry.h"
#include "native/pdf/pdf_file.h"
#include "native/pdf/pdf_fonts.h"

namespace quarvel {

class PdfCanvas : public PageCanvas {
 public:
  // Whether the text of `face` can be written by this canvas.
  static bool CanDraw(const ArialFace& face);

  // Pages for `device`, in a file titled `title`.
  PdfCanvas(const Device& device, std::string_view title);
  ~PdfCanvas() override;
  PdfCanvas(const PdfCanvas&) = delete;
  PdfCanvas& operator=(const PdfCanvas&) = delete;

  cairo_t* layout_context() override { return layout_; }
  void StartPage() override;
  void EndPage() override;
  std::vector<JobFile> Finish() override;
  void FillWhite(const InkBox& box) override;
  // `face` must be one that CanDraw accepts; `as_outlines` changes nothing.
  void DrawText(const ArialFace& face, const KeptFont& font, const GlyphRun& run,
                bool as_outlines) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  void DrawImage(cairo_surface_t* image, const ImagePlace& place) override;

 private:
  // Sets the colour that fills: 0 for black, 1 for white.
  void SetGray(int gray);
  // The resource number of `image`, written on first use.
  int ImageNumber(cairo_surface_t* image);
  void AppendPoint(double x, double y);

  const SheetSize sheet_;
  const std::string title_;
  PdfFile file_;
  PdfFonts fonts_;
  const int pages_object_;
  const int resources_object_;
  std::vector<int> pages_;
  // The operators of the page being drawn.
  std::string content_;
  int gray_ = 0;
  // The object numbers of the images written, by resource number less one,
  // and the resource numbers of images by their unique id.
  std::vector<int> images_;
  std::map<std::string, int> image_numbers_;
  cairo_surface_t* layout_surface_;
  cairo_t* layout_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_CANVAS_H_
