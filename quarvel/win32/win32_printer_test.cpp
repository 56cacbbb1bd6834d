// The Win32 printer on a real Win32 implementation: the dialog's records,
// and the GDI and GDI+ calls on device contexts that record or show what
// was drawn.
#include "win32/win32_printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace quarvel {
namespace {

// One record of an enhanced metafile.
struct Record {
  DWORD type;
  std::vector<BYTE> bytes;

  template <typename T>
  const T& As() const {
    return *reinterpret_cast<const T*>(bytes.data());
  }
};

int CALLBACK CollectRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM out) {
  const auto* bytes = reinterpret_cast<const BYTE*>(record);
  reinterpret_cast<std::vector<Record>*>(out)->push_back(
      {record->iType, std::vector<BYTE>(bytes, bytes + record->nSize)});
  return 1;
}

// Records what `draw` does on an enhanced metafile device context, leaving
// out the header and the end of file.
template <typename Draw>
std::vector<Record> RecordOnMetafile(Draw draw) {
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  draw(dc);
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  std::vector<Record> records;
  EnumEnhMetaFile(nullptr, metafile, CollectRecord, &records, nullptr);
  DeleteEnhMetaFile(metafile);
  std::vector<Record> drawing;
  for (const Record& record : records) {
    if (record.type != EMR_HEADER && record.type != EMR_EOF) drawing.push_back(record);
  }
  return drawing;
}

std::vector<DWORD> Types(const std::vector<Record>& records) {
  std::vector<DWORD> types;
  for (const Record& record : records) types.push_back(record.type);
  return types;
}

// Guards against any member of the dialog record other than those it must
// set, which would change what the dialog offers.
TEST(SetupPrinterTest, DialogRecordSetsOnlyItsMembers) {
  const HGLOBAL dev_mode = reinterpret_cast<HGLOBAL>(0x1234);
  const PRINTDLGW record = MakePrintDialogRecord(dev_mode);
  PRINTDLGW expected;
  std::memset(&expected, 0, sizeof expected);
  expected.lStructSize = sizeof(PRINTDLGW);
  expected.hDevMode = dev_mode;
  expected.Flags = PD_RETURNDC | PD_USEDEVMODECOPIESANDCOLLATE;
  expected.nFromPage = 0xFFFF;
  expected.nToPage = 0xFFFF;
  expected.nMinPage = 1;
  expected.nMaxPage = 0xFFFF;
  expected.nCopies = 1;
  EXPECT_EQ(std::memcmp(&record, &expected, sizeof record), 0);
  EXPECT_EQ(record.hwndOwner, nullptr);
  EXPECT_EQ(record.hDevNames, nullptr);
  EXPECT_EQ(record.hDC, nullptr);
}

