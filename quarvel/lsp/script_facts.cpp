#include "lsp/script_facts.h"

#include "checker/checking_host.h"
#include "checker/diagnostics.h"
#include "print_document.h"
#include "printer/discarding_printer.h"

namespace quarvel {

namespace {

// Records every line's fact, and the outline, as the interpreter reports.
class FactsListener : public ScriptListener {
 public:
  explicit FactsListener(ScriptFacts& facts) : facts_(facts) {}

  void KeywordActed(size_t line, std::string_view keyword) override {
    Use(line, LineUse::kKeyword);
    if (keyword == "beginDocument") Open(line, OutlinePart::Kind::kDocument);
    if (keyword == "beginPage") Open(line, OutlinePart::Kind::kPage);
    if (keyword == "endPage") CloseUpTo(line, OutlinePart::Kind::kPage);
    if (keyword == "endDocument") CloseUpTo(line, OutlinePart::Kind::kDocument);
  }
  void BlockOpened(size_t line, BlockKind block) override {
    Use(line, LineUse::kKeyword).opens = block;
    blocks_.push_back(block);
    Open(line, OutlinePart::Kind::kBlock).block = block;
    Mark(line);
  }
  void BlockClosed(size_t line) override {
    LineFact& fact = Fact(line);
    if (fact.use == LineUse::kUnread) fact.use = LineUse::kKeyword;
    if (!blocks_.empty()) {
      fact.closes = blocks_.back();
      blocks_.pop_back();
    }
    CloseUpTo(line, OutlinePart::Kind::kBlock);
    Mark(line);
  }
  void LineIgnored(size_t line, std::string_view) override { Use(line, LineUse::kIgnored); }
  void TextLine(size_t line, std::string_view) override {
    Use(line, LineUse::kText);
    drawing_line_ = line;
  }
  void LineTaken(size_t line, LineRole role, std::string_view) override {
    Use(line, LineUse::kTaken).role = role;
    if (role == LineRole::kPath) drawing_line_ = line;
  }
  void ValueTaken(size_t line, ValueName value, std::string_view, int32_t taken) override {
    LineFact& fact = Use(line, LineUse::kValue);
    fact.value = value;
    fact.taken = taken;
  }

  // The fact of the line that the printer's last drawing call concerns.
  LineFact& DrawingLine() { return Fact(drawing_line_); }

  // Closes what the end of the script left open at the last line read.
  void Finish() {
    while (!open_.empty()) CloseInnermost(facts_.lines.size());
  }

 private:
  LineFact& Fact(size_t line) {
    if (line == 0) return scratch_;
    if (facts_.lines.size() < line) {
      facts_.lines.resize(line);
      facts_.open_after.resize(line, blocks_);
    }
    return facts_.lines[line - 1];
  }
  LineFact& Use(size_t line, LineUse use) {
    LineFact& fact = Fact(line);
    fact.use = use;
    return fact;
  }
  // Records the blocks open after `line`, once it changed them.
  void Mark(size_t line) { facts_.open_after[line - 1] = blocks_; }

  OutlinePart& Open(size_t line, OutlinePart::Kind kind) {
    std::vector<OutlinePart>& siblings = open_.empty() ? facts_.outline : open_.back()->parts;
    siblings.push_back({kind, BlockKind::kTextBlock, line, line, {}});
    open_.push_back(&siblings.back());
    return siblings.back();
  }
  // Closes the innermost open part of `kind` and those inside it; nothing
  // when none of that kind is open.
  void CloseUpTo(size_t line, OutlinePart::Kind kind) {
    bool open = false;
    for (const OutlinePart* part : open_) open = open || part->kind == kind;
    while (open) {
      open = open_.back()->kind != kind;
      CloseInnermost(line);
    }
  }
  void CloseInnermost(size_t line) {
    open_.back()->last = line;
    open_.pop_back();
  }

  ScriptFacts& facts_;
  std::vector<BlockKind> blocks_;
  // The parts open, innermost last. Parts are only added to the innermost
  // one's list, so the pointers into the lists of the outer ones stay valid.
  std::vector<OutlinePart*> open_;
  size_t drawing_line_ = 0;
  LineFact scratch_;
};

// Draws nothing; tells the listener where text and images are drawn.
class FactsPrinter : public DiscardingPrinter {
 public:
  FactsPrinter(FactsListener& listener, const ImageProbe& probe)
      : listener_(listener), probe_(probe) {}

  void OutputText(DevicePoint at, const FontSpec& font, const WideString&) override {
    LineFact& fact = listener_.DrawingLine();
    fact.drawn_at = at;
    fact.font = font;
  }
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override {
    listener_.DrawingLine().image_problem = probe_(path);
    return std::make_unique<Picture>();
  }
  void DrawPicture(Picture&, const ImageRect& rect) override {
    listener_.DrawingLine().image_rect = rect;
  }

 private:
  FactsListener& listener_;
  const ImageProbe& probe_;
};

}  // namespace

const LineFact& ScriptFacts::At(size_t line) const {
  static const LineFact kUnread;
  return line >= 1 && line <= lines.size() ? lines[line - 1] : kUnread;
}

ScriptFacts GatherFacts(Host& host, const ImageProbe& probe, const PathChar* path) {
  ScriptFacts facts;
  Diagnostics silent(WarningSet(), [](const Finding&) {});
  CheckingHost quiet_host(host, silent, false);
  FactsListener listener(facts);
  FactsPrinter printer(listener, probe);
  PrintDocument(quiet_host, printer, path, &listener);
  listener.Finish();
  return facts;
}

const char* BlockName(BlockKind block) {
  switch (block) {
    case BlockKind::kTextBlock: return "text block";
    case BlockKind::kImage: return "image";
    case BlockKind::kSimpleTable: return "simple table";
    case BlockKind::kColumns: return "columns block";
    case BlockKind::kRows: return "rows block";
    case BlockKind::kHeaderTable: return "header table";
    case BlockKind::kHeaderColumns: return "header-columns block";
    case BlockKind::kHeaderRows: return "header-rows block";
    case BlockKind::kNoTextTable: return "no-text table";
  }
  return "block";
}

}  // namespace quarvel
