#include "tables/header_table.h"

#include <string>

#include "elements/text_block.h"
#include "script/int32_arithmetic.h"
#include "script/script_listener.h"
#include "script/script_values.h"
#include "tables/rule.h"
#include "tables/trace.h"

namespace quarvel {

void DrawHeaderTable(ScriptStream& script, Host& host, Printer& printer) {
  NoteBlockOpened(script, BlockKind::kHeaderTable);
  Trace trace(host, "debug.txt");
  std::string line;
  while (ReadLine(script, &line)) {
    trace.WriteLine(line);
    if (IsKeyword(line, "endHeaderTable")) {
      NoteBlockClosed(script);
      return;
    }
    if (IsKeyword(line, "beginText")) {
      DrawTextBlock(script, host, printer, LineAbove);
    } else if (IsKeyword(line, "beginHeaderCols")) {
      trace.WriteLine("zacinam sloupce");
      DrawHeaderCols(script, printer);
    } else if (IsKeyword(line, "beginHeaderRows")) {
      DrawHeaderRows(script, host, printer);
    } else {
      NoteLineIgnored(script, line);
    }
  }
}

void DrawHeaderCols(ScriptStream& script, Printer& printer) {
  DrawRuleColumns(script, printer, {BlockKind::kHeaderColumns, "beginHeaderCol", "endHeaderCols"});
}

void DrawHeaderRows(ScriptStream& script, Host& host, Printer& printer) {
  DrawRuleRows(script, host, printer,
               {BlockKind::kHeaderRows, "beginHeaderRow", "endHeaderRows", "debug2.txt"});
}

int32_t LineAbove(int32_t y, int32_t size) { return WrapAdd(y, size); }

}  // namespace quarvel
