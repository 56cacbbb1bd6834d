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
  if (!ReadValueLines(script, &values)) return;
  const auto [x1, y1, x2, y2] = values;
  printer.DrawSegment(ToDevicePoint(x1, y1), ToDevicePoint(x2, y2));
}

void DrawRuleColumns(ScriptStream& script, Printer& printer, const ColumnKeywords& keywords) {
  DrawRule(script, printer);
  std::string line;
  while (ReadLine(script, &line) && !IsKeyword(line, keywords.end)) {
    if (IsKeyword(line, keywords.column)) DrawRule(script, printer);
  }
}

void DrawRuleRows(ScriptStream& script, Host& host, Printer& printer, const RowKeywords& keywords) {
  Trace trace(host, keywords.trace_name);
  trace.WriteLine("");
  std::string line;
  while (ReadLine(script, &line) && !IsKeyword(line, keywords.end)) {
    trace.WriteLine(line);
    if (IsKeyword(line, keywords.row)) DrawRule(script, printer);
  }
}

}  // namespace quarvel
