#include "print_document.h"

#include <string>
#include <string_view>

#include "elements/image_element.h"
#include "elements/text_block.h"
#include "script/script_listener.h"
#include "script/script_stream.h"
#include "script/script_values.h"
#include "tables/header_table.h"
#include "tables/no_text_table.h"
#include "tables/simple_table.h"

namespace quarvel {

namespace {

struct TopLevelKeyword {
  std::string_view keyword;
  void (*action)(ScriptStream& script, Host& host, Printer& printer);
};

// The top-level grammar, in the order in which a line is tested. Block
// handlers return once they have consumed their block's lines, so that the
// next line read is a top-level line again.
constexpr TopLevelKeyword kTopLevelKeywords[] = {
    {"beginDocument", [](ScriptStream&, Host&, Printer& printer) { printer.StartDocument(); }},
    {"beginPage", [](ScriptStream&, Host&, Printer& printer) { printer.StartPage(); }},
    {"beginText", DrawTextBlock},
    {"beginImage", DrawImageElement},
    {"beginHeaderTable", DrawHeaderTable},
    {"beginSimpleTable", DrawSimpleTable},
    {"beginNoTextTable",
     [](ScriptStream& script, Host&, Printer&) {
       NoteBlockOpened(script, BlockKind::kNoTextTable);
       SkipNoTextTable();
     }},
    {"endPage", [](ScriptStream&, Host&, Printer& printer) { printer.EndPage(); }},
    {"endDocument", [](ScriptStream&, Host&, Printer& printer) { printer.EndDocument(); }},
};

void DispatchTopLevelLine(const std::string& line, ScriptStream& script, Host& host,
                          Printer& printer) {
  for (const TopLevelKeyword& entry : kTopLevelKeywords) {
    if (IsKeyword(line, entry.keyword)) {
      NoteKeywordActed(script, entry.keyword);
      entry.action(script, host, printer);
      return;
    }
  }
  NoteLineIgnored(script, line);
}

// Reads the first line, and the second when the first is "pageOrientation".
// Neither is dispatched. Returns the orientation they ask for.
Orientation ReadOrientationPrologue(ScriptStream& script, std::string* line) {
  ReadTakenLine(script, LineRole::kPrologue, line);
  if (!IsKeyword(*line, "pageOrientation")) return Orientation::kPortrait;
  ReadTakenLine(script, LineRole::kOrientation, line);
  return IsKeyword(*line, "landscape") ? Orientation::kLandscape : Orientation::kPortrait;
}

void InterpretScript(ScriptStream& script, Host& host, Printer& printer, std::string* line) {
  while (!script.eof() && ReadLine(script, line))
    DispatchTopLevelLine(*line, script, host, printer);
}

}  // namespace

int PrintDocument(Host& host, Printer& printer, const PathChar* script_path,
                  ScriptListener* listener) {
  ScriptStream script(host.OpenScript(script_path), listener);
  std::string line;
  const Orientation orientation = ReadOrientationPrologue(script, &line);
  if (printer.ChoosePrinter(orientation) == DialogOutcome::kDialogFailed) return 0;
  if (!printer.InstallAbortProc()) return 0;
  if (!script.is_open()) {
    host.WriteStandardOutput("Unable to open file");
    return 0;
  }
  InterpretScript(script, host, printer, &line);
  script.Close();
  return 0;
}

}  // namespace quarvel
