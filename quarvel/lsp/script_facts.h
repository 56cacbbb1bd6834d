// What printing does with each line of a script, as the interpreter takes
// it: the facts behind the language server's hover, outline, completion and
// colours. They are gathered by running the interpreter over the script
// with a listener and a printer that record and draw nothing.
#ifndef QUARVEL_LSP_SCRIPT_FACTS_H_
#define QUARVEL_LSP_SCRIPT_FACTS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checker/checking_printer.h"
#include "host.h"
#include "printer/printer.h"
#include "script/script_listener.h"
#include "shared_types.h"

namespace quarvel {

enum class LineUse : uint8_t {
  kUnread,   // never read: after the end of the script, or cut off
  kKeyword,  // a keyword acted on, or one that opens or closes a block
  kIgnored,  // no keyword of its level, ignored
  kText,     // drawn as a line of text
  kTaken,    // taken by position as `role`
  kValue,    // a value line giving `value`
};

struct LineFact {
  LineUse use = LineUse::kUnread;
  LineRole role = LineRole::kSpare;
  ValueName value = ValueName::kSize;
  int32_t taken = 0;
  // The block that the line opens, or closes.
  std::optional<BlockKind> opens;
  std::optional<BlockKind> closes;
  // For a text line: where its text is drawn, and in which font.
  std::optional<DevicePoint> drawn_at;
  FontSpec font;
  // For an image's path line: the path, why the file cannot be loaded
  // ("" when it can), and where it is drawn, once its values are read.
  std::string image_problem;
  std::optional<ImageRect> image_rect;
};

// A part of the outline: a document, a page or a block, with the lines it
// spans (from 1; `last` is the line that closes it, or the last line read
// when nothing does) and the parts inside it.
struct OutlinePart {
  enum class Kind : uint8_t { kDocument, kPage, kBlock };
  Kind kind = Kind::kDocument;
  BlockKind block = BlockKind::kTextBlock;
  size_t first = 0;
  size_t last = 0;
  std::vector<OutlinePart> parts;
};

struct ScriptFacts {
  // The fact of line N at index N - 1, for every line the interpreter read.
  std::vector<LineFact> lines;
  // The blocks open after line N (the innermost last) at index N - 1.
  std::vector<std::vector<BlockKind>> open_after;
  std::vector<OutlinePart> outline;

  // The fact of line `line` (from 1); an unread line's for any other.
  const LineFact& At(size_t line) const;
};

// Gathers the facts of the script at `path`, read through `host` (whose
// traces are discarded), trying image files with `probe`.
ScriptFacts GatherFacts(Host& host, const ImageProbe& probe, const PathChar* path);

// "text block", "header-rows block": the block as the outline names it.
const char* BlockName(BlockKind block);

}  // namespace quarvel

#endif  // QUARVEL_LSP_SCRIPT_FACTS_H_
