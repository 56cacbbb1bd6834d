#include "win32/win32_printer.h"

#include <new>

namespace quarvel {

namespace {

constexpr WORD kAllPages = 0xFFFF;
constexpr BYTE kAntialiasedQuality = 4;

// An image loaded through GDI+; the wrapper releases it when destroyed.
class GdiplusPicture : public Picture {
 public:
  explicit GdiplusPicture(const WideString& path) : image_(path.c_str(), FALSE) {}
  Gdiplus::Image* image() { return &image_; }

 private:
  Gdiplus::Image image_;
};

// Why a file cannot be loaded, from the system's error `error` in finding
// it, in the words of the native loader's messages.
std::string FileErrorWords(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return "no such file";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_CANT_RESOLVE_FILENAME: return "too many levels of symbolic links";
    default: return "cannot be read (system error " + std::to_string(error) + ")";
  }
}

// Why GDI+ cannot load an image, from the `status` of its loading; empty
// for Ok.
std::string PictureStatusWords(Gdiplus::Status status) {
  switch (status) {
    case Gdiplus::Ok: return "";
    case Gdiplus::UnknownImageFormat: return "not an image in a format that GDI+ reads";
    // GDI+ gives OutOfMemory for a file of a known format that it cannot
    // decode, whatever the reason.
    case Gdiplus::OutOfMemory:
      return "an image that GDI+ cannot decode: damaged, too large, or of a kind that it does "
             "not read";
    case Gdiplus::FileNotFound: return "no such file";
    default: return "an image that GDI+ cannot load (status " + std::to_string(status) + ")";
  }
}

}  // namespace

HGLOBAL NewLandscapeDevMode() {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEW));
  if (block == nullptr) return nullptr;
  if (auto* mode = static_cast<DEVMODEW*>(GlobalLock(block))) {
    mode->dmSize = sizeof(DEVMODEW);
    mode->dmFields = DM_ORIENTATION;
    mode->dmOrientation = DMORIENT_LANDSCAPE;
  }
  GlobalUnlock(block);
  return block;
}

PRINTDLGW MakePrintDialogRecord(HGLOBAL dev_mode) {
  PRINTDLGW record;
  ZeroMemory(&record, sizeof record);
  record.lStructSize = sizeof record;
  record.hDevMode = dev_mode;
  record.Flags = PD_RETURNDC | PD_USEDEVMODECOPIESANDCOLLATE;
  record.nFromPage = kAllPages;
  record.nToPage = kAllPages;
  record.nMinPage = 1;
  record.nMaxPage = kAllPages;
  record.nCopies = 1;
  return record;
}

PRINTDLGW SetupPrinter(Orientation orientation, PrintDialog show_dialog) {
  PRINTDLGW record = MakePrintDialogRecord(
      orientation == Orientation::kLandscape ? NewLandscapeDevMode() : nullptr);
  show_dialog(&record);
  return record;
}

BOOL CALLBACK AbortProc(HDC, int) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return TRUE;
}

DOCINFOW MakeDocumentInfo() {
  DOCINFOW info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.lpszDocName = L"MyDoc";
  return info;
}

void OutputTextOnDc(HDC dc, DevicePoint at, const FontSpec& font, const WideString& text) {
  const GdiObject created(CreateFontW(font.height, 0, 0, 0, font.weight, font.italic, FALSE, FALSE,
                                      EASTEUROPE_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      kAntialiasedQuality, DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
  const Selection selection(dc, created.get());
  TextOutW(dc, at.x, at.y, text.c_str(), lstrlenW(text.c_str()));
}

void OutputSegmentOnDc(HDC dc, DevicePoint from, DevicePoint to) {
  BeginPath(dc);
  SelectObject(dc, GetStockObject(GRAY_BRUSH));
  MoveToEx(dc, from.x, from.y, nullptr);
  LineTo(dc, to.x, to.y);
  EndPath(dc);
  StrokeAndFillPath(dc);
}

std::unique_ptr<Picture> LoadPictureFile(const WideString& path) {
  return std::make_unique<GdiplusPicture>(path);
}

std::string WhyPictureCannotLoad(const WideString& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileErrorWords(GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "not a regular file";
  GdiplusPicture picture(path);
  return PictureStatusWords(picture.image()->GetLastStatus());
}

void DrawPictureOnSurface(Gdiplus::Graphics& surface, Picture& picture, const ImageRect& rect) {
  surface.DrawImage(static_cast<GdiplusPicture&>(picture).image(), rect.x, rect.y, rect.width,
                    rect.height);
}

// The device context and the device blocks are left to the end of the
// process: deleting a printer device context whose document the script left
// open would decide the fate of that job, which is the spooler's to decide.
Win32Printer::~Win32Printer() { delete surface_; }

Win32Printer::Win32Printer(PrintDialog show_dialog) : show_dialog_(show_dialog) {}

DialogOutcome Win32Printer::ChoosePrinter(Orientation orientation) {
  dialog_ = SetupPrinter(orientation, show_dialog_);
  const DWORD dialog_error = dialog_.hDC == nullptr ? CommDlgExtendedError() : 0;
  CreateDrawingSurface();
  if (dialog_.hDC != nullptr) return DialogOutcome::kPrinterChosen;
  return dialog_error != 0 ? DialogOutcome::kDialogFailed : DialogOutcome::kCancelled;
}

void Win32Printer::CreateDrawingSurface() {
  void* memory = Gdiplus::DllExports::GdipAlloc(sizeof(Gdiplus::Graphics));
  if (memory == nullptr) return;
  surface_ = ::new (memory) Gdiplus::Graphics(dialog_.hDC);
}

// SetAbortProc succeeds with a result greater than zero. Windows fails with
// SP_ERROR, but Wine with 0, so only a positive result counts as success.
bool Win32Printer::InstallAbortProc() { return SetAbortProc(dialog_.hDC, AbortProc) > 0; }

void Win32Printer::StartDocument() {
  const DOCINFOW info = MakeDocumentInfo();
  StartDocW(dialog_.hDC, &info);
}

void Win32Printer::StartPage() { ::StartPage(dialog_.hDC); }
void Win32Printer::EndPage() { ::EndPage(dialog_.hDC); }
void Win32Printer::EndDocument() { ::EndDoc(dialog_.hDC); }

void Win32Printer::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  OutputTextOnDc(dialog_.hDC, at, font, text);
}

void Win32Printer::DrawSegment(DevicePoint from, DevicePoint to) {
  OutputSegmentOnDc(dialog_.hDC, from, to);
}

std::unique_ptr<Picture> Win32Printer::LoadPicture(const WideString& path) {
  if (surface_ == nullptr) return std::make_unique<Picture>();
  return LoadPictureFile(path);
}

void Win32Printer::DrawPicture(Picture& picture, const ImageRect& rect) {
  if (surface_ != nullptr) DrawPictureOnSurface(*surface_, picture, rect);
}

}  // namespace quarvel
