// The native program: the same interpreter, printing through the log printer.
#include <cstdio>

#include "print_document.h"
#include "printer/log_printer.h"

int main(int argc, char** argv) {
  if (argc < 2) return 0;
  quarvel::LogPrinter printer(stdout);
  return quarvel::PrintDocument(printer, argv[1]);
}
