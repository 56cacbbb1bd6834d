// The Windows program: a GUI-subsystem program that opens no window. Its only
// argument is the path of the document script.
#include "win32/win32_windows.h"

#include <shellapi.h>

#include "host.h"
#include "print_document.h"
#include "win32/win32_printer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 2) return 0;
  quarvel::Win32Printer printer;
  const auto host = quarvel::NewSystemHost();
  return quarvel::PrintDocument(*host, printer, arguments[1]);
}
