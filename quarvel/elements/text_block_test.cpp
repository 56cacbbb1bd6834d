#include "elements/text_block.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

// The six value lines of a text block.
Strings Values(const std::string& size, const std::string& style, const std::string& x,
               const std::string& y) {
  return {"spare", size, style, "spare", x, y};
}

class TextBlockTest : public ::testing::Test {
 protected:
  // Draws one text block from `lines` (the lines after "beginText") and
  // returns the line that follows it, or "<end>" when none does.
  std::string Draw(const Strings& lines) { return RunBlock(DrawTextBlock, printer_, Lines(lines)); }

  RecordingPrinter printer_;
};

// Guards against the line advance of the worked example.
TEST_F(TextBlockTest, LinesGoDownBySizeOverEight) {
  Draw(Concat(Values("100", "normal", "10", "700"), {"one", "two", "three", "endText"}));
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 80 800 100 400 0 \"one\"", "text 80 896 100 400 0 \"two\"",
                     "text 80 992 100 400 0 \"three\""}));
}

// Guards against an advance that rounds instead of truncating toward zero.
TEST_F(TextBlockTest, SmallSizesGiveNoAdvance) {
  for (int size = -7; size <= 7; ++size) {
    RecordingPrinter printer;
    const auto script = ScriptFromBytes(
        Lines(Concat(Values(std::to_string(size), "", "0", "800"), {"a", "b", "endText"})));
    DrawTextBlock(*script, TestHost(), printer);
    const std::string height = std::to_string(size);
    EXPECT_EQ(printer.Drawings(), (Strings{"text 0 0 " + height + " 400 0 \"a\"",
                                           "text 0 0 " + height + " 400 0 \"b\""}))
        << "size " << size;
  }
}

TEST_F(TextBlockTest, NegativeSizeMovesLinesUp) {
  Draw(Concat(Values("-20", "bold", "0", "100"), {"a", "b", "c", "endText"}));
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 5600 -20 700 0 \"a\"", "text 0 5584 -20 700 0 \"b\"",
                     "text 0 5568 -20 700 0 \"c\""}));
}

// Guards against defaults: size 60 (advance 7), x and y 0.
TEST_F(TextBlockTest, LinesWithoutNumbersGiveTheDefaults) {
  Draw(Concat(Values("big", "normal", "left", ""), {"a", "b", "endText"}));
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 6400 60 400 0 \"a\"", "text 0 6456 60 400 0 \"b\""}));
}

// Guards against spare lines being interpreted, and against a block that
// ends anywhere but at its own closing line.
TEST_F(TextBlockTest, ValueLinesAreTakenByPosition) {
  const std::string next =
      Draw({"endText", "endText", "bold", "beginPage", "endText", "endText", "endPage", " endText",
            "endText ", "beginText", "endText", "after"});
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 6400 60 700 0 \"endPage\"", "text 0 6456 60 700 0 \" endText\"",
                     "text 0 6512 60 700 0 \"endText \"", "text 0 6568 60 700 0 \"beginText\""}));
  EXPECT_EQ(next, "after");
}

TEST_F(TextBlockTest, SeventhLineEndTextDrawsNothingAndConsumesSevenLines) {
  EXPECT_EQ(Draw(Concat(Values("60", "bold", "1", "2"), {"endText", "after"})), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{});
}

// Guards against an empty line that is skipped instead of taking its place.
TEST_F(TextBlockTest, EmptyTextLineIsDrawnAndAdvances) {
  Draw(Concat(Values("16", "italic", "0", "800"), {"", "x", "endText"}));
  EXPECT_EQ(printer_.Drawings(), (Strings{"text 0 0 16 400 1 \"\"", "text 0 16 16 400 1 \"x\""}));
}

struct StyleCase {
  const char* style;
  FontSpec font;
};

// Guards against style words matched loosely.
TEST(FontForStyleTest, MatchesTheFourStyleWordsExactly) {
  const StyleCase cases[] = {
      {"normal", {60, 400, false}},     {"bold", {60, 700, false}}, {"italic", {60, 400, true}},
      {"bolditalic", {60, 700, true}},  {"Bold", {60, 400, false}}, {"bold ", {60, 400, false}},
      {"BOLDITALIC", {60, 400, false}}, {"", {60, 400, false}},     {"bold\r", {60, 400, false}},
      {"italicbold", {60, 400, false}},
  };
  for (const StyleCase& c : cases) EXPECT_EQ(FontForStyle(c.style, 60), c.font) << c.style;
}

// Guards against a block that runs on at the end of the script, or drops the
// lines it read before it.
TEST_F(TextBlockTest, EndOfScriptEndsTheBlock) {
  EXPECT_EQ(Draw(Concat(Values("60", "normal", "0", "800"), {"a", "b"})), "<end>");
  EXPECT_EQ(printer_.Drawings(), (Strings{"text 0 0 60 400 0 \"a\"", "text 0 56 60 400 0 \"b\""}));

  for (size_t lines = 0; lines <= 6; ++lines) {
    RecordingPrinter printer;
    const Strings values = Values("60", "normal", "0", "800");
    const auto script = ScriptFromBytes(Lines(Strings(values.begin(), values.begin() + lines)));
    DrawTextBlock(*script, TestHost(), printer);
    EXPECT_EQ(printer.Drawings(), Strings{}) << lines << " value lines";
    EXPECT_TRUE(script->eof());
  }
}

// Guards against y arithmetic that traps instead of wrapping.
TEST_F(TextBlockTest, LineAdvanceWrapsAsSigned32Bit) {
  Draw(Concat(Values("16", "normal", "0", "-2147483648"), {"a", "b", "endText"}));
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 6400 16 400 0 \"a\"", "text 0 6416 16 400 0 \"b\""}));
}

// Guards against text handed on beyond its first NUL byte.
TEST_F(TextBlockTest, TextEndsAtItsFirstNulByte) {
  WideString wide;
  DrawTextLine(TestHost(), printer_, std::string_view("ab\0cd", 5), 1, 800,
               FontForStyle("normal", 30), &wide);
  EXPECT_EQ(printer_.Drawings(), Strings{"text 8 0 30 400 0 \"ab\""});
}

}  // namespace
}  // namespace quarvel
