// Scripts written to break the interpreter: bytes that no editor writes,
// lines and line counts far beyond any document, numbers at and beyond the
// 32-bit limits, keywords that are almost right, scripts cut off anywhere,
// and names that are taken by something else. Each one runs whole through
// PrintDocument with the recording printer; the asan preset runs them under
// the sanitizers, which turns any out-of-bounds access or trapping overflow
// into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

#include "print_document.h"
#include "testing/printer_wrapper.h"
#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using namespace std::string_literals;

constexpr const char* kSimpleRowsTrace = "simnpldebug2.txt";
constexpr const char* kHeaderTableTrace = "debug.txt";
constexpr const char* kHeaderRowsTrace = "debug2.txt";
constexpr const char* kTraces[] = {kSimpleRowsTrace, kHeaderTableTrace, kHeaderRowsTrace};

// A printer that keeps only the number of text lines and the last one, and
// hands every other operation to a recording printer, so that scripts of a
// million lines or of a line of a hundred megabytes are checked without a
// log of their size.
class TallyingPrinter : public PrinterWrapper {
 public:
  explicit TallyingPrinter(RecordingPrinter& recording)
      : PrinterWrapper(recording), recording_(recording) {}

  const Strings& operations() const { return recording_.operations(); }

  void OutputText(DevicePoint at, const FontSpec&, const WideString& text) override {
    ++text_lines_;
    last_at_ = at;
    last_text_ = text;
  }

  size_t text_lines() const { return text_lines_; }
  DevicePoint last_at() const { return last_at_; }
  const WideString& last_text() const { return last_text_; }

 private:
  const RecordingPrinter& recording_;
  size_t text_lines_ = 0;
  DevicePoint last_at_;
  WideString last_text_;
};

// Writes the script `head`, `count` times `piece`, `tail` to "script.txt"
// without holding it in memory, and prints it through `printer`.
void RunLargeScript(Printer& printer, std::string_view head, std::string_view piece, size_t count,
                    std::string_view tail) {
  {
    std::ofstream out("script.txt", std::ios::binary | std::ios::trunc);
    out << head;
    for (size_t i = 0; i < count; ++i) out << piece;
    out << tail;
  }
  PrintDocument(TestHost(), printer, fs::path("script.txt").c_str());
}

class HostileScriptTest : public ::testing::Test {
 protected:
  Strings Run(std::string_view script) { return RunScript(printer_, script); }

  ScopedTempDir temp_dir_;
  RecordingPrinter printer_;
};

// Guards against a NUL byte that ends a line early or is matched as part of
// a keyword, and against reading on after a byte 0x1A inside a block.
TEST_F(HostileScriptTest, NulBytesStayInTheirLinesAndControlZEndsTheScriptInsideABlock) {
  EXPECT_EQ(Run("x\nbeginPage\0\nbeginPage\n"s
                "beginText\n\n40\0 99\nbold\0\n\n\0 5\n800\nab\0cd\nendText\0\nendText\n"s
                "beginSimpleTable\nbeginRows\nbeginRow\0\nbeginRow\n1\n2\n3\n4\x1a"s
                "00\nendRows\nendSimpleTable\nendPage\n"s),
            Concat(StartUp(), {"startpage", "text 0 0 40 400 0 \"ab\"",
                               "text 0 40 40 400 0 \"endText\"", "line 8 6384 24 6368"}));
  EXPECT_EQ(ReadFileBytes(kSimpleRowsTrace), "\r\nbeginRow\0\r\nbeginRow\r\n"s);
}

// Guards against a line cut at a buffer's size, a line length kept in too
// small a type, and a run that stops after an oversized line.
TEST_F(HostileScriptTest, HundredMegabyteLineIsReadAndDrawnWhole) {
  constexpr size_t kChunk = 1 << 20;
  constexpr size_t kChunks = 100;
  struct Case {
    const char* after_line;
    Strings operations;
  };
  // The line followed by more script, and the line as the last bytes of the
  // file, without a line feed.
  const Case cases[] = {{">\nendText\nendPage\n", Concat(StartUp(), {"startpage", "endpage"})},
                        {">", Concat(StartUp(), {"startpage"})}};
  for (const Case& c : cases) {
    RecordingPrinter recording;
    TallyingPrinter printer(recording);
    RunLargeScript(printer, "x\nbeginPage\nbeginText\n\n60\nnormal\n\n0\n800\n<",
                   std::string(kChunk, 'x'), kChunks, c.after_line);
    EXPECT_EQ(printer.operations(), c.operations);
    ASSERT_EQ(printer.text_lines(), 1u);
    const WideString& text = printer.last_text();
    ASSERT_EQ(text.size(), kChunk * kChunks + 2);
    EXPECT_EQ(text.front(), u'<');
    EXPECT_EQ(text.back(), u'>');
    EXPECT_TRUE(
        std::all_of(text.begin() + 1, text.end() - 1, [](WideChar c) { return c == u'x'; }));
  }
}

