// The native PDF printer: renders the print job with cairo in the page
// geometry of a Windows printer device context (see page_geometry.h), one
// PDF document per job, and hands each finished job to a JobDelivery.
//
// It behaves like a spooler: page calls outside a document and drawing
// outside a page are dropped, a second "start" while a document or page is
// open is dropped, ending a document ends its open page, and a document that
// is never ended is never delivered.
#ifndef QUARVEL_NATIVE_PDF_PRINTER_H_
#define QUARVEL_NATIVE_PDF_PRINTER_H_

#include <memory>
#include <string>

#include "native/arial_faces.h"
#include "native/job_delivery.h"
#include "native/page_geometry.h"
#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

class PdfPrinter : public Printer {
 public:
  // Prints on `device`, whose orientation the script's orientation prologue
  // decides, delivering jobs to `delivery`, which must outlive the printer.
  PdfPrinter(const Device& device, JobDelivery& delivery);
  ~PdfPrinter() override;
  PdfPrinter(const PdfPrinter&) = delete;
  PdfPrinter& operator=(const PdfPrinter&) = delete;

  // Always answered with this printer, in the orientation asked for.
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
  // Decodes the image file at once; a file that cannot be decoded gives a
  // picture that draws nothing.
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void DrawPicture(Picture& picture, const ImageRect& rect) override;

  // One job being rendered.
  class Document;

 private:
  Device device_;
  JobDelivery& delivery_;
  ArialFaces faces_;
  std::unique_ptr<Document> document_;
  bool page_open_ = false;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PRINTER_H_
