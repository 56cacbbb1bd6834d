// The Win32 printer: the print dialog, the spooler job, GDI drawing on the
// printer device context and GDI+ drawing on a surface made from it.
#ifndef QUARVEL_WIN32_WIN32_PRINTER_H_
#define QUARVEL_WIN32_WIN32_PRINTER_H_

#include <memory>
#include <string>

#include "printer/printer.h"
#include "shared_types.h"
#include "win32/win32_gdi.h"

namespace quarvel {

// Allocates the device mode block that asks the print dialog for landscape:
// a movable, zeroed DEVMODEW with dmSize, dmFields = DM_ORIENTATION and
// dmOrientation = DMORIENT_LANDSCAPE set, and nothing else (no device name).
// Returns null when the block cannot be allocated; a block that cannot be
// locked stays all zero.
HGLOBAL NewLandscapeDevMode();

// The print dialog record: zeroed, then filled with its size, `dev_mode`,
// PD_RETURNDC | PD_USEDEVMODECOPIESANDCOLLATE, the page range 0xFFFF to
// 0xFFFF within 1 to 0xFFFF, and one copy. No owner window.
PRINTDLGW MakePrintDialogRecord(HGLOBAL dev_mode);

// The print dialog: PrintDlgW, or a stand-in of the tests.
using PrintDialog = BOOL(WINAPI*)(LPPRINTDLGW record);

// Shows the print dialog `show_dialog`, with landscape preselected for
// Orientation::kLandscape and the default printer's own settings otherwise,
// and returns the record as the dialog left it. Its hDC is null when no
// printer was chosen.
PRINTDLGW SetupPrinter(Orientation orientation, PrintDialog show_dialog = PrintDlgW);

// The abort procedure: dispatches every message queued for the thread and
// lets the job go on.
BOOL CALLBACK AbortProc(HDC dc, int error);

// The document information of every job: the name "MyDoc", output to the
// printer's own port.
DOCINFOW MakeDocumentInfo();

// Draws `text` with a font created for this call alone (Arial, the height,
// weight and italic of `font`, East European character set, antialiased),
// selecting the previous font back and deleting the new one afterwards.
void OutputTextOnDc(HDC dc, DevicePoint at, const FontSpec& font, const WideString& text);

// Strokes one segment as a path, with the stock gray brush selected (and
// left selected) and the device context's current pen.
void OutputSegmentOnDc(HDC dc, DevicePoint from, DevicePoint to);

// Loads the image file at `path` through GDI+ (without embedded colour
// management). Loading that fails gives a picture that draws nothing.
std::unique_ptr<Picture> LoadPictureFile(const WideString& path);

// Tells why the image file at `path` cannot be loaded as LoadPictureFile
// loads it ("no such file"), or returns an empty string when it can. GDI+
// must be started.
std::string WhyPictureCannotLoad(const WideString& path);

// Draws `picture`, which LoadPictureFile made, scaled into `rect` on
// `surface`.
void DrawPictureOnSurface(Gdiplus::Graphics& surface, Picture& picture, const ImageRect& rect);

class Win32Printer : public Printer {
 public:
  // Starts GDI+, the graphics library of images, before anything else the
  // run does. The printer is chosen in `show_dialog`.
  explicit Win32Printer(PrintDialog show_dialog = PrintDlgW);
  ~Win32Printer() override;
  Win32Printer(const Win32Printer&) = delete;
  Win32Printer& operator=(const Win32Printer&) = delete;

  // Shows the dialog, then creates the drawing surface on the device context
  // it gave, null or not. The surface is allocated with GdipAlloc; without
  // the memory, images are skipped for the rest of the run.
  DialogOutcome ChoosePrinter(Orientation orientation) override;
  bool InstallAbortProc() override;
  void StartDocument() override;
  void StartPage() override;
  void EndPage() override;
  void EndDocument() override;
  void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void DrawPicture(Picture& picture, const ImageRect& rect) override;

 private:
  void CreateDrawingSurface();

  // Declared first, so that GDI+ outlives the surface.
  const GdiplusSession gdiplus_;
  const PrintDialog show_dialog_;
  PRINTDLGW dialog_ = {};
  Gdiplus::Graphics* surface_ = nullptr;
};

}  // namespace quarvel

#endif  // QUARVEL_WIN32_WIN32_PRINTER_H_
