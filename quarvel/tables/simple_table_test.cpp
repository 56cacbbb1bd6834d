#include "tables/simple_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "printer/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kTrace = "simnpldebug2.txt";

class SimpleTableTest : public ::testing::Test {
 protected:
  // Draws one simple table from `lines` (the lines after
  // "beginSimpleTable") and returns the line after it, or "<end>".
  std::string Draw(const Strings& lines) {
    const auto script = ScriptFromBytes(Lines(lines));
    DrawSimpleTable(*script, printer_);
    std::string next;
    return ReadLine(*script, &next) ? next : "<end>";
  }

  ScopedTempDir temp_dir_;
  RecordingPrinter printer_;
};

// The worked example: a box of four segments with one line of text in it.
TEST_F(SimpleTableTest, DrawsTheBoxAndTheTextOfTheExample) {
  EXPECT_EQ(Draw({"beginCols", "10", "700", "10", "600", "beginCol", "100", "700", "100", "600",
                  "endCols", "beginRows", "beginRow", "10", "700", "100", "700", "beginRow", "10",
                  "600", "100", "600", "endRows", "beginText", "", "60", "normal", "", "12",
                  "690", "Total", "endText", "endSimpleTable", "after"}),
            "after");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"line 80 800 80 1600", "line 800 800 800 1600", "line 80 800 800 800",
                     "line 80 1600 800 1600", "text 96 880 60 400 0 \"Total\""}));
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nbeginRow\r\nbeginRow\r\n");
}

TEST_F(SimpleTableTest, EmptyTableDrawsNothing) {
  EXPECT_EQ(Draw({"endSimpleTable", "after"}), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{});
  EXPECT_FALSE(std::filesystem::exists(kTrace));
}

// Guards against a columns block that closes before its leading segment has
// taken its four lines.
TEST_F(SimpleTableTest, LeadingSegmentTakesTheFourLinesAfterBeginCols) {
  EXPECT_EQ(Draw({"beginCols", "endCols", "beginCol", "5", "6", "endCols", "endSimpleTable",
                  "after"}),
            "after");
  EXPECT_EQ(printer_.Drawings(), Strings{"line 0 6400 40 6352"});
}

// Guards against keywords acting outside their own level.
TEST_F(SimpleTableTest, KeywordsAreRecognisedOnlyAtTheirOwnLevel) {
  EXPECT_EQ(Draw({"beginPage", "endText", "endCols", "endRows", "beginCol", "beginRow",
                  "beginImage", "beginSimpleTable", "beginRows", "endSimpleTable", "beginText",
                  "beginRow", "1", "1", "2", "1", "endRows", "beginCols", "0", "0",
                  "0", "0", "endSimpleTable", "beginRow", "endCols", "beginText", "", "", "",
                  "", "0", "800", "endSimpleTable", "endCols", "endText", "endSimpleTable",
                  "after"}),
            "after");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"line 8 6392 16 6392", "line 0 6400 0 6400",
                     "text 0 0 60 400 0 \"endSimpleTable\"", "text 0 56 60 400 0 \"endCols\""}));
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nendSimpleTable\r\nbeginText\r\nbeginRow\r\n");
}

// Guards against a trace that keeps an earlier block's lines.
TEST_F(SimpleTableTest, EachRowsBlockTruncatesTheTrace) {
  Draw({"beginRows", "beginRow", "1", "1", "1", "1", "stray", "endRows", "beginRows", "endRows",
        "endSimpleTable"});
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\n");
  Draw({"beginRows", "x", "endRows", "endSimpleTable"});
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nx\r\n");
}

// Guards against a table that stops drawing when its trace cannot be made.
TEST_F(SimpleTableTest, UnwritableTraceIsDroppedSilently) {
  std::filesystem::create_directory(kTrace);
  EXPECT_EQ(Draw({"beginRows", "beginRow", "1", "2", "3", "4", "endRows", "endSimpleTable",
                  "after"}),
            "after");
  EXPECT_EQ(printer_.Drawings(), Strings{"line 8 6384 24 6368"});
  EXPECT_TRUE(std::filesystem::is_directory(kTrace));
}

// Guards against blocks that run on past the end of the script, and traces
// left incomplete when it ends inside them.
TEST_F(SimpleTableTest, EndOfScriptEndsEveryOpenBlock) {
  EXPECT_EQ(Draw({"beginText", "", "60", "normal", "", "0", "800", "a"}), "<end>");
  EXPECT_EQ(Draw({"beginCols", "1", "2"}), "<end>");
  EXPECT_EQ(Draw({"beginCols", "1", "2", "3", "4", "beginCol", "5"}), "<end>");
  EXPECT_EQ(Draw({"beginRows", "beginRow", "1", "1", "1", "1", "stray"}), "<end>");
  EXPECT_EQ(Draw({"x"}), "<end>");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 0 60 400 0 \"a\"", "line 8 6384 24 6368", "line 8 6392 8 6392"}));
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nbeginRow\r\nstray\r\n");
}

}  // namespace
}  // namespace quarvel
