// The simple table: a block of text blocks, columns blocks and rows blocks,
// in any order and number.
//
//   beginSimpleTable
//     beginText ... endText             as at top level
//     beginCols                         leading segment: 4 value lines,
//       beginCol  x1 y1 x2 y2 ...       then one segment per "beginCol"
//     endCols
//     beginRows                         one segment per "beginRow"; traced
//       beginRow  x1 y1 x2 y2 ...       in "simnpldebug2.txt"
//     endRows
//   endSimpleTable
#ifndef QUARVEL_TABLES_SIMPLE_TABLE_H_
#define QUARVEL_TABLES_SIMPLE_TABLE_H_

#include "host.h"
#include "printer/printer.h"
#include "script/script_stream.h"

namespace quarvel {

// Reads a simple table from the line after "beginSimpleTable" through
// "endSimpleTable" and draws it. Lines that are no keyword of the table level
// are ignored. The end of the script ends the table and its open block.
void DrawSimpleTable(ScriptStream& script, Host& host, Printer& printer);

// Reads and draws a columns block, from the line after "beginCols" through
// "endCols".
void DrawSimpleCols(ScriptStream& script, Printer& printer);

// Reads and draws a rows block, from the line after "beginRows" through
// "endRows", writing the trace "simnpldebug2.txt".
void DrawSimpleRows(ScriptStream& script, Host& host, Printer& printer);

}  // namespace quarvel

#endif  // QUARVEL_TABLES_SIMPLE_TABLE_H_