// Guards against a block that gives up on a long run of lines, and a main
// loop that takes the block's lines for its own.
TEST_F(HostileScriptTest, MillionBeginTextLinesAreOneLongTextBlock) {
  constexpr size_t kLines = 1000000;
  RecordingPrinter recording;
  TallyingPrinter printer(recording);
  RunLargeScript(printer, "x\n", "beginText\n", kLines, "");
  // The first one opens the block and the next six are its value lines.
  EXPECT_EQ(printer.text_lines(), kLines - 7);
  EXPECT_EQ(printer.last_text(), Wide(u"beginText"));
  // Each line lies 7 units below the one before, from y = 0.
  EXPECT_EQ(printer.last_at(), (DevicePoint{0, (800 + 7 * int32_t{kLines - 8}) * 8}));
  EXPECT_EQ(printer.operations(), StartUp());
}

struct LimitCase {
  Strings block;
  Strings drawings;
};

// Numbers at and beyond the signed 32-bit limits in every value position.
// Numbers at the limits wrap in the device point, line advance and image
// offset arithmetic; numbers beyond them leave the default.
const LimitCase kLimitCases[] = {
    {{"beginText", "", "2147483647", "", "", "2147483647", "2147483647", "a", "b", "endText"},
     {"text -8 6408 2147483647 400 0 \"a\"", "text -8 -2147477248 2147483647 400 0 \"b\""}},
    {{"beginText", "", "-2147483648", "", "", "-2147483648", "-2147483648", "a", "b", "endText"},
     {"text 0 6400 -2147483648 400 0 \"a\"", "text 0 -2147477248 -2147483648 400 0 \"b\""}},
    {{"beginText", "", "2147483648", "", "", "-2147483649", "99999999999999999999", "a", "b",
      "endText"},
     {"text 0 6400 60 400 0 \"a\"", "text 0 6456 60 400 0 \"b\""}},
    {{"beginHeaderTable", "beginText", "", "8", "", "", "0", "2147483647", "a", "b", "endText",
      "endHeaderTable"},
     {"text 0 6408 8 400 0 \"a\"", "text 0 6344 8 400 0 \"b\""}},
    {{"beginHeaderTable", "beginText", "", "-8", "", "", "0", "-2147483648", "a", "b", "endText",
      "endHeaderTable"},
     {"text 0 6400 -8 400 0 \"a\"", "text 0 6464 -8 400 0 \"b\""}},
    {{"beginSimpleTable", "beginCols", "2147483647", "-2147483648", "-2147483648", "2147483647",
      "beginCol", "2147483648", "-2147483649", "4294967296", "-99999999999999999999", "endCols",
      "endSimpleTable"},
     {"line -8 6400 0 6408", "line 0 6400 0 6400"}},
    {{"beginHeaderTable", "beginHeaderRows", "beginHeaderRow", "-2147483648", "2147483647",
      "2147483647", "-2147483648", "endHeaderRows", "endHeaderTable"},
     {"line 0 6408 -8 6400"}},
    {{"beginImage", "a.png", "2147483647", "-2147483648", "2147483647", "-2147483648"},
     {"image \"a.png\" -2147483534 2147483293 2147483647 -2147483648"}},
    {{"beginImage", "a.png", "-2147483648", "2147483647", "2147483648", "-2147483649"},
     {"image \"a.png\" -2147483533 2147483292 0 0"}},
};

// Guards against coordinate arithmetic that traps or saturates instead of
// wrapping, and numbers beyond the range that are cut down instead of
// ignored.
TEST_F(HostileScriptTest, NumbersAtAndBeyondThe32BitLimitsWrapOrLeaveTheDefault) {
  for (const LimitCase& c : kLimitCases) {
    RecordingPrinter printer;
    RunScript(printer, Lines(Concat({"x"}, c.block)));
    EXPECT_EQ(printer.Drawings(), c.drawings) << Lines(c.block);
  }
}

