#include "tables/simple_table.h"

#include <string>

#include "elements/text_block.h"
#include "script/script_listener.h"
#include "script/script_values.h"
#include "tables/rule.h"

namespace quarvel {

void DrawSimpleTable(ScriptStream& script, Host& host, Printer& printer) {
  NoteBlockOpened(script, BlockKind::kSimpleTable);
  std::string line;
  while (ReadLineOfBlock(script, "endSimpleTable", &line)) {
    if (IsKeyword(line, "beginText")) {
      DrawTextBlock(script, host, printer);
    } else if (IsKeyword(line, "beginCols")) {
      DrawSimpleCols(script, printer);
    } else if (IsKeyword(line, "beginRows")) {
      DrawSimpleRows(script, host, printer);
    } else {
      NoteLineIgnored(script, line);
    }
  }
}

void DrawSimpleCols(ScriptStream& script, Printer& printer) {
  DrawRuleColumns(script, printer, {BlockKind::kColumns, "beginCol", "endCols"});
}

void DrawSimpleRows(ScriptStream& script, Host& host, Printer& printer) {
  DrawRuleRows(script, host, printer,
               {BlockKind::kRows, "beginRow", "endRows", "simnpldebug2.txt"});
}

}  // namespace quarvel
