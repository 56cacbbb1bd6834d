// The whole run of the program: one document script turned into one print
// job.
#ifndef QUARVEL_PRINT_DOCUMENT_H_
#define QUARVEL_PRINT_DOCUMENT_H_

#include "platform.h"

namespace quarvel {

// Prints the script at `script_path` on the printer that the user chooses,
// through `platform`, and returns the program's exit code, which is always 0.
//
// The order of a run is fixed: start the graphics library; open the script;
// read its orientation prologue; show the print dialog; create the drawing
// surface; stop silently if no printer was chosen or the abort procedure
// cannot be installed; stop with "Unable to open file" on standard output if
// the script is not open; interpret the script to its end.
int PrintDocument(Platform& platform, const PathChar* script_path);

}  // namespace quarvel

#endif  // QUARVEL_PRINT_DOCUMENT_H_