// Lines that differ from a keyword only in ways an editor hides.
Strings NearMisses(const std::string& keyword) {
  const auto upper = [](char c) { return static_cast<char>(std::toupper(c)); };
  const auto lower = [](char c) { return static_cast<char>(std::tolower(c)); };
  std::string all_upper = keyword;
  std::transform(all_upper.begin(), all_upper.end(), all_upper.begin(), upper);
  std::string all_lower = keyword;
  std::transform(all_lower.begin(), all_lower.end(), all_lower.begin(), lower);
  std::string capital = keyword;
  capital[0] = upper(capital[0]);
  // A carriage return directly before the line feed would make a CR LF line
  // end; the second one stays in the line.
  return {keyword + "\r\r", "\r" + keyword, keyword + " ", " " + keyword, "\t" + keyword,
          keyword + '\0',   all_upper,      all_lower,     capital};
}

struct NearMissCase {
  std::string keyword;
  std::string before;
  std::string after;
  // The drawing that only a near miss that was not taken for the keyword
  // leads to: it is the last one of the run.
  std::string last_drawing;
};

const NearMissCase kNearMissCases[] = {
    {"endText", "beginText\n\n60\n\n\n0\n800\n", "after\nendText\n",
     "text 0 56 60 400 0 \"after\""},
    {"endSimpleTable", "beginSimpleTable\n",
     "beginRows\nbeginRow\n1\n1\n2\n1\nendRows\nendSimpleTable\n", "line 8 6392 16 6392"},
    {"endCols", "beginSimpleTable\nbeginCols\n0\n0\n0\n0\n",
     "beginCol\n1\n1\n2\n1\nendCols\nendSimpleTable\n", "line 8 6392 16 6392"},
    {"beginCol", "beginSimpleTable\nbeginCols\n0\n0\n0\n0\n",
     "1\n1\n2\n1\nendCols\nendSimpleTable\n", "line 0 6400 0 6400"},
    {"endRows", "beginSimpleTable\nbeginRows\n", "beginRow\n1\n1\n2\n1\nendRows\nendSimpleTable\n",
     "line 8 6392 16 6392"},
    {"beginRow", "beginSimpleTable\nbeginRows\nbeginRow\n0\n0\n0\n0\n",
     "1\n1\n2\n1\nendRows\nendSimpleTable\n", "line 0 6400 0 6400"},
    {"endHeaderTable", "beginHeaderTable\n",
     "beginHeaderRows\nbeginHeaderRow\n1\n1\n2\n1\nendHeaderRows\nendHeaderTable\n",
     "line 8 6392 16 6392"},
    {"endText", "beginHeaderTable\nbeginText\n\n60\n\n\n0\n800\n",
     "after\nendText\nendHeaderTable\n", "text 0 -480 60 400 0 \"after\""},
    {"endHeaderCols", "beginHeaderTable\nbeginHeaderCols\n0\n0\n0\n0\n",
     "beginHeaderCol\n1\n1\n2\n1\nendHeaderCols\nendHeaderTable\n", "line 8 6392 16 6392"},
    {"beginHeaderCol", "beginHeaderTable\nbeginHeaderCols\n0\n0\n0\n0\n",
     "1\n1\n2\n1\nendHeaderCols\nendHeaderTable\n", "line 0 6400 0 6400"},
    {"endHeaderRows", "beginHeaderTable\nbeginHeaderRows\n",
     "beginHeaderRow\n1\n1\n2\n1\nendHeaderRows\nendHeaderTable\n", "line 8 6392 16 6392"},
    {"beginHeaderRow", "beginHeaderTable\nbeginHeaderRows\nbeginHeaderRow\n0\n0\n0\n0\n",
     "1\n1\n2\n1\nendHeaderRows\nendHeaderTable\n", "line 0 6400 0 6400"},
};

// Guards against keywords inside blocks matched after trimming, folding
// case or stopping at a NUL byte: a near miss of a closing keyword must not
// close its block, and a near miss of a segment keyword must not draw.
TEST_F(HostileScriptTest, NearMissesOfBlockKeywordsAreNoKeywords) {
  for (const NearMissCase& c : kNearMissCases) {
    for (const std::string& near_miss : NearMisses(c.keyword)) {
      RecordingPrinter printer;
      RunScript(printer, "x\n" + c.before + near_miss + "\n" + c.after);
      const Strings drawings = printer.Drawings();
      ASSERT_FALSE(drawings.empty()) << c.before << near_miss;
      EXPECT_EQ(drawings.back(), c.last_drawing) << c.before << near_miss;
    }
  }
}

