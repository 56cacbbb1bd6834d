// The whole run of the program: one document script turned into one print
// job.
#ifndef QUARVEL_PRINT_DOCUMENT_H_
#define QUARVEL_PRINT_DOCUMENT_H_

#include "host.h"
#include "printer/printer.h"
#include "script/script_listener.h"
#include "shared_types.h"

namespace quarvel {

// Prints the script at `script_path`, opened through `host`, on the printer
// that the user chooses through `printer`, and returns the program's exit
// code, which is always 0.
//
// The order of a run is fixed: open the script; read its orientation
// prologue; show the print dialog; stop silently if no printer was chosen or
// the abort procedure cannot be installed; stop with "Unable to open file"
// on standard output if the script is not open; interpret the script to its
// end. (The printer's graphics library is started when the printer is made,
// before all of this.) `listener`, when given, hears how every line of the
// script is taken (see script/script_listener.h).
int PrintDocument(Host& host, Printer& printer, const PathChar* script_path,
                  ScriptListener* listener = nullptr);

}  // namespace quarvel

#endif  // QUARVEL_PRINT_DOCUMENT_H_
