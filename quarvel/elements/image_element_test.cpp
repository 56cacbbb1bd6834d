#include "elements/image_element.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

class ImageElementTest : public ::testing::Test {
 protected:
  // Draws one image element from `lines` (the lines after "beginImage") and
  // returns the line that follows it, or "<end>" when none does.
  std::string Draw(const Strings& lines) {
    return RunBlock(DrawImageElement, printer_, Lines(lines));
  }

  RecordingPrinter printer_;
};

// Guards against the fixed offsets and the load, draw, release order.
TEST_F(ImageElementTest, DrawsIntoTheOffsetRectangle) {
  EXPECT_EQ(Draw({"images/logo.png", "10", "20", "300", "400", "after"}), "after");
  EXPECT_EQ(printer_.operations(),
            (Strings{"load \"images/logo.png\"", "image \"images/logo.png\" 125 -335 300 400",
                     "dispose \"images/logo.png\""}));
}

// Guards against an element that stops at a keyword: its five lines are
// taken whatever they hold, and a value line without a number reads as 0.
TEST_F(ImageElementTest, ConsumesExactlyFiveLines) {
  EXPECT_EQ(Draw({"endPage", "beginPage", "endText", "-5", "", "after"}), "after");
  EXPECT_EQ(printer_.Drawings(), Strings{"image \"endPage\" 115 -355 -5 0"});
}

// Guards against a path that is trimmed, or handed on beyond a NUL byte.
TEST_F(ImageElementTest, PathIsTakenWholeUpToItsFirstNul) {
  Draw({" a b.png\t", "0", "0", "1", "1"});
  Draw({std::string("c.png\0d", 7), "0", "0", "1", "1"});
  EXPECT_EQ(printer_.Drawings(),
            (Strings{"image \" a b.png\\t\" 115 -355 1 1", "image \"c.png\" 115 -355 1 1"}));
}

// Guards against an element that draws from values it never read.
TEST_F(ImageElementTest, ElementCutShortDrawsNothing) {
  EXPECT_EQ(Draw({"logo.png", "1", "2", "3"}), "<end>");
  EXPECT_EQ(printer_.operations(), (Strings{"load \"logo.png\"", "dispose \"logo.png\""}));

  RecordingPrinter printer;
  const auto script = ScriptFromBytes("");
  DrawImageElement(*script, TestHost(), printer);
  EXPECT_EQ(printer.operations(), Strings{});
}

// Guards against offset arithmetic that traps instead of wrapping.
TEST_F(ImageElementTest, OffsetsWrapAsSigned32Bit) {
  Draw({"a.png", "2147483647", "-2147483648", "2147483647", "-2147483648"});
  EXPECT_EQ(printer_.Drawings(),
            Strings{"image \"a.png\" -2147483534 2147483293 2147483647 -2147483648"});
}

}  // namespace
}  // namespace quarvel
