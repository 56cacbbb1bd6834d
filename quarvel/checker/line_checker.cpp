#include "checker/line_checker.h"

#include <array>

#include "checker/script_keywords.h"
#include "text/byte_order.h"
#include "text/quoted_text.h"
#include "script/script_values.h"

namespace quarvel {

namespace {

struct BlockInfo {
  std::string_view name;
  std::string_view closing;
  // Whether a line that the block ignores is a finding: in tables, where
  // every line is a keyword or a value by design.
  bool ignores_nothing;
};

// By BlockKind.
constexpr BlockInfo kBlockInfo[] = {
    {"text block", "endText", false},
    {"image element", "", false},
    {"simple table", "endSimpleTable", true},
    {"columns block", "endCols", true},
    {"rows block", "endRows", true},
    {"header table", "endHeaderTable", true},
    {"header-columns block", "endHeaderCols", true},
    {"header-rows block", "endHeaderRows", true},
    {"no-text table", "endNoTextTable", false},
};

const BlockInfo& InfoOf(BlockKind kind) { return kBlockInfo[static_cast<size_t>(kind)]; }

struct ValueInfo {
  std::string_view name;
  bool in_segment;
};

// By ValueName.
constexpr ValueInfo kValueInfo[] = {
    {"size", false}, {"x", false},     {"y", false},      {"x1", true},
    {"y1", true},    {"x2", true},     {"y2", true},      {"left", false},
    {"top", false},  {"width", false}, {"height", false},
};

// By LineRole, for the roles that stand in blocks.
constexpr std::string_view kRoleNames[] = {"prologue", "orientation", "spare", "style", "path"};

constexpr std::string_view kOrientationWords[] = {"landscape", "portrait"};

bool IsOrientationWord(std::string_view text) {
  return text == kOrientationWords[0] || text == kOrientationWords[1];
}

bool IsAllNumberSpace(std::string_view text) {
  for (char c : text) {
    if (!IsNumberSpace(c)) return false;
  }
  return true;
}

}  // namespace

void LineChecker::KeywordActed(size_t line, std::string_view keyword) {
  At(line);
  if (!InNoTextTable()) return;
  Report(line, Warning::kMisplaced,
         Quote(keyword) + " inside the no-text table opened at line " +
             std::to_string(blocks_.back().line) + " acts as at the top level");
}

void LineChecker::BlockOpened(size_t line, BlockKind block) {
  At(line);
  if (block == BlockKind::kNoTextTable && InNoTextTable()) return;
  blocks_.push_back({block, line, 0, ""});
}

void LineChecker::BlockClosed(size_t line) {
  At(line);
  if (!blocks_.empty()) blocks_.pop_back();
}

void LineChecker::LineIgnored(size_t line, std::string_view text) {
  At(line);
  if (InNoTextTable()) {
    if (text == InfoOf(BlockKind::kNoTextTable).closing) {
      blocks_.pop_back();
    } else {
      RememberNearClosing(line, text);
    }
    return;
  }
  RememberNearClosing(line, text);
  if (const std::optional<NearMiss> near = FindNearKeyword(text)) {
    Report(line, Warning::kNearKeyword,
           Quote(text) + " is ignored " + Where() + ": it would be the keyword " +
               Quote(near->word) + " but for " + near->difference);
  } else if (const ScriptKeyword* keyword = FindKeyword(text)) {
    Report(
        line, Warning::kMisplaced,
        Quote(text) + " is a keyword of " + std::string(keyword->where) + ", ignored " + Where());
  } else if (!blocks_.empty() && InfoOf(blocks_.back().kind).ignores_nothing) {
    Report(line, Warning::kMisplaced,
           (text.empty() ? std::string("an empty line") : Quote(text)) + " is ignored " + Where());
  }
}

void LineChecker::TextLine(size_t line, std::string_view text) {
  At(line);
  RememberNearClosing(line, text);
  if (const ScriptKeyword* keyword = FindKeyword(text)) {
    Report(line, Warning::kKeywordAsText,
           Quote(text) + " is a keyword of " + std::string(keyword->where) + ", but " + Where() +
               " it is drawn as text");
  }
}

void LineChecker::LineTaken(size_t line, LineRole role, std::string_view text) {
  At(line);
  if (role == LineRole::kPrologue) return CheckPrologueLine(line, text);
  if (role == LineRole::kOrientation) return CheckOrientationLine(line, text);
  if (FindKeyword(text) != nullptr) {
    Report(line, Warning::kKeywordAsValue,
           "the keyword " + Quote(text) + " is taken as the " +
               std::string(kRoleNames[static_cast<size_t>(role)]) + " line of " + BlockPhrase());
  } else if (role == LineRole::kStyle) {
    CheckStyleLine(line, text);
  }
}

void LineChecker::ValueTaken(size_t line, ValueName value, std::string_view text, int32_t taken) {
  At(line);
  // Most value lines are sound: the message is made only for a finding.
  const ValueInfo& info = kValueInfo[static_cast<size_t>(value)];
  const auto place = [&] {
    return info.in_segment ? " of a segment " + Where() : " of " + BlockPhrase();
  };
  const std::string_view name = info.name;
  if (FindKeyword(text) != nullptr) {
    Report(
        line, Warning::kKeywordAsValue,
        "the keyword " + Quote(text) + " is taken as the " + std::string(name) + " line" + place());
    return;
  }
  const NumberScan scan = ScanInt(text);
  const auto the_line = [&] {
    return "the " + std::string(name) + " line " + Quote(text) + place();
  };
  const auto instead = [&] {
    return ": " + std::string(name) + " is taken as " + std::to_string(taken);
  };
  if (scan.result == NumberScan::Result::kNoNumber) {
    Report(line, Warning::kMissingNumber, the_line() + " holds no number" + instead());
  } else if (scan.result == NumberScan::Result::kOutOfRange) {
    Report(line, Warning::kMalformedNumber,
           the_line() + " lies outside the 32-bit range" + instead());
  } else if (!IsAllNumberSpace(text.substr(scan.end))) {
    Report(line, Warning::kMalformedNumber,
           the_line() + " reads as " + std::to_string(scan.value) +
               ": what follows the number is ignored");
  }
}

void LineChecker::Finish() {
  for (const OpenBlock& block : blocks_) ReportCutOff(block);
  blocks_.clear();
}

bool LineChecker::InNoTextTable() const {
  return !blocks_.empty() && blocks_.back().kind == BlockKind::kNoTextTable;
}

std::string LineChecker::BlockPhrase() const {
  if (blocks_.empty()) return "the script";
  const OpenBlock& block = blocks_.back();
  return "the " + std::string(InfoOf(block.kind).name) + " opened at line " +
         std::to_string(block.line);
}

std::string LineChecker::Where() const {
  return blocks_.empty() ? "at the top level" : "in " + BlockPhrase();
}

std::string LineChecker::Quote(std::string_view text) const {
  // The host converts text without NUL bytes; the NULs of a line are kept
  // between its converted pieces.
  WideString wide;
  WideString piece;
  for (size_t from = 0;;) {
    const size_t nul = text.find('\0', from);
    host_.ConvertAnsiText(text.substr(from, nul - from), &piece);
    wide += piece;
    if (nul == std::string_view::npos) break;
    wide += WideChar{0};
    from = nul + 1;
  }
  return QuoteForLog(wide);
}

void LineChecker::CheckPrologueLine(size_t line, std::string_view text) {
  if (text.starts_with(kUtf8ByteOrderMark)) {
    text.remove_prefix(kUtf8ByteOrderMark.size());
    Report(line, Warning::kEncoding,
           "the script starts with a UTF-8 byte-order mark, which is read as part of this line" +
               std::string(text == "pageOrientation"
                               ? ": it is no \"pageOrientation\", and no landscape is asked for"
                               : "") +
               "; save the script without the mark");
  }
  if (text == "pageOrientation") return;
  if (IsOrientationWord(text)) {
    Report(
        line, Warning::kPrologue,
        Quote(text) + " on the first line asks for nothing without \"pageOrientation\" before it");
  } else if (IsTopLevelKeyword(text)) {
    Report(line, Warning::kPrologue,
           "the script has no orientation prologue: its first line, " + Quote(text) +
               ", is read as the prologue and not acted on");
  } else if (const std::optional<NearMiss> near = FindNearKeyword(text)) {
    Report(line, Warning::kNearKeyword,
           "the first line, " + Quote(text) +
               ", is read as the prologue; it would be the keyword " + Quote(near->word) +
               " but for " + near->difference);
  }
}

void LineChecker::CheckOrientationLine(size_t line, std::string_view text) {
  if (IsOrientationWord(text)) return;
  std::string message = (text.empty() ? std::string("an empty line") : Quote(text)) +
                        " after \"pageOrientation\" is neither \"landscape\" nor \"portrait\": "
                        "no landscape is asked for";
  if (const std::optional<NearMiss> near = FindNearMiss(text, kOrientationWords)) {
    message += " (it would be " + Quote(near->word) + " but for " + near->difference + ")";
  }
  Report(line, Warning::kOrientation, std::move(message));
}

void LineChecker::CheckStyleLine(size_t line, std::string_view text) {
  const std::optional<NearMiss> near = FindNearMiss(text, StyleWords());
  if (!near) return;
  Report(line, Warning::kNearKeyword,
         "the style line " + Quote(text) + " of " + BlockPhrase() + " would be the style " +
             Quote(near->word) + " but for " + near->difference +
             ": the text is drawn in normal weight, upright");
}

void LineChecker::RememberNearClosing(size_t line, std::string_view text) {
  if (blocks_.empty() || blocks_.back().near_closing_line != 0) return;
  const std::string_view closing[] = {InfoOf(blocks_.back().kind).closing};
  if (const std::optional<NearMiss> near = FindNearMiss(text, closing)) {
    blocks_.back().near_closing_line = line;
    blocks_.back().near_closing_text = "line " + std::to_string(line) + ", " + Quote(text) +
                                       ", would be it but for " + near->difference;
  }
}

void LineChecker::ReportCutOff(const OpenBlock& block) {
  const BlockInfo& info = InfoOf(block.kind);
  std::string message = "the " + std::string(info.name) + " is cut off by the end of the script";
  if (block.kind == BlockKind::kImage) {
    message += " before its path and four value lines";
  } else {
    message += ": no \"" + std::string(info.closing) + "\" follows";
  }
  if (block.near_closing_line != 0) message += "; " + block.near_closing_text;
  diagnostics_.Report(block.line, Warning::kUnterminated, std::move(message),
                      block.near_closing_line);
}

}  // namespace quarvel
