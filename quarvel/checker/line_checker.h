// The checker's ear on the interpreter: it hears how every line of a script
// is taken (see script/script_listener.h) and reports the lines whose
// effect the script's writer most likely did not mean: keywords missed or
// misplaced, values without numbers, blocks that never end.
#ifndef QUARVEL_CHECKER_LINE_CHECKER_H_
#define QUARVEL_CHECKER_LINE_CHECKER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/diagnostics.h"
#include "host.h"
#include "script/script_listener.h"

namespace quarvel {

class LineChecker : public ScriptListener {
 public:
  // Reports to `diagnostics`, quoting script text converted by `host`;
  // both must outlive the checker.
  LineChecker(Diagnostics& diagnostics, Host& host) : diagnostics_(diagnostics), host_(host) {}

  void KeywordActed(size_t line, std::string_view keyword) override;
  void BlockOpened(size_t line, BlockKind block) override;
  void BlockClosed(size_t line) override;
  void LineIgnored(size_t line, std::string_view text) override;
  void TextLine(size_t line, std::string_view text) override;
  void LineTaken(size_t line, LineRole role, std::string_view text) override;
  void ValueTaken(size_t line, ValueName value, std::string_view text, int32_t taken) override;

  // Reports the blocks that the end of the script left open. Called once,
  // after the interpreter has read the whole script.
  void Finish();

 private:
  struct OpenBlock {
    BlockKind kind;
    size_t line;
    // The first line inside the block that narrowly misses its closing
    // keyword (0 when none), and what to say of it when the block is cut off.
    size_t near_closing_line = 0;
    std::string near_closing_text;
  };

  // Enters `line` as the line taken last.
  void At(size_t line) { diagnostics_.set_current_line(line); }
  // Reports about `line`, relating it to the innermost open block.
  void Report(size_t line, Warning kind, std::string message) {
    const size_t opened = blocks_.empty() ? 0 : blocks_.back().line;
    diagnostics_.Report(line, kind, std::move(message), opened == line ? 0 : opened);
  }
  bool InNoTextTable() const;
  // The innermost open block: "the simple table opened at line 4".
  std::string BlockPhrase() const;
  // Where a line stands: "in the simple table opened at line 4", or "at the
  // top level".
  std::string Where() const;
  std::string Quote(std::string_view text) const;
  void CheckPrologueLine(size_t line, std::string_view text);
  void CheckOrientationLine(size_t line, std::string_view text);
  void CheckStyleLine(size_t line, std::string_view text);
  void RememberNearClosing(size_t line, std::string_view text);
  void ReportCutOff(const OpenBlock& block);

  Diagnostics& diagnostics_;
  Host& host_;
  std::vector<OpenBlock> blocks_;
};

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_LINE_CHECKER_H_
