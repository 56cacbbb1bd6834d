#include "tables/simple_table.h"

#include <string>

#include "elements/text_block.h"
#include "script/script_values.h"
#include "tables/rule.h"

namespace quarvel {

void DrawSimpleTable(ScriptStream& script, Platform& platform) {
  std::string line;
  while (ReadLine(script, &line) && !IsKeyword(line, "endSimpleTable")) {
    if (IsKeyword(line, "beginText")) {
      DrawTextBlock(script, platform);
    } else if (IsKeyword(line, "beginCols")) {
      DrawSimpleCols(script, platform);
    } else if (IsKeyword(line, "beginRows")) {
      DrawSimpleRows(script, platform);
    }
  }
}

void DrawSimpleCols(ScriptStream& script, Platform& platform) {
  DrawRuleColumns(script, platform, {"beginCol", "endCols"});
}

void DrawSimpleRows(ScriptStream& script, Platform& platform) {
  DrawRuleRows(script, platform, {"beginRow", "endRows", "simnpldebug2.txt"});
}

}  // namespace quarvel
