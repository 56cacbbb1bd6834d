// What the interpreter tells about the lines it consumes, and how it takes
// each one, to whoever listens: the script checker. The handlers of every
// block report here through the script stream as they read, so a listener
// sees exactly what printing does with each line. Printing runs the same
// with or without a listener, and a stream without one costs one test of a
// pointer per report.
#ifndef QUARVEL_SCRIPT_SCRIPT_LISTENER_H_
#define QUARVEL_SCRIPT_SCRIPT_LISTENER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/script_stream.h"

namespace quarvel {

// The blocks of a script, as the keyword that opens each one starts them.
enum class BlockKind : uint8_t {
  kTextBlock,
  kImage,
  kSimpleTable,
  kColumns,
  kRows,
  kHeaderTable,
  kHeaderColumns,
  kHeaderRows,
  kNoTextTable,
};

// The lines taken by position that hold no number.
enum class LineRole : uint8_t {
  kPrologue,     // the first line of the script
  kOrientation,  // the line after a first line "pageOrientation"
  kSpare,        // a text block's spare line, never interpreted
  kStyle,        // a text block's style line
  kPath,         // an image element's path line
};

// The value lines, by the value each one gives.
enum class ValueName : uint8_t {
  kSize,
  kX,
  kY,  // text blocks
  kX1,
  kY1,
  kX2,
  kY2,  // rule segments
  kLeft,
  kTop,
  kWidth,
  kHeight,  // image elements
};

// Every call concerns the line that the stream read last, whose number
// (counted from 1, as the stream delivers lines) is `line`.
class ScriptListener {
 public:
  virtual ~ScriptListener() = default;

  // A top-level keyword, acted on by the main loop.
  virtual void KeywordActed(size_t line, std::string_view keyword) = 0;
  // The line opens a block of `block`.
  virtual void BlockOpened(size_t line, BlockKind block) = 0;
  // The line closes the innermost open block: its closing keyword, or the
  // last value line of an image element.
  virtual void BlockClosed(size_t line) = 0;
  // The line is no keyword of the level where it stands, and is ignored.
  virtual void LineIgnored(size_t line, std::string_view text) = 0;
  // The line is drawn as a line of text.
  virtual void TextLine(size_t line, std::string_view text) = 0;
  // The line is taken by position as `role`.
  virtual void LineTaken(size_t line, LineRole role, std::string_view text) = 0;
  // The line is taken by position as the value line `value`, which the line
  // set to `taken`, or left at `taken` when it holds no number.
  virtual void ValueTaken(size_t line, ValueName value, std::string_view text, int32_t taken) = 0;
};

// The reports of the handlers: each tells the listener of `script`, if it has
// one, about the line read last.
inline void NoteKeywordActed(ScriptStream& script, std::string_view keyword) {
  if (ScriptListener* listener = script.listener()) {
    listener->KeywordActed(script.line_number(), keyword);
  }
}

inline void NoteBlockOpened(ScriptStream& script, BlockKind block) {
  if (ScriptListener* listener = script.listener()) {
    listener->BlockOpened(script.line_number(), block);
  }
}

inline void NoteBlockClosed(ScriptStream& script) {
  if (ScriptListener* listener = script.listener()) listener->BlockClosed(script.line_number());
}

inline void NoteLineIgnored(ScriptStream& script, std::string_view text) {
  if (ScriptListener* listener = script.listener()) {
    listener->LineIgnored(script.line_number(), text);
  }
}

inline void NoteTextLine(ScriptStream& script, std::string_view text) {
  if (ScriptListener* listener = script.listener()) listener->TextLine(script.line_number(), text);
}

// Reads the next line of a block into `*line`. Returns false when the script
// has ended, and when the line is the block's `closing` keyword, which it
// notes as closing the block.
bool ReadLineOfBlock(ScriptStream& script, std::string_view closing, std::string* line);

// Reads the next line into `*line` as a line taken by position as `role`,
// and notes it. Returns false when the script has ended.
bool ReadTakenLine(ScriptStream& script, LineRole role, std::string* line);

// Reads the next line as the value line `value`, converts it with ReadInt
// into `*target`, which keeps its value when the line holds no number, and
// notes it. Returns false, leaving `*target` as it was, when the script has
// ended.
bool ReadValueLine(ScriptStream& script, ValueName value, int32_t* target);

}  // namespace quarvel

#endif  // QUARVEL_SCRIPT_SCRIPT_LISTENER_H_
