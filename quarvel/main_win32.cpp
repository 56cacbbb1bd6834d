// The Windows program: a GUI-subsystem program that opens no window. Its only
// argument is the path of the document script.
#include "print_document.h"
#include "printer/win32_printer.h"

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 2) return 0;
  quarvel::Win32Printer printer;
  return quarvel::PrintDocument(printer, arguments[1]);
}