// One line of a block, with what reading it completes: a drawing, and
// entries of the traces.
struct TraceEntry {
  const char* trace;
  std::string bytes;
};

struct BlockLine {
  std::string line;
  std::string drawing = "";
  std::vector<TraceEntry> trace_entries = {};
};

using Block = std::vector<BlockLine>;

BlockLine Value(const char* line) { return {line}; }

// Every kind of block, with every kind of inner block and value line.
const std::vector<Block>& EveryKindOfBlock() {
  static const std::vector<Block> blocks = {
      {{"beginText"},
       Value(""),
       Value("100"),
       Value("bold"),
       Value(""),
       Value("10"),
       Value("700"),
       {"one", "text 80 800 100 700 0 \"one\""},
       {"two", "text 80 896 100 700 0 \"two\""},
       {"endText"}},
      {{"beginImage"},
       {"logo.png"},
       Value("10"),
       Value("20"),
       Value("30"),
       {"40", "image \"logo.png\" 125 -335 30 40"}},
      {{"beginSimpleTable"},
       {"beginText"},
       Value(""),
       Value("60"),
       Value("normal"),
       Value(""),
       Value("12"),
       Value("690"),
       {"cell", "text 96 880 60 400 0 \"cell\""},
       {"endText"},
       {"beginCols"},
       Value("10"),
       Value("700"),
       Value("10"),
       {"600", "line 80 800 80 1600"},
       {"beginCol"},
       Value("100"),
       Value("700"),
       Value("100"),
       {"600", "line 800 800 800 1600"},
       {"stray"},
       {"endCols"},
       {"beginRows", "", {{kSimpleRowsTrace, "\r\n"}}},
       {"beginRow", "", {{kSimpleRowsTrace, "beginRow\r\n"}}},
       Value("10"),
       Value("700"),
       Value("100"),
       {"700", "line 80 800 800 800"},
       {"stray", "", {{kSimpleRowsTrace, "stray\r\n"}}},
       {"endRows"},
       {"endSimpleTable"}},
      {{"beginHeaderTable", "", {{kHeaderTableTrace, ""}}},
       {"beginText", "", {{kHeaderTableTrace, "beginText\r\n"}}},
       Value(""),
       Value("60"),
       Value("bold"),
       Value(""),
       Value("12"),
       Value("690"),
       {"cell", "text 96 880 60 700 0 \"cell\""},
       {"endText"},
       {"beginHeaderCols", "", {{kHeaderTableTrace, "beginHeaderCols\r\nzacinam sloupce\r\n"}}},
       Value("10"),
       Value("700"),
       Value("10"),
       {"600", "line 80 800 80 1600"},
       {"beginHeaderCol"},
       Value("100"),
       Value("700"),
       Value("100"),
       {"600", "line 800 800 800 1600"},
       {"stray"},
       {"endHeaderCols"},
       {"beginHeaderRows",
        "",
        {{kHeaderTableTrace, "beginHeaderRows\r\n"}, {kHeaderRowsTrace, "\r\n"}}},
       {"beginHeaderRow", "", {{kHeaderRowsTrace, "beginHeaderRow\r\n"}}},
       Value("10"),
       Value("700"),
       Value("100"),
       {"700", "line 80 800 800 800"},
       {"stray", "", {{kHeaderRowsTrace, "stray\r\n"}}},
       {"endHeaderRows"},
       {"endHeaderTable", "", {{kHeaderTableTrace, "endHeaderTable\r\n"}}}},
      {{"beginNoTextTable"},
       {"beginText"},
       Value(""),
       Value("60"),
       Value("italic"),
       Value(""),
       Value("0"),
       Value("800"),
       {"cell", "text 0 0 60 400 1 \"cell\""},
       {"endText"},
       {"endNoTextTable"}},
  };
  return blocks;
}

// The lines of `lines` joined by line feeds, without one after the last.
std::string JoinLines(Block::const_iterator begin, Block::const_iterator end) {
  std::string joined;
  for (auto line = begin; line != end; ++line) {
    if (line != begin) joined += '\n';
    joined += line->line;
  }
  return joined;
}

