#include "ball_walk.h"

#include <gtest/gtest.h>

#include <vector>

namespace splash {
namespace {

constexpr int32_t kBannerWidth = 459;
constexpr int32_t kBallWidth = 17;
constexpr int32_t kStep = 21;

// The ball's places tick by tick, from the first dot until the tick that
// ends the walk, which moves it no more.
std::vector<int32_t> Walk(int32_t client_right) {
  int32_t times = 0;
  int32_t ball_x = kFirstBallX;
  int32_t delta_x = kStep;
  std::vector<int32_t> places;
  while (!CountTick(&times)) {
    StepBall(&ball_x, &delta_x, kStep, kBallWidth, client_right);
    places.push_back(ball_x);
  }
  EXPECT_EQ(delta_x, kStep);
  return places;
}

// Guards against a walk that skips, repeats or overshoots a dot of the
// banner, or that ends a tick early or late.
TEST(BallWalkTest, VisitsTheFiveDotsInTurnForTwentyTicks) {
  const std::vector<int32_t> round = {245, 266, 287, 308, 224};
  std::vector<int32_t> expected;
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), round.begin(), round.end());
  EXPECT_EQ(Walk(kBannerWidth), expected);
}

// Guards against a narrow window sending the ball past its right limit.
TEST(BallWalkTest, StaysOnTheFirstDotWhenTheClientIsTooNarrow) {
  EXPECT_EQ(Walk(300), std::vector<int32_t>(kMovingTicks, kFirstBallX));
}

// Guards against an end of the walk other than on the 21st tick, or one
// that later ticks would undo.
TEST(BallWalkTest, TheTwentyFirstTickAndEveryLaterOneEndTheWalk) {
  int32_t times = 0;
  for (int32_t tick = 1; tick <= 25; ++tick) {
    EXPECT_EQ(CountTick(&times), tick >= 21) << "tick " << tick;
    EXPECT_EQ(times, tick);
  }
}

struct StepCase {
  const char* name;
  int32_t ball_x, delta_x, delta_value, client_right;
  int32_t expected_x, expected_delta;
};

// Guards against limits tested with the wrong comparison, a reversed ball,
// or a step that is reset while it lies between the limits.
const StepCase kStepCases[] = {
    {"between the limits", 245, kStep, kStep, kBannerWidth, 266, kStep},
    {"one short of the right limit", 290, kStep, kStep, kBannerWidth, 311, kStep},
    {"on the right limit", 291, kStep, kStep, kBannerWidth, kFirstBallX, kStep},
    {"past the right limit", 308, kStep, kStep, kBannerWidth, kFirstBallX, kStep},
    {"wider client", 308, kStep, kStep, 600, 329, kStep},
    {"right limit takes the given step", 308, kStep, 7, kBannerWidth, kFirstBallX, 7},
    {"step kept between the limits", 300, 5, kStep, kBannerWidth, 305, 5},
    {"one right of the left limit", 246, -kStep, kStep, kBannerWidth, 225, -kStep},
    {"on the left limit", 245, -kStep, kStep, kBannerWidth, kFirstBallX, kStep},
    {"past the left limit", 230, -kStep, kStep, kBannerWidth, kFirstBallX, kStep},
    {"standing still on the first dot", kFirstBallX, 0, kStep, kBannerWidth, kFirstBallX, kStep},
};

TEST(StepBallTest, BothLimitsSendTheBallBackToTheFirstDotMovingRight) {
  for (const StepCase& c : kStepCases) {
    int32_t ball_x = c.ball_x;
    int32_t delta_x = c.delta_x;
    StepBall(&ball_x, &delta_x, c.delta_value, kBallWidth, c.client_right);
    EXPECT_EQ(ball_x, c.expected_x) << c.name;
    EXPECT_EQ(delta_x, c.expected_delta) << c.name;
  }
}

}  // namespace
}  // namespace splash
