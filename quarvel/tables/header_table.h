// The header table: like the simple table, with a trace of its own and text
// blocks whose lines go upward.
//
//   beginHeaderTable                    every line read at this level is
//     beginText ... endText             traced in "debug.txt"; each line of
//                                       text lies size script units above
//                                       the one before
//     beginHeaderCols                   leading segment: 4 value lines,
//       beginHeaderCol  x1 y1 x2 y2 ... then one per "beginHeaderCol"
//     endHeaderCols
//     beginHeaderRows                   one segment per "beginHeaderRow";
//       beginHeaderRow  x1 y1 x2 y2 ... traced in "debug2.txt"
//     endHeaderRows
//   endHeaderTable
#ifndef QUARVEL_TABLES_HEADER_TABLE_H_
#define QUARVEL_TABLES_HEADER_TABLE_H_

#include <cstdint>

#include "host.h"
#include "printer/printer.h"
#include "script/script_stream.h"

namespace quarvel {

// Reads a header table from the line after "beginHeaderTable" through
// "endHeaderTable" and draws it. The trace "debug.txt" holds every line read
// at the table level, the closing one included, with the line
// "zacinam sloupce" after each "beginHeaderCols". The end of the script ends
// the table and its open block; the trace is then complete up to there.
void DrawHeaderTable(ScriptStream& script, Host& host, Printer& printer);

// Reads and draws a header-columns block, from the line after
// "beginHeaderCols" through "endHeaderCols".
void DrawHeaderCols(ScriptStream& script, Printer& printer);

// Reads and draws a header-rows block, from the line after "beginHeaderRows"
// through "endHeaderRows", writing the trace "debug2.txt".
void DrawHeaderRows(ScriptStream& script, Host& host, Printer& printer);

// The line advance of a header table's text: each line lies size script
// units above the one before.
int32_t LineAbove(int32_t y, int32_t size);

}  // namespace quarvel

#endif  // QUARVEL_TABLES_HEADER_TABLE_H_
