// The end-to-end suite's preflight probe: what a case needs of Wine, asked
// the way the programs under test ask it.
//
//   e2e_probe.exe printer   writes the default printer's name to standard
//                           output, as the print dialog finds it; exit code
//                           1 when there is none
//   e2e_probe.exe window    shows a window titled "e2e probe" and runs until
//                           it is ended
//
// Any other argument is wrong usage (exit code 2).
#include "win32/win32_windows.h"

#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

constexpr wchar_t kWindowClass[] = L"E2eProbe";
constexpr wchar_t kWindowTitle[] = L"e2e probe";
constexpr int kWindowWidth = 200;
constexpr int kWindowHeight = 100;

int Fail(const char* what) {
  std::fprintf(stderr, "e2e_probe: %s (error %lu)\n", what, GetLastError());
  return 1;
}

// GetDefaultPrinter loads the spooler, which takes the host's printers into
// the prefix first: the same path as the print dialog's.
int PrintDefaultPrinter() {
  wchar_t name[256];
  DWORD size = std::size(name);
  if (!GetDefaultPrinterW(name, &size)) return Fail("no default printer");
  std::printf("%ls\n", name);
  return 0;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int ShowWindowUntilEnded(HINSTANCE instance) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = ProbeWindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassW(&window_class)) return Fail("cannot register the window class");
  if (!CreateWindowW(kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                     kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr)) {
    return Fail("cannot create the window");
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  if (std::strcmp(command_line, "printer") == 0) return PrintDefaultPrinter();
  if (std::strcmp(command_line, "window") == 0) return ShowWindowUntilEnded(instance);
  std::fprintf(stderr, "e2e_probe: usage: e2e_probe.exe printer|window\n");
  return 2;
}
