// The Win32 printer: the print dialog, the spooler job, GDI drawing on the
// printer device context and GDI+ drawing on a surface made from it.
#ifndef QUARVEL_PRINTER_WIN32_PRINTER_H_
#define QUARVEL_PRINTER_WIN32_PRINTER_H_

#include <memory>
#include <string>

#include "host.h"
#include "printer/win32_gdi.h"

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

// Shows the print dialog, with landscape preselected when `orientation` is
// "landscape" and the default printer's own settings otherwise, and returns
// the record as the dialog left it. Its hDC is null when no printer was
// chosen.
PRINTDLGW SetupPrinter(const std::string& orientation);

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

// Draws `picture`, which LoadPictureFile made, scaled into `rect` on
// `surface`.
void DrawPictureOnSurface(Gdiplus::Graphics& surface, Picture& picture, const ImageRect& rect);

class Win32Printer : public Host {
 public:
  Win32Printer() = default;
  ~Win32Printer() override;

  void StartGraphics() override;
  PrinterChoice ChoosePrinter(const std::string& orientation) override;
  // Allocates the surface with GdipAlloc. Without the memory, images are
  // skipped for the rest of the run.
  void CreateDrawingSurface() override;
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
  ULONG_PTR gdiplus_token_ = 0;
  PRINTDLGW dialog_ = {};
  Gdiplus::Graphics* surface_ = nullptr;
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_WIN32_PRINTER_H_
