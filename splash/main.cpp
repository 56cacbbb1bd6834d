// The loading banner: one small window that shows the banner bitmap and
// moves the ball bitmap over its dots, one dot further every half second,
// and destroys itself after 21 ticks. The program reads no command line
// and no files; its bitmaps are resources linked in by splash.rc.
#include "win32/win32_windows.h"

#include <cstdint>
#include <memory>
#include <type_traits>

#include "ball_walk.h"

namespace {

constexpr char g_szClassName[] = "MyWindowClass";
HINSTANCE g_hInst = nullptr;
HBITMAP hbmBall = nullptr;            // the ball, resource "BALLBMP"
HBITMAP hbmMask = nullptr;            // the banner, resource "MASKBMP": background and mask
BITMAP bm = {};                       // the ball's description; its width and height are used
int32_t ballX = 0;                    // the ball's left edge, in client pixels
int32_t deltaX = 0;                   // the ball's step per tick
constexpr int32_t deltaValue = 21;    // the step the ball is set moving right with
constexpr int32_t nTimerDelay = 500;  // the timer's period, in milliseconds
constexpr int32_t idTimer1 = 1;       // the window timer
int32_t times = 0;                    // the ticks handled

// The window: a plain overlapped window (title bar and border, no system
// menu, no sizing frame) with a sunken client edge. The style value lies in
// the class-defined low word, which this class does not use.
constexpr DWORD kWindowExStyle = WS_EX_CLIENTEDGE;
constexpr DWORD kWindowStyle = 0x20;
constexpr int kWindowWidth = 469;
constexpr int kWindowHeight = 90;

// The class background: system colour COLOR_HIGHLIGHTTEXT, as a brush value.
constexpr INT_PTR kBackgroundBrush = COLOR_HIGHLIGHTTEXT + 1;
static_assert(kBackgroundBrush == 15);

// The rectangle from (0, 0) over which the banner is combined into the
// window; it reaches below the banner bitmap's 59 rows.
constexpr int kBannerAreaWidth = 459;
constexpr int kBannerAreaHeight = 173;

// The message boxes of the failures.
constexpr UINT kStartFailureStyle = MB_ICONEXCLAMATION | MB_OK | MB_SYSTEMMODAL;
constexpr UINT kResourceFailureStyle = MB_ICONEXCLAMATION | MB_OK;
static_assert(kStartFailureStyle == 0x1030 && kResourceFailureStyle == 0x30);

// WM_CREATE's result that refuses the window's creation.
constexpr LRESULT kRefuseCreation = -1;

// Holders for the device contexts and selections that a drawing routine
// holds for one call: each gives its handle back when destroyed.
using DcHandle = std::remove_pointer_t<HDC>;

struct DeleteMemoryDc {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<DcHandle, DeleteMemoryDc>;

// Releases a window's device context obtained with GetDC.
struct ReleaseWindowDc {
  HWND window;
  void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
using WindowDc = std::unique_ptr<DcHandle, ReleaseWindowDc>;

// Selects the object that a selection replaced back into the device context.
struct SelectBack {
  HDC dc;
  void operator()(HGDIOBJ replaced) const { SelectObject(dc, replaced); }
};
using Selection = std::unique_ptr<void, SelectBack>;

Selection Select(HDC dc, HGDIOBJ object) { return Selection(SelectObject(dc, object), {dc}); }

// The device context of a window's paint, from BeginPaint; the paint ends
// when it is destroyed.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_;
  HDC dc_;
};

// Transfers `bitmap`, from its top left corner, to `dc` at (x, y) over
// width x height pixels with raster operation `rop`, through `memory`.
void TransferBitmap(HDC dc, HDC memory, HBITMAP bitmap, int x, int y, int width, int height,
                    DWORD rop) {
  const Selection selection = Select(memory, bitmap);
  BitBlt(dc, x, y, width, height, memory, 0, 0, rop);
}

bool BitmapsLoaded() { return hbmBall != nullptr && hbmMask != nullptr; }

// Deletes both bitmaps (a null one, which failed to load, is passed over by
// DeleteObject) and forgets them.
void DeleteBitmaps() {
  DeleteObject(hbmBall);
  DeleteObject(hbmMask);
  hbmBall = nullptr;
  hbmMask = nullptr;
}

// Combines the banner into `dc` by OR, which wipes out the ball wherever the
// banner is drawn again by AND (DrawBall).
void EraseBall(HDC dc) {
  const MemoryDc memory(CreateCompatibleDC(dc));
  TransferBitmap(dc, memory.get(), hbmMask, 0, 0, kBannerAreaWidth, kBannerAreaHeight, SRCPAINT);
}

// Counts a tick and moves the ball one step over the client area of
// `window`. The tick that ends the walk destroys the window instead and
// returns false; the window is gone then and nothing more may be drawn.
bool UpdateBall(HWND window) {
  if (splash::CountTick(&times)) {
    DestroyWindow(window);
    return false;
  }
  RECT client;
  GetClientRect(window, &client);
  splash::StepBall(&ballX, &deltaX, deltaValue, bm.bmWidth, client.right);
  return true;
}

// Combines the banner into `dc` by AND, then puts the ball on it at its
// place. MERGECOPY combines the ball with the brush of `dc`, a window's
// default white brush, so the ball shows unchanged.
void DrawBall(HDC dc) {
  const MemoryDc memory(CreateCompatibleDC(dc));
  TransferBitmap(dc, memory.get(), hbmMask, 0, 0, kBannerAreaWidth, kBannerAreaHeight, SRCAND);
  TransferBitmap(dc, memory.get(), hbmBall, ballX, splash::kBallTop, bm.bmWidth, bm.bmHeight,
                 MERGECOPY);
}

// Loads both bitmaps and starts the walk on the first dot. When a bitmap
// is missing, says so and refuses the window.
LRESULT OnCreate(HWND window) {
  hbmBall = LoadBitmapA(g_hInst, "BALLBMP");
  hbmMask = LoadBitmapA(g_hInst, "MASKBMP");
  if (!BitmapsLoaded()) {
    MessageBoxA(window, "Load of resources failed.", "Error", kResourceFailureStyle);
    return kRefuseCreation;
  }
  GetObjectA(hbmBall, sizeof bm, &bm);
  SetTimer(window, idTimer1, nTimerDelay, nullptr);
  ballX = splash::kFirstBallX;
  deltaX = deltaValue;
  return 0;
}

// A tick: the ball is moved one step on, then the banner is drawn again and
// the ball on it at its new place. The ball is moved before anything is
// drawn, so that the tick that destroys the window ends at once; wiping the
// old ball does not depend on its place.
void OnTimer(HWND window) {
  if (!UpdateBall(window)) return;
  const WindowDc dc(GetDC(window), {window});
  EraseBall(dc.get());
  DrawBall(dc.get());
}

// A paint draws the banner and the ball where it stands.
void OnPaint(HWND window) {
  const PaintDc dc(window);
  DrawBall(dc.get());
}

// Stops the timer, deletes the bitmaps and ends the message loop.
void OnDestroy(HWND window) {
  KillTimer(window, idTimer1);
  DeleteBitmaps();
  PostQuitMessage(0);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: return OnCreate(hwnd);
    case WM_TIMER:
      if (BitmapsLoaded()) OnTimer(hwnd);
      return 0;
    case WM_PAINT:
      if (BitmapsLoaded()) OnPaint(hwnd);
      return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

WNDCLASSEXA MakeWindowClass() {
  WNDCLASSEXA record;
  ZeroMemory(&record, sizeof record);
  record.cbSize = sizeof record;
  record.lpfnWndProc = WndProc;
  record.hInstance = g_hInst;
  record.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  record.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
  record.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  record.hbrBackground = reinterpret_cast<HBRUSH>(kBackgroundBrush);
  record.lpszClassName = g_szClassName;
  return record;
}

HWND CreateBannerWindow() {
  return CreateWindowExA(kWindowExStyle, g_szClassName, "", kWindowStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, g_hInst,
                         nullptr);
}

void ShowStartFailure(const char* text) {
  MessageBoxA(nullptr, text, "Error!", kStartFailureStyle);
}

// Runs the message loop until the quit message; returns its exit code.
int RunMessageLoop() {
  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow) {
  g_hInst = hInstance;
  const WNDCLASSEXA window_class = MakeWindowClass();
  if (!RegisterClassExA(&window_class)) {
    ShowStartFailure("Window Registration Failed!");
    return 0;
  }
  HWND window = CreateBannerWindow();
  if (window == nullptr) {
    ShowStartFailure("Window Creation Failed!");
    return 0;
  }
  ShowWindow(window, nCmdShow);
  UpdateWindow(window);
  return RunMessageLoop();
}
