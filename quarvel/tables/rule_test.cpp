#include "tables/rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

// Draws one rule from `lines` and returns the line after it, or "<end>".
std::string DrawFrom(RecordingPrinter& printer, const Strings& lines) {
  return RunBlock(DrawRule, printer, Lines(lines));
}

// Guards against segments placed by anything but the page mapping.
TEST(DrawRuleTest, DrawsBetweenTheDevicePointsOfItsFourValues) {
  RecordingPrinter printer;
  EXPECT_EQ(DrawFrom(printer, {"10", "700", "10", "600", "after"}), "after");
  DrawFrom(printer, {"0", "800", "100", "0"});
  DrawFrom(printer, {"-1", "900", "-1", "900"});
  EXPECT_EQ(printer.Drawings(),
            (Strings{"line 80 800 80 1600", "line 0 0 800 6400", "line -8 -800 -8 -800"}));
}

// Guards against a segment that stops at a keyword: its four lines are taken
// whatever they hold, and a line without a number reads as 0.
TEST(DrawRuleTest, TakesFourLinesAsValuesWhateverTheyHold) {
  RecordingPrinter printer;
  EXPECT_EQ(DrawFrom(printer, {"beginCol", "endRows", "12", "", "after"}), "after");
  EXPECT_EQ(printer.Drawings(), Strings{"line 0 6400 96 6400"});
}

// Guards against drawing from values that were never read.
TEST(DrawRuleTest, SegmentCutShortIsNotDrawn) {
  for (size_t lines = 0; lines < 4; ++lines) {
    RecordingPrinter printer;
    const Strings values = {"1", "2", "3", "4"};
    EXPECT_EQ(DrawFrom(printer, Strings(values.begin(), values.begin() + lines)), "<end>");
    EXPECT_EQ(printer.Drawings(), Strings{}) << lines << " lines";
  }
}

}  // namespace
}  // namespace quarvel
