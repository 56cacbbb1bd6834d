// The printer seam: what the interpreter does to the printer device context
// (choosing it in the print dialog, the abort procedure, the document and
// page calls, text and segments) and to the drawing surface on it (images),
// and nothing else. Results of the printing calls are never examined, except
// where a function returns one.
//
// Implementations: the Win32 printer (win32/), the native PDF printer
// (native/), the log printer (printer/log_printer.h), which writes the job
// as text, the discarding printer (printer/discarding_printer.h), and the
// tests' recording printer (testing/).
#ifndef QUARVEL_PRINTER_PRINTER_H_
#define QUARVEL_PRINTER_PRINTER_H_

#include <cstdint>
#include <memory>

#include "shared_types.h"

namespace quarvel {

// The orientation that the script asks the print dialog for.
enum class Orientation { kPortrait, kLandscape };

// What the print dialog gave back.
enum class DialogOutcome {
  // A printer was chosen, and its device context is ready for the job.
  kPrinterChosen,
  // The user cancelled the dialog.
  kCancelled,
  // The dialog itself failed.
  kDialogFailed,
};

// The font of one text line, as the font mapper takes it.
struct FontSpec {
  // Positive: cell height; negative: character height; zero: default size.
  int32_t height = 0;
  // 400 (normal) or 700 (bold).
  int32_t weight = 400;
  bool italic = false;

  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The destination of an image on the drawing surface, in the surface's own
// units (hundredths of an inch on a printer), y growing downward.
struct ImageRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  friend bool operator==(const ImageRect&, const ImageRect&) = default;
};

// An image loaded from a file. Whether loading succeeded is the printer's
// business: drawing an image that failed to load draws nothing. Destroying
// the object releases the image and its file.
class Picture {
 public:
  virtual ~Picture() = default;
};

class Printer {
 public:
  virtual ~Printer() = default;

  // Shows the print dialog with `orientation` preselected, and keeps the
  // chosen printer's device context, with a drawing surface for images made
  // on it, for the rest of the run. Called once.
  virtual DialogOutcome ChoosePrinter(Orientation orientation) = 0;

  // Installs the abort procedure, which keeps the thread's messages flowing
  // while the spooler works. Returns false when it cannot be installed,
  // which is always the case without a device context.
  virtual bool InstallAbortProc() = 0;

  // Starts a spooler document named "MyDoc".
  virtual void StartDocument() = 0;
  virtual void StartPage() = 0;
  virtual void EndPage() = 0;
  virtual void EndDocument() = 0;

  // Draws `text` in Arial with `font`, the top-left corner of its cell at
  // `at`, black on an opaque white background. The font is created for this
  // one call and deleted after it.
  virtual void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) = 0;

  // Draws one straight segment from `from` to `to` with the default pen.
  virtual void DrawSegment(DevicePoint from, DevicePoint to) = 0;

  // Loads the image file at `path`. Never returns null, even when the file
  // cannot be loaded.
  virtual std::unique_ptr<Picture> LoadPicture(const WideString& path) = 0;

  // Draws `picture`, which this printer loaded, scaled into `rect` on the
  // drawing surface.
  virtual void DrawPicture(Picture& picture, const ImageRect& rect) = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_PRINTER_H_
