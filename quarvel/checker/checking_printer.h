// The checker's printer: it draws nothing, and reports the printing calls
// that a spooler would drop or that lose output, as the script's keywords
// drive them: pages outside documents, a second start while one is open,
// an end without its start, drawing outside a page, and what the script
// leaves open at its end, and a script that prints nothing. It also tries
// every image file the script names.
#ifndef QUARVEL_CHECKER_CHECKING_PRINTER_H_
#define QUARVEL_CHECKER_CHECKING_PRINTER_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "checker/diagnostics.h"
#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

// Tells why the image file at `path` cannot be loaded ("no such file"), or
// returns an empty string when it can: the image loader of a printer.
using ImageProbe = std::function<std::string(const WideString& path)>;

class CheckingPrinter : public Printer {
 public:
  // Reports to `diagnostics`, which must outlive the printer, about its
  // current line; tries image files with `probe`.
  CheckingPrinter(Diagnostics& diagnostics, ImageProbe probe)
      : diagnostics_(diagnostics), probe_(std::move(probe)) {}

  DialogOutcome ChoosePrinter(Orientation) override { return DialogOutcome::kPrinterChosen; }
  bool InstallAbortProc() override { return true; }
  void StartDocument() override;
  void StartPage() override;
  void EndPage() override;
  void EndDocument() override;
  // Each also reports a drawing beyond what the native printer draws (see
  // printer/drawing_limits.h).
  void OutputText(DevicePoint at, const FontSpec& font, const WideString&) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void DrawPicture(Picture&, const ImageRect& rect) override;

  // Reports the page and the document that the script left open, and a
  // script that completed no document with anything drawn on its pages.
  // Called once, after the interpreter has read the whole script.
  void Finish();

 private:
  // Reports drawing of `what` outside an open page, once until the next
  // document or page call.
  void Draw(const char* what);
  void Report(const std::string& message);
  // Reports that `what` is left out by the native printer.
  void ReportBeyond(const std::string& what);
  // Why the script prints nothing; empty when it prints.
  std::string WhyNothingPrints() const;

  Diagnostics& diagnostics_;
  const ImageProbe probe_;
  // The lines that started the open document and page; 0 when none is open.
  size_t document_line_ = 0;
  size_t page_line_ = 0;
  bool reported_drawing_ = false;
  // Whether a document was started, one was ended, and whether anything
  // was drawn on a page of the open document, and of an ended one.
  bool started_document_ = false;
  bool ended_document_ = false;
  bool drawn_in_document_ = false;
  bool printed_ = false;
};

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_CHECKING_PRINTER_H_