// Guards against a landscape request that carries anything but the
// orientation (a device name would tie it to one printer).
TEST(SetupPrinterTest, LandscapeBlockAsksForLandscapeOnly) {
  static_assert(sizeof(DEVMODEW) == 220);
  const HGLOBAL block = NewLandscapeDevMode();
  ASSERT_NE(block, nullptr);
  EXPECT_GE(GlobalSize(block), sizeof(DEVMODEW));
  const auto* mode = static_cast<const DEVMODEW*>(GlobalLock(block));
  ASSERT_NE(mode, nullptr);
  EXPECT_NE(static_cast<const void*>(mode), static_cast<const void*>(block)) << "not movable";
  DEVMODEW expected;
  std::memset(&expected, 0, sizeof expected);
  expected.dmSize = sizeof(DEVMODEW);
  expected.dmFields = DM_ORIENTATION;
  expected.dmOrientation = DMORIENT_LANDSCAPE;
  EXPECT_EQ(std::memcmp(mode, &expected, sizeof expected), 0);
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(SetupPrinterTest, DocumentIsNamedMyDocAndGoesToThePrintersPort) {
  const DOCINFOW info = MakeDocumentInfo();
  EXPECT_EQ(info.cbSize, static_cast<int>(sizeof(DOCINFOW)));
  EXPECT_STREQ(info.lpszDocName, L"MyDoc");
  EXPECT_EQ(info.lpszOutput, nullptr);
  EXPECT_EQ(info.lpszDatatype, nullptr);
  EXPECT_EQ(info.fwType, 0u);
}

// Guards against taking a failed SetAbortProc for success when the failure
// is reported as 0 rather than SP_ERROR (as Wine does): after a cancelled
// dialog the run went on to read the script without a device context.
TEST(Win32PrinterTest, AbortProcCannotBeInstalledWithoutADeviceContext) {
  Win32Printer printer;
  EXPECT_FALSE(printer.InstallAbortProc());
}

// Guards against the font of a text line: its arguments, its selection only
// for the one line, and its deletion.
TEST(Win32DrawingTest, TextLineCreatesSelectsAndDeletesItsOwnFont) {
  HFONT before = nullptr;
  const std::vector<Record> records = RecordOnMetafile([&](HDC dc) {
    before = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    OutputTextOnDc(dc, {80, 896}, {100, 700, true}, L"Na\u010d\u00edt\u00e1n\u00ed");
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), before);
  });
  ASSERT_EQ(Types(records),
            (std::vector<DWORD>{EMR_EXTCREATEFONTINDIRECTW, EMR_SELECTOBJECT, EMR_EXTTEXTOUTW,
                                EMR_SELECTOBJECT, EMR_DELETEOBJECT}));
  const auto& font = records[0].As<EMREXTCREATEFONTINDIRECTW>();
  const LOGFONTW& logfont = font.elfw.elfLogFont;
  EXPECT_EQ(logfont.lfHeight, 100);
  EXPECT_EQ(logfont.lfWidth, 0);
  EXPECT_EQ(logfont.lfEscapement, 0);
  EXPECT_EQ(logfont.lfOrientation, 0);
  EXPECT_EQ(logfont.lfWeight, 700);
  EXPECT_EQ(logfont.lfItalic, 1);
  EXPECT_EQ(logfont.lfUnderline, 0);
  EXPECT_EQ(logfont.lfStrikeOut, 0);
  EXPECT_EQ(logfont.lfCharSet, EASTEUROPE_CHARSET);
  EXPECT_EQ(logfont.lfOutPrecision, OUT_DEFAULT_PRECIS);
  EXPECT_EQ(logfont.lfClipPrecision, CLIP_DEFAULT_PRECIS);
  EXPECT_EQ(logfont.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(logfont.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
  EXPECT_STREQ(logfont.lfFaceName, L"Arial");

  EXPECT_EQ(records[1].As<EMRSELECTOBJECT>().ihObject, font.ihFont);
  const auto& text = records[2].As<EMREXTTEXTOUTW>();
  EXPECT_EQ(text.emrtext.ptlReference.x, 80);
  EXPECT_EQ(text.emrtext.ptlReference.y, 896);
  ASSERT_EQ(text.emrtext.nChars, 8u);
  const auto* chars =
      reinterpret_cast<const wchar_t*>(records[2].bytes.data() + text.emrtext.offString);
  EXPECT_EQ(std::wstring(chars, 8), L"Na\u010d\u00edt\u00e1n\u00ed");
  EXPECT_NE(records[3].As<EMRSELECTOBJECT>().ihObject, font.ihFont);
  EXPECT_EQ(records[4].As<EMRSELECTOBJECT>().ihObject, font.ihFont);
}

// Guards against a pen or brush created per segment, and against the path
// calls of a segment.
TEST(Win32DrawingTest, SegmentIsStrokedAsAPathWithTheGrayBrushLeftSelected) {
  const std::vector<Record> records = RecordOnMetafile([](HDC dc) {
    OutputSegmentOnDc(dc, {80, 800}, {800, -8});
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(GRAY_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  });
  ASSERT_EQ(Types(records), (std::vector<DWORD>{EMR_BEGINPATH, EMR_SELECTOBJECT, EMR_MOVETOEX,
                                                EMR_LINETO, EMR_ENDPATH, EMR_STROKEANDFILLPATH}));
  EXPECT_EQ(records[1].As<EMRSELECTOBJECT>().ihObject, 0x80000000u | GRAY_BRUSH);
  EXPECT_EQ(records[2].As<EMRMOVETOEX>().ptl.x, 80);
  EXPECT_EQ(records[2].As<EMRMOVETOEX>().ptl.y, 800);
  EXPECT_EQ(records[3].As<EMRLINETO>().ptl.x, 800);
  EXPECT_EQ(records[3].As<EMRLINETO>().ptl.y, -8);
}

// A 2 x 2 bitmap file, all red.
std::string RedBitmapFile() {
  const unsigned char header[] = {
      'B', 'M', 70, 0, 0,  0, 0, 0, 0,    0,    54, 0, 0,    0,            // file header
      40,  0,   0,  0, 2,  0, 0, 0, 2,    0,    0,  0, 1,    0,    24, 0,  // info header
      0,   0,   0,  0, 16, 0, 0, 0, 0x13, 0x0B, 0,  0, 0x13, 0x0B, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0};
  const unsigned char rows[] = {0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};
  return std::string(std::begin(header), std::end(header)) +
         std::string(std::begin(rows), std::end(rows));
}

// A white 100 x 100 pixel surface on a memory device context.
class PixelSurface {
 public:
  PixelSurface() : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_),
                               nullptr, 0);
    selection_ = SelectObject(dc_, bitmap_);
    std::memset(pixels_, 0xFF, kSize * kSize * 4);
  }
  ~PixelSurface() {
    SelectObject(dc_, selection_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }

  HDC dc() const { return dc_; }
  // The pixel at (x, y) as 0xRRGGBB.
  DWORD At(int x, int y) const {
    GdiFlush();
    return pixels_[y * kSize + x] & 0xFFFFFF;
  }

 private:
  static constexpr int kSize = 100;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ selection_ = nullptr;
  DWORD* pixels_ = nullptr;
};

