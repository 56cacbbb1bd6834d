#include "script/script_listener.h"

#include "script/script_values.h"

namespace quarvel {

bool ReadLineOfBlock(ScriptStream& script, std::string_view closing, std::string* line) {
  if (!ReadLine(script, line)) return false;
  if (!IsKeyword(*line, closing)) return true;
  NoteBlockClosed(script);
  return false;
}

bool ReadTakenLine(ScriptStream& script, LineRole role, std::string* line) {
  if (!ReadLine(script, line)) return false;
  if (ScriptListener* listener = script.listener()) {
    listener->LineTaken(script.line_number(), role, *line);
  }
  return true;
}

bool ReadValueLine(ScriptStream& script, ValueName value, int32_t* target) {
  std::string line;
  if (!ReadLine(script, &line)) return false;
  ReadInt(line, target);
  if (ScriptListener* listener = script.listener()) {
    listener->ValueTaken(script.line_number(), value, line, *target);
  }
  return true;
}

}  // namespace quarvel
