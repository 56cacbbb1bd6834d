// The native PDF printer: renders the print job with cairo in the page
// geometry of a Windows printer device context (see page_geometry.h), one
// PDF document per job, and hands each finished job to a JobDelivery.
//
// It behaves like a spooler: page calls outside a document and drawing
// outside a page are dropped, a second "start" while a document or page is
// open is dropped, ending a document ends its open page, and a document that
// is never ended is never delivered.
#ifndef QUARVEL_PRINTER_PDF_PRINTER_H_
#define QUARVEL_PRINTER_PDF_PRINTER_H_

#include <memory>
#include <string>

#include "host.h"
#include "printer/arial_faces.h"
#include "printer/job_delivery.h"
#include "printer/page_geometry.h"

namespace quarvel {

class PdfPrinter : public Host {
 public:
  // Prints on `device`, whose orientation the script's orientation word
  // decides, delivering jobs to `delivery`, which must outlive the printer.
  PdfPrinter(const Device& device, JobDelivery& delivery);
  ~PdfPrinter() override;

  void StartGraphics() override {}
  // Always answered with this printer, in the orientation asked for.
  PrinterChoice ChoosePrinter(const std::string& orientation) override;
  void CreateDrawingSurface() override {}
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

#endif  // QUARVEL_PRINTER_PDF_PRINTER_H_
