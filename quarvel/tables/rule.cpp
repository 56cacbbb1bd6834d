#include "tables/rule.h"

#include <array>
#include <cstdint>
#include <string>

#include "script/script_values.h"
#include "script/value_lines.h"
#include "tables/trace.h"

namespace quarvel {

void DrawRule(ScriptStream& script, Printer& printer) {
  std::array<int32_t, 4> values;
  if (!ReadValueLines(script, {ValueName::kX1, ValueName::kY1, ValueName::kX2, ValueName::kY2},
                      &values)) {
    return;
  }
  const auto [x1, y1, x2, y2] = values;
  printer.DrawSegment(ToDevicePoint(x1, y1), ToDevicePoint(x2, y2));
}

void DrawRuleColumns(ScriptStream& script, Printer& printer, const ColumnKeywords& keywords) {
  NoteBlockOpened(script, keywords.block);
  DrawRule(script, printer);
  std::string line;
  while (ReadLineOfBlock(script, keywords.end, &line)) {
    if (IsKeyword(line, keywords.column)) {
      DrawRule(script, printer);
    } else {
      NoteLineIgnored(script, line);
    }
  }
}

void DrawRuleRows(ScriptStream& script, Host& host, Printer& printer, const RowKeywords& keywords) {
  NoteBlockOpened(script, keywords.block);
  Trace trace(host, keywords.trace_name);
  trace.WriteLine("");
  std::string line;
  while (ReadLineOfBlock(script, keywords.end, &line)) {
    trace.WriteLine(line);
    if (IsKeyword(line, keywords.row)) {
      DrawRule(script, printer);
    } else {
      NoteLineIgnored(script, line);
    }
  }
}

}  // namespace quarvel
