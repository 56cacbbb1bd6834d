#include "native/render/page_ink.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

struct TouchCase {
  InkBox box;
  bool touches;
};

// Guards against a white cell left out over ink (which would show what it
// must blank out), and against boxes that only share an edge counted as
// overlapping (which would keep every cell of adjacent lines).
TEST(PageInkTest, TouchesOnlyBoxesThatOverlapInkBeyondAnEdge) {
  PageInk ink;
  ink.Add(InkBox::Spanning(30, 20, 10, 10));
  const TouchCase cases[] = {
      {{0, 0, 10, 10}, false},  {{0, 20, 40, 30}, false}, {{30, 0, 40, 40}, false},
      {{9, 9, 11, 11}, true},   {{15, 15, 16, 16}, true}, {{0, 0, 100, 100}, true},
      {{29, 19, 31, 21}, true},
  };
  for (const TouchCase& c : cases) {
    EXPECT_EQ(ink.Touches(c.box), c.touches) << c.box.left << " " << c.box.top;
  }
  ink.Clear();
  EXPECT_FALSE(ink.Touches({0, 0, 100, 100})) << "a new page";
}

// Guards against a page of very many drawings making each question long:
// beyond the limit every box counts as covered, so cells are drawn.
TEST(PageInkTest, APageBeyondTheLimitIsCoveredEverywhere) {
  PageInk ink;
  for (size_t i = 0; i <= PageInk::kMaxBoxes; ++i) ink.Add({0, 0, 1, 1});
  EXPECT_TRUE(ink.Touches({500, 500, 501, 501}));
}

}  // namespace
}  // namespace quarvel
