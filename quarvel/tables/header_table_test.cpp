#include "tables/header_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kTableTrace = "debug.txt";
constexpr const char* kRowsTrace = "debug2.txt";

class HeaderTableTest : public ::testing::Test {
 protected:
  // Draws one header table from `script` (the lines after
  // "beginHeaderTable") and returns the line after it, or "<end>".
  std::string Draw(std::string script) {
    return RunBlock(DrawHeaderTable, printer_, std::move(script));
  }

  ScopedTempDir temp_dir_;
  RecordingPrinter printer_;
};

// The worked example: text going upward, three segments and both traces.
TEST_F(HeaderTableTest, DrawsTheTableAndTracesOfTheExample) {
  EXPECT_EQ(Draw("beginText\n\n60\nbold\n\n12\n690\nName\nPrice\nendText\n"
                 "beginHeaderCols\n10\n700\n10\n600\n"
                 "beginHeaderCol\n100\n700\n100\n600\n"
                 "endHeaderCols\n"
                 "beginHeaderRows\n"
                 "beginHeaderRow\n10\n700\n100\n700\n"
                 "endHeaderRows\n"
                 "endHeaderTable\n"
                 "after\n"),
            "after");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 96 880 60 700 0 \"Name\"", "text 96 400 60 700 0 \"Price\"",
                     "line 80 800 80 1600", "line 800 800 800 1600", "line 80 800 800 800"}));
  EXPECT_EQ(ReadFileBytes(kTableTrace),
            "beginText\r\nbeginHeaderCols\r\nzacinam sloupce\r\nbeginHeaderRows\r\n"
            "endHeaderTable\r\n");
  EXPECT_EQ(ReadFileBytes(kRowsTrace), "\r\nbeginHeaderRow\r\n");
}

TEST_F(HeaderTableTest, EmptyTableTracesOnlyItsClosingLine) {
  EXPECT_EQ(Draw("endHeaderTable\nafter\n"), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{});
  EXPECT_EQ(ReadFileBytes(kTableTrace), "endHeaderTable\r\n");
  EXPECT_FALSE(std::filesystem::exists(kRowsTrace));
}

// Guards against the top-level line advance leaking into header tables.
TEST_F(HeaderTableTest, TextLinesGoUpByTheWholeSize) {
  Draw("beginText\n\n60\nitalic\n\n0\n100\na\nb\nc\nendText\nendHeaderTable\n");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"text 0 5600 60 400 1 \"a\"", "text 0 5120 60 400 1 \"b\"",
                     "text 0 4640 60 400 1 \"c\""}));
}

// Guards against keywords acting outside their own level, and against lines
// of inner blocks reaching the table's trace.
TEST_F(HeaderTableTest, KeywordsAreRecognisedOnlyAtTheirOwnLevel) {
  EXPECT_EQ(Draw("endHeaderRows\n"
                 "beginText\n\n\n\n\n0\n800\nendHeaderTable\nendText\n"
                 "beginHeaderCols\nendHeaderCols\nendHeaderTable\nbeginText\n0\n"
                 "endHeaderCols\n"
                 "beginHeaderRows\n"
                 "endHeaderTable\n"
                 "beginHeaderRow\n1\n1\n1\n1\n"
                 "endHeaderRows\n"
                 "endHeaderTable\n"),
            "<end>");
  EXPECT_EQ(printer_.Drawings(), (Strings{"text 0 0 60 400 0 \"endHeaderTable\"",
                                          "line 0 6400 0 6400", "line 8 6392 8 6392"}));
  EXPECT_EQ(ReadFileBytes(kTableTrace),
            "endHeaderRows\r\nbeginText\r\nbeginHeaderCols\r\nzacinam sloupce\r\n"
            "beginHeaderRows\r\nendHeaderTable\r\n");
  EXPECT_EQ(ReadFileBytes(kRowsTrace), "\r\nendHeaderTable\r\nbeginHeaderRow\r\n");
}

// Guards against a trace that keeps an earlier table's lines.
TEST_F(HeaderTableTest, EachTableTruncatesItsTrace) {
  Draw("first\nendHeaderTable\n");
  Draw("endHeaderTable\n");
  EXPECT_EQ(ReadFileBytes(kTableTrace), "endHeaderTable\r\n");
}

// Guards against blocks that run on past the end of the script, and traces
// left incomplete when it ends inside them.
TEST_F(HeaderTableTest, EndOfScriptEndsEveryOpenBlock) {
  EXPECT_EQ(Draw("beginHeaderRows\nbeginHeaderRow\n1\n1\n1\n1\nstray\n"), "<end>");
  EXPECT_EQ(ReadFileBytes(kTableTrace), "beginHeaderRows\r\n");
  EXPECT_EQ(ReadFileBytes(kRowsTrace), "\r\nbeginHeaderRow\r\nstray\r\n");

  EXPECT_EQ(Draw("beginText\n\n60\n\n\n0\n800\na\n"), "<end>");
  EXPECT_EQ(Draw("beginHeaderCols\n1\n2\n3\n4\nbeginHeaderCol\n1\n"), "<end>");
  EXPECT_EQ(Draw("x\n"), "<end>");
  EXPECT_EQ(ReadFileBytes(kTableTrace), "x\r\n");
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"line 8 6392 8 6392", "text 0 0 60 400 0 \"a\"", "line 8 6384 24 6368"}));
}

}  // namespace
}  // namespace quarvel
