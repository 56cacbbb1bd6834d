#include "tables/simple_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kTrace = "simnpldebug2.txt";

class SimpleTableTest : public ::testing::Test {
 protected:
  // Draws one simple table from `script` (the lines after
  // "beginSimpleTable") and returns the line after it, or "<end>".
  std::string Draw(std::string script) {
    return RunBlock(DrawSimpleTable, printer_, std::move(script));
  }

  ScopedTempDir temp_dir_;
  RecordingPrinter printer_;
};

// The worked example: a box of four segments with one line of text in it.
TEST_F(SimpleTableTest, DrawsTheBoxAndTheTextOfTheExample) {
  EXPECT_EQ(Draw("beginCols\n10\n700\n10\n600\n"
                 "beginCol\n100\n700\n100\n600\n"
                 "endCols\n"
                 "beginRows\n"
                 "beginRow\n10\n700\n100\n700\n"
                 "beginRow\n10\n600\n100\n600\n"
                 "endRows\n"
                 "beginText\n\n60\nnormal\n\n12\n690\nTotal\nendText\n"
                 "endSimpleTable\n"
                 "after\n"),
            "after");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"line 80 800 80 1600", "line 800 800 800 1600", "line 80 800 800 800",
                     "line 80 1600 800 1600", "text 96 880 60 400 0 \"Total\""}));
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nbeginRow\r\nbeginRow\r\n");
}

TEST_F(SimpleTableTest, EmptyTableDrawsNothing) {
  EXPECT_EQ(Draw("endSimpleTable\nafter\n"), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{});
  EXPECT_FALSE(std::filesystem::exists(kTrace));
}

// Guards against a columns block that closes before its leading segment has
// taken its four lines.
TEST_F(SimpleTableTest, LeadingSegmentTakesTheFourLinesAfterBeginCols) {
  EXPECT_EQ(Draw("beginCols\nendCols\nbeginCol\n5\n6\nendCols\nendSimpleTable\nafter\n"), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{"line 0 6400 40 6352"});
}

// Guards against keywords acting outside their own level.
TEST_F(SimpleTableTest, KeywordsAreRecognisedOnlyAtTheirOwnLevel) {
  EXPECT_EQ(Draw("beginPage\nendText\nendCols\nendRows\nbeginCol\nbeginRow\nbeginImage\n"
                 "beginSimpleTable\n"
                 "beginRows\n"
                 "endSimpleTable\nbeginText\n"
                 "beginRow\n1\n1\n2\n1\n"
                 "endRows\n"
                 "beginCols\n0\n0\n0\n0\n"
                 "endSimpleTable\nbeginRow\n"
                 "endCols\n"
                 "beginText\n\n\n\n\n0\n800\nendSimpleTable\nendCols\nendText\n"
                 "endSimpleTable\n"
                 "after\n"),
            "after");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"line 8 6392 16 6392", "line 0 6400 0 6400",
                     "text 0 0 60 400 0 \"endSimpleTable\"", "text 0 56 60 400 0 \"endCols\""}));
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nendSimpleTable\r\nbeginText\r\nbeginRow\r\n");
}

// Guards against a trace that keeps an earlier block's lines.
TEST_F(SimpleTableTest, EachRowsBlockTruncatesTheTrace) {
  Draw(
      "beginRows\nbeginRow\n1\n1\n1\n1\nstray\nendRows\n"
      "beginRows\nendRows\n"
      "endSimpleTable\n");
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\n");
  Draw("beginRows\nx\nendRows\nendSimpleTable\n");
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nx\r\n");
}

// Guards against a table that stops drawing when its trace cannot be made.
TEST_F(SimpleTableTest, UnwritableTraceIsDroppedSilently) {
  std::filesystem::create_directory(kTrace);
  EXPECT_EQ(Draw("beginRows\nbeginRow\n1\n2\n3\n4\nendRows\nendSimpleTable\nafter\n"), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{"line 8 6384 24 6368"});
  EXPECT_TRUE(std::filesystem::is_directory(kTrace));
}

// Guards against blocks that run on past the end of the script, and traces
// left incomplete when it ends inside them.
TEST_F(SimpleTableTest, EndOfScriptEndsEveryOpenBlock) {
  EXPECT_EQ(Draw("beginText\n\n60\nnormal\n\n0\n800\na\n"), "<end>");
  EXPECT_EQ(Draw("beginCols\n1\n2\n"), "<end>");
  EXPECT_EQ(Draw("beginCols\n1\n2\n3\n4\nbeginCol\n5\n"), "<end>");
  EXPECT_EQ(Draw("beginRows\nbeginRow\n1\n1\n1\n1\nstray"), "<end>");
  EXPECT_EQ(Draw("x\n"), "<end>");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 0 60 400 0 \"a\"", "line 8 6384 24 6368", "line 8 6392 8 6392"}));
  EXPECT_EQ(ReadFileBytes(kTrace), "\r\nbeginRow\r\nstray\r\n");
}

}  // namespace
}  // namespace quarvel