// Guards against a handler that runs on past the end of the script, draws
// from values it never read, or leaves a trace unwritten: a script that ends
// after any line of any block, by the end of the file with or without a last
// line feed or by a byte 0x1A, prints exactly what the lines up to there
// complete.
TEST(HostileScriptCutTest, ScriptEndingAfterAnyLineOfAnyBlockPrintsWhatItsLinesComplete) {
  for (const Block& block : EveryKindOfBlock()) {
    for (auto cut = block.begin() + 1; cut <= block.end(); ++cut) {
      const std::string read = "x\n" + JoinLines(block.begin(), cut);
      Strings drawings;
      std::vector<TraceEntry> traces;
      for (auto line = block.begin(); line != cut; ++line) {
        if (!line->drawing.empty()) drawings.push_back(line->drawing);
        traces.insert(traces.end(), line->trace_entries.begin(), line->trace_entries.end());
      }
      for (const std::string& script :
           {read, read + "\n", read + "\n\x1a" + JoinLines(cut, block.end())}) {
        ScopedTempDir temp_dir;
        RecordingPrinter printer;
        RunScript(printer, script);
        EXPECT_EQ(printer.Drawings(), drawings) << script;
        for (const char* trace : kTraces) {
          std::string expected;
          bool written = false;
          for (const TraceEntry& entry : traces) {
            if (entry.trace != trace) continue;
            expected += entry.bytes;
            written = true;
          }
          EXPECT_EQ(fs::exists(trace), written) << trace << " after\n" << script;
          EXPECT_EQ(ReadFileBytes(trace), expected) << trace << " after\n" << script;
        }
      }
    }
  }
}

// Every kind of block, one after another, with the given line end.
std::string EveryKindOfBlockScript(const std::string& line_end) {
  std::string script = "x" + line_end;
  for (const Block& block : EveryKindOfBlock()) {
    for (const BlockLine& line : block) script += line.line + line_end;
  }
  return script;
}

// What every kind of block draws.
Strings EveryKindOfBlockDrawings() {
  Strings drawings;
  for (const Block& block : EveryKindOfBlock()) {
    for (const BlockLine& line : block) {
      if (!line.drawing.empty()) drawings.push_back(line.drawing);
    }
  }
  return drawings;
}

// The contents of the three traces in the current directory.
Strings ReadTraces() {
  Strings contents;
  for (const char* trace : kTraces) contents.push_back(ReadFileBytes(trace));
  return contents;
}

// Guards against a carriage return of a CR LF line end that reaches a
// keyword test or a number inside some block.
TEST_F(HostileScriptTest, CarriageReturnLineFeedReadsAlikeInEveryBlock) {
  const Strings operations = Run(EveryKindOfBlockScript("\n"));
  EXPECT_EQ(printer_.Drawings(), EveryKindOfBlockDrawings());
  const Strings traces = ReadTraces();

  ScopedTempDir other_dir;
  RecordingPrinter printer;
  EXPECT_EQ(RunScript(printer, EveryKindOfBlockScript("\r\n")), operations);
  EXPECT_EQ(ReadTraces(), traces);
}

// Guards against a table that stops, or draws differently, when its traces
// cannot be created because directories have taken their names.
TEST_F(HostileScriptTest, TraceNamesTakenByDirectoriesChangeNothingElse) {
  const std::string script = EveryKindOfBlockScript("\n");
  const Strings operations = Run(script);
  EXPECT_EQ(printer_.Drawings(), EveryKindOfBlockDrawings());
  for (const char* trace : kTraces) {
    fs::remove(trace);
    fs::create_directory(trace);
  }
  RecordingPrinter printer;
  EXPECT_EQ(RunScript(printer, script), operations);
  for (const char* trace : kTraces) EXPECT_TRUE(fs::is_directory(trace)) << trace;
}

// Guards against an element that stops early when its path names no image
// file: it still takes its five lines, and the script goes on after them.
TEST_F(HostileScriptTest, ImagePathsThatNameNoImageFileStillTakeFiveLines) {
  // Wide paths are the host's on Windows, whose null device is "NUL".
  const std::string device = std::is_same_v<PathChar, wchar_t> ? "NUL" : "/dev/null";
  fs::create_directory("folder");
  WriteFileBytes("empty.png", "");
  for (const std::string& path : {std::string("folder"), device, std::string("empty.png")}) {
    RecordingPrinter printer;
    const std::string quoted = "\"" + path + "\"";
    EXPECT_EQ(RunScript(printer, Lines({"x", "beginImage", path, "1", "2", "3", "4", "beginPage"})),
              Concat(StartUp(), {"load " + quoted, "image " + quoted + " 116 -353 3 4",
                                 "dispose " + quoted, "startpage"}));
  }
}

}  // namespace
}  // namespace quarvel
