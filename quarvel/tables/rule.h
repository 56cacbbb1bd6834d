// Rule segments, the grid lines of the tables, and the columns and rows
// blocks that group them.
#ifndef QUARVEL_TABLES_RULE_H_
#define QUARVEL_TABLES_RULE_H_

#include <string_view>

#include "host.h"
#include "printer/printer.h"
#include "script/script_listener.h"
#include "script/script_stream.h"

namespace quarvel {

// Reads four value lines, x1, y1, x2 and y2 in script units (0 for a line
// without a number), and draws the segment between their device points.
// Consumes exactly four lines whatever they hold; a segment cut short by the
// end of the script is not drawn.
void DrawRule(ScriptStream& script, Printer& printer);

// The kind and the keywords of a columns block.
struct ColumnKeywords {
  BlockKind block;
  std::string_view column;  // draws one segment from the next four lines
  std::string_view end;     // ends the block
};

// Reads a columns block from the line after its opening keyword through its
// end keyword: a leading segment from the first four lines, then one segment
// per column keyword. Other lines are ignored.
void DrawRuleColumns(ScriptStream& script, Printer& printer, const ColumnKeywords& keywords);

// The kind, the keywords and the trace of a rows block.
struct RowKeywords {
  BlockKind block;
  std::string_view row;    // draws one segment from the next four lines
  std::string_view end;    // ends the block
  const char* trace_name;  // the trace of the block
};

// Reads a rows block from the line after its opening keyword through its end
// keyword: one segment per row keyword, other lines ignored. The block's
// trace holds an empty line, then every line the block reads at its own
// level (row keywords and ignored lines; not the segments' value lines and
// not the end keyword).
void DrawRuleRows(ScriptStream& script, Host& host, Printer& printer, const RowKeywords& keywords);

}  // namespace quarvel

#endif  // QUARVEL_TABLES_RULE_H_
