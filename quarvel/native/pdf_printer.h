// The native printer: renders the print job in the page geometry of a
// Windows printer device context (see page_geometry.h), as one PDF or
// PostScript document per job or one SVG or PNG file per page, and hands
// each finished job to a JobDelivery. PDF is written by a canvas of its own
// where the faces are TrueType (pdf/pdf_canvas.h), and by cairo otherwise,
// as the other formats are (cairo_canvas.h).
//
// It behaves like a spooler: page calls outside a document and drawing
// outside a page are dropped, a second "start" while a document or page is
// open is dropped, ending a document ends its open page, and a document that
// is never ended is never delivered.
#ifndef QUARVEL_NATIVE_PDF_PRINTER_H_
#define QUARVEL_NATIVE_PDF_PRINTER_H_

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "native/arial_faces.h"
#include "native/job_delivery.h"
#include "native/page_canvas.h"
#include "native/page_ink.h"
#include "native/page_geometry.h"
#include "native/progress_line.h"
#include "native/text_layout.h"
#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

// What the user chose for the printed pages.
struct PageSettings {
  // The resolution and the paper; the orientation comes from the dialog.
  Device device;
  // The orientation chosen in the print dialog; none keeps the one that the
  // script asks for.
  std::optional<Orientation> orientation;
  OutputFormat format = OutputFormat::kPdf;
};

class PdfPrinter : public Printer {
 public:
  // Prints with `settings`, delivering jobs to `delivery` and telling
  // `progress`, if any, of each page and job; both must outlive the printer.
  PdfPrinter(const PageSettings& settings, JobDelivery& delivery,
             PrintProgress* progress = nullptr);
  ~PdfPrinter() override;
  PdfPrinter(const PdfPrinter&) = delete;
  PdfPrinter& operator=(const PdfPrinter&) = delete;

  // Always answered with this printer, in the orientation chosen in the
  // settings, else in the one asked for.
  DialogOutcome ChoosePrinter(Orientation orientation) override;
  bool InstallAbortProc() override { return true; }
  void StartDocument() override;
  void StartPage() override;
  void EndPage() override;
  void EndDocument() override;
  // Black text on an opaque white cell as wide as the text's advance.
  void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) override;
  // One device pixel wide, black.
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  // Decodes the image file at once (see image_file.h); a file that cannot be
  // decoded gives a picture that draws nothing, and one that is too large is
  // reported on standard error, once per path.
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void DrawPicture(Picture& picture, const ImageRect& rect) override;

  // False once a job could not be delivered.
  bool all_delivered() const { return all_delivered_; }

 private:
  // Whether the PDF canvas can draw the text of every face; asked once.
  bool PdfCanvasDrawsEveryFace();

  PageSettings settings_;
  JobDelivery& delivery_;
  PrintProgress* progress_;
  ArialFaces faces_;
  TextLayout text_layout_;
  // What was drawn on the current page, when its white cells may be left
  // out where they cover nothing: on pages that are white, all but SVG's.
  PageInk ink_;
  const bool white_page_;
  // The line being drawn, kept to reuse its memory.
  GlyphRun run_;
  std::optional<bool> every_face_embeddable_;
  // The pages of the job being rendered.
  std::unique_ptr<PageCanvas> canvas_;
  bool page_open_ = false;
  bool all_delivered_ = true;
  std::set<std::string> reported_images_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PRINTER_H_
