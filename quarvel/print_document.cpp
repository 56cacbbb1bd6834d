#include "print_document.h"

#include <string>
#include <string_view>

#include "elements/image_element.h"
#include "elements/text_block.h"
#include "script/script_stream.h"
#include "script/script_values.h"
#include "tables/header_table.h"
#include "tables/no_text_table.h"
#include "tables/simple_table.h"

namespace quarvel {

namespace {

struct TopLevelKeyword {
  std::string_view keyword;
  void (*action)(ScriptStream& script, Platform& platform);
};

// The top-level grammar, in the order in which a line is tested. Block
// handlers return once they have consumed their block's lines, so that the
// next line read is a top-level line again.
constexpr TopLevelKeyword kTopLevelKeywords[] = {
    {"beginDocument", [](ScriptStream&, Platform& platform) { platform.StartDocument(); }},
    {"beginPage", [](ScriptStream&, Platform& platform) { platform.StartPage(); }},
    {"beginText", DrawTextBlock},
    {"beginImage", DrawImageElement},
    {"beginHeaderTable", DrawHeaderTable},
    {"beginSimpleTable", DrawSimpleTable},
    {"beginNoTextTable", [](ScriptStream&, Platform&) { SkipNoTextTable(); }},
    {"endPage", [](ScriptStream&, Platform& platform) { platform.EndPage(); }},
    {"endDocument", [](ScriptStream&, Platform& platform) { platform.EndDocument(); }},
};

void DispatchTopLevelLine(const std::string& line, ScriptStream& script, Platform& platform) {
  for (const TopLevelKeyword& entry : kTopLevelKeywords) {
    if (IsKeyword(line, entry.keyword)) {
      entry.action(script, platform);
      return;
    }
  }
}

// Reads the first line, and the second when the first is "pageOrientation".
// Neither is dispatched. Returns the orientation word they ask for.
std::string ReadOrientationPrologue(ScriptStream& script, std::string* line) {
  std::string orientation = "portrait";
  ReadLine(script, line);
  if (IsKeyword(*line, "pageOrientation")) {
    ReadLine(script, line);
    if (IsKeyword(*line, "landscape")) orientation = "landscape";
  }
  return orientation;
}

void InterpretScript(ScriptStream& script, Platform& platform, std::string* line) {
  while (!script.eof() && ReadLine(script, line)) DispatchTopLevelLine(*line, script, platform);
}

}  // namespace

int PrintDocument(Platform& platform, const PathChar* script_path) {
  platform.StartGraphics();
  ScriptStream script(platform.OpenScript(script_path));
  std::string line;
  const std::string orientation = ReadOrientationPrologue(script, &line);
  const PrinterChoice choice = platform.ChoosePrinter(orientation);
  platform.CreateDrawingSurface();
  if (!choice.has_device_context && choice.dialog_failed) return 0;
  if (!platform.InstallAbortProc()) return 0;
  if (!script.is_open()) {
    platform.WriteStandardOutput("Unable to open file");
    return 0;
  }
  InterpretScript(script, platform, &line);
  script.Close();
  return 0;
}

}  // namespace quarvel