class Win32PictureTest : public ::testing::Test {
 protected:
  Win32PictureTest() {
    const Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~Win32PictureTest() override { Gdiplus::GdiplusShutdown(token_); }

  ScopedTempDir temp_dir_;
  ULONG_PTR token_ = 0;
};

// Guards against an image drawn anywhere but scaled into its rectangle.
TEST_F(Win32PictureTest, ImageIsScaledIntoItsRectangle) {
  WriteFileBytes("red.bmp", RedBitmapFile());
  PixelSurface surface;
  {
    Gdiplus::Graphics graphics(surface.dc());
    DrawPictureOnSurface(graphics, *LoadPictureFile(L"red.bmp"), {10, 20, 50, 30});
  }
  EXPECT_EQ(surface.At(30, 35), 0xFF0000u);
  EXPECT_EQ(surface.At(12, 22), 0xFF0000u);
  EXPECT_EQ(surface.At(5, 35), 0xFFFFFFu);
  EXPECT_EQ(surface.At(30, 60), 0xFFFFFFu);
  EXPECT_EQ(surface.At(70, 35), 0xFFFFFFu);
}

// Guards against an image file kept open, or a missing file that stops or
// spoils the page.
TEST_F(Win32PictureTest, MissingImageDrawsNothingAndLoadedImageReleasesItsFile) {
  PixelSurface surface;
  {
    Gdiplus::Graphics graphics(surface.dc());
    DrawPictureOnSurface(graphics, *LoadPictureFile(L"missing.png"), {0, 0, 100, 100});
  }
  EXPECT_EQ(surface.At(50, 50), 0xFFFFFFu);

  WriteFileBytes("red.bmp", RedBitmapFile());
  LoadPictureFile(L"red.bmp");
  EXPECT_NE(DeleteFileW(L"red.bmp"), 0);
}

// Guards against a crash, a spoiled page or a file kept open when the path
// names a directory, a device, an empty file or a bitmap cut short.
TEST_F(Win32PictureTest, PathsThatNameNoImageFileDrawNothing) {
  std::filesystem::create_directory("folder");
  WriteFileBytes("empty.png", "");
  WriteFileBytes("cut.bmp", RedBitmapFile().substr(0, 40));
  PixelSurface surface;
  {
    Gdiplus::Graphics graphics(surface.dc());
    for (const wchar_t* path : {L"folder", L"NUL", L"empty.png", L"cut.bmp"}) {
      DrawPictureOnSurface(graphics, *LoadPictureFile(path), {0, 0, 100, 100});
    }
  }
  for (int at : {0, 50, 99}) EXPECT_EQ(surface.At(at, at), 0xFFFFFFu) << at;
  EXPECT_NE(DeleteFileW(L"empty.png"), 0);
  EXPECT_NE(DeleteFileW(L"cut.bmp"), 0);
}

// Stand-ins for the print dialog: a user who chooses the printer whose
// device context a test set, a user who cancels, and a dialog that fails.
HDC g_chosen_dc = nullptr;
bool g_dialog_saw_landscape = false;

BOOL WINAPI ChooseTheTestPrinter(LPPRINTDLGW record) {
  const auto* mode = record->hDevMode == nullptr
                         ? nullptr
                         : static_cast<const DEVMODEW*>(GlobalLock(record->hDevMode));
  g_dialog_saw_landscape = mode != nullptr && mode->dmOrientation == DMORIENT_LANDSCAPE;
  if (mode != nullptr) GlobalUnlock(record->hDevMode);
  record->hDC = g_chosen_dc;
  return TRUE;
}

BOOL WINAPI CancelTheDialog(LPPRINTDLGW) { return FALSE; }

// A record of no size makes the real dialog fail at once, with an error.
BOOL WINAPI FailTheDialog(LPPRINTDLGW) {
  PRINTDLGW empty;
  std::memset(&empty, 0, sizeof empty);
  return PrintDlgW(&empty);
}

// Guards against a drawing surface that is not made on the chosen device
// context right after the dialog, and against GDI+ started too late for
// it: the printer starts GDI+ when it is made.
TEST_F(Win32PictureTest, ChosenPrinterDrawsImagesOnItsDeviceContext) {
  WriteFileBytes("red.bmp", RedBitmapFile());
  PixelSurface surface;
  g_chosen_dc = surface.dc();
  {
    Win32Printer printer(ChooseTheTestPrinter);
    EXPECT_EQ(printer.ChoosePrinter(Orientation::kLandscape), DialogOutcome::kPrinterChosen);
    EXPECT_TRUE(g_dialog_saw_landscape);
    printer.DrawPicture(*printer.LoadPicture(L"red.bmp"), {10, 20, 50, 30});
  }
  EXPECT_EQ(surface.At(30, 35), 0xFF0000u);
  EXPECT_EQ(surface.At(70, 35), 0xFFFFFFu);

  Win32Printer portrait(ChooseTheTestPrinter);
  portrait.ChoosePrinter(Orientation::kPortrait);
  EXPECT_FALSE(g_dialog_saw_landscape);
}

// Guards against a failed dialog taken for a cancelled one, or the reverse:
// only a cancelled dialog goes on to try the abort procedure.
TEST(Win32PrinterTest, DialogOutcomeTellsCancelledFromFailed) {
  Win32Printer cancelled(CancelTheDialog);
  EXPECT_EQ(cancelled.ChoosePrinter(Orientation::kPortrait), DialogOutcome::kCancelled);
  Win32Printer failed(FailTheDialog);
  EXPECT_EQ(failed.ChoosePrinter(Orientation::kPortrait), DialogOutcome::kDialogFailed);
}

}  // namespace
}  // namespace quarvel
