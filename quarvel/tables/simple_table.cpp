#include "tables/simple_table.h"

#include <string>

#include "elements/text_block.h"
#include "script/script_values.h"
#include "tables/rule.h"

namespace quarvel {

void DrawSimpleTable(ScriptStream& script, Host& host, Printer& printer) {
  std::string line;
  while (ReadLine(script, &line) && !IsKeyword(line, "endSimpleTable")) {
    if (IsKeyword(line, "beginText")) {
      DrawTextBlock(script, host, printer);
    } else if (IsKeyword(line, "beginCols")) {
      DrawSimpleCols(script, printer);
    } else if (IsKeyword(line, "beginRows")) {
      DrawSimpleRows(script, host, printer);
    }
  }
}

void DrawSimpleCols(ScriptStream& script, Printer& printer) {
  DrawRuleColumns(script, printer, {"beginCol", "endCols"});
}

void DrawSimpleRows(ScriptStream& script, Host& host, Printer& printer) {
  DrawRuleRows(script, host, printer, {"beginRow", "endRows", "simnpldebug2.txt"});
}

}  // namespace quarvel
