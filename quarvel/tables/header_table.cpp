#include "tables/header_table.h"

#include <string>

#include "elements/text_block.h"
#include "script/int32_arithmetic.h"
#include "script/script_values.h"
#include "tables/rule.h"
#include "tables/trace.h"

namespace quarvel {

void DrawHeaderTable(ScriptStream& script, Platform& platform) {
  Trace trace(platform, "debug.txt");
  std::string line;
  while (ReadLine(script, &line)) {
    trace.WriteLine(line);
    if (IsKeyword(line, "endHeaderTable")) return;
    if (IsKeyword(line, "beginText")) {
      DrawTextBlock(script, platform, LineAbove);
    } else if (IsKeyword(line, "beginHeaderCols")) {
      trace.WriteLine("zacinam sloupce");
      DrawHeaderCols(script, platform);
    } else if (IsKeyword(line, "beginHeaderRows")) {
      DrawHeaderRows(script, platform);
    }
  }
}

void DrawHeaderCols(ScriptStream& script, Platform& platform) {
  DrawRuleColumns(script, platform, {"beginHeaderCol", "endHeaderCols"});
}

void DrawHeaderRows(ScriptStream& script, Platform& platform) {
  DrawRuleRows(script, platform, {"beginHeaderRow", "endHeaderRows", "debug2.txt"});
}

int32_t LineAbove(int32_t y, int32_t size) { return WrapAdd(y, size); }

}  // namespace quarvel
